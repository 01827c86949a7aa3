// BMP and RGB/FAL output, checked byte by byte.
#include "image/BmpWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/ConverterApp.h"
#include "image/FixedPalette.h"
#include "image/ImageDoc.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t Le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }

// Runs `write` with the file size limited, as a full disk would limit it.
template <typename F>
int WithFileSizeLimit(unsigned long long bytes, F write) {
  test::FileSizeLimit limit(bytes);
  return write();
}

class BmpWriterTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};

  // Pixel (x, y) from the top is blue 10x+y, green 100+y, red 200+x.
  std::unique_ptr<CImageDoc> MakeDoc(int w, int h) {
    auto doc = std::make_unique<CImageDoc>(app);
    EXPECT_TRUE(doc->Bitmap().Create(w, h, kColorTrue));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint8_t* p = doc->Bitmap().Row(h - 1 - y) + 3 * x;
        p[0] = static_cast<uint8_t>(10 * x + y);
        p[1] = static_cast<uint8_t>(100 + y);
        p[2] = static_cast<uint8_t>(200 + x);
      }
    return doc;
  }
};

TEST_F(BmpWriterTest, OneByTwoTrueColourImageIsSixtyTwoBytes) {
  auto doc = MakeDoc(1, 2);
  const std::string path = dir.File("tiny.bmp");
  ASSERT_EQ(doc->SaveByType(path), 1);
  const std::vector<uint8_t> b = test::ReadFileBytes(path);
  ASSERT_EQ(b.size(), 62u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le32(b, 2), 62u);   // file size
  EXPECT_EQ(Le32(b, 6), 0u);    // reserved
  EXPECT_EQ(Le32(b, 10), 54u);  // bits offset
  EXPECT_EQ(Le32(b, 14), 40u);  // info header
  EXPECT_EQ(Le32(b, 18), 1u);
  EXPECT_EQ(Le32(b, 22), 2u);   // positive: bottom-up
  EXPECT_EQ(Le16(b, 26), 1u);
  EXPECT_EQ(Le16(b, 28), 24u);
  EXPECT_EQ(Le32(b, 30), 0u);   // BI_RGB
  EXPECT_EQ(Le32(b, 34), 8u);   // image size
  EXPECT_EQ(Le32(b, 46), 0u);   // colours used
  // Bottom row first, blue-green-red, padded to 4 bytes.
  const std::vector<uint8_t> bits(b.begin() + 54, b.end());
  EXPECT_EQ(bits, (std::vector<uint8_t>{1, 101, 200, 0, 0, 100, 200, 0}));
  EXPECT_EQ(doc->m_nFileSize, 62);
  EXPECT_EQ(doc->m_strCodecInfo, "1x2 Windows BMP(24bit)");
  EXPECT_EQ(doc->m_nFileType, FT_BMP);
}

TEST_F(BmpWriterTest, NewImageIsAFourBitBmpWithSixteenColours) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.OnNewDocument(), 1);
  const std::string path = dir.File("new.bmp");
  ASSERT_EQ(doc.WriteBmpFile(path), 1);
  const std::vector<uint8_t> b = test::ReadFileBytes(path);
  const size_t bitsSize = 320 * 480;  // 640 4-bit pixels: 320 bytes, already a multiple of 4
  ASSERT_EQ(b.size(), 118 + bitsSize);
  EXPECT_EQ(Le32(b, 2), 118 + bitsSize);
  EXPECT_EQ(Le32(b, 10), 118u);
  EXPECT_EQ(Le16(b, 28), 4u);
  EXPECT_EQ(Le32(b, 46), 16u);
  EXPECT_EQ(Le32(b, 50), 16u);
  RgbQuad standard[16];
  FillFixedPalette(standard, 16);
  EXPECT_EQ(0, std::memcmp(b.data() + 54, standard, sizeof standard));
  // White is entry 15 of the standard colours: two 0xF nibbles per byte.
  EXPECT_TRUE(std::all_of(b.begin() + 118, b.end(), [](uint8_t v) { return v == 0xFF; }));
  EXPECT_EQ(doc.m_strCodecInfo, "640x480 Windows BMP(4bit)");
}

TEST_F(BmpWriterTest, RgbFileIsTopDownRedGreenBlueBesideItsFalHeader) {
  auto doc = MakeDoc(5, 3);
  ASSERT_EQ(doc->SaveByType(dir.File("pic.rgb")), 1);
  const std::vector<uint8_t> raw = test::ReadFileBytes(dir.File("pic.rgb"));
  ASSERT_EQ(raw.size(), 3u * 5 * 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) {
      const size_t at = (static_cast<size_t>(y) * 5 + x) * 3;
      EXPECT_EQ(raw[at], 200 + x);
      EXPECT_EQ(raw[at + 1], 100 + y);
      EXPECT_EQ(raw[at + 2], 10 * x + y);
    }
  EXPECT_EQ(test::ReadFileText(dir.File("pic.fal")), "F_ALL(V1.00)\n5 3 0 0\n1.00 255 255 255 0\n");
  EXPECT_EQ(doc->m_nFileSize, 45);
  // The source's pixels are not left swapped.
  EXPECT_EQ(doc->Bitmap().Row(2)[0], 0);
  EXPECT_EQ(doc->Bitmap().Row(2)[2], 200);
}

TEST_F(BmpWriterTest, RgbAndFalNamesFollowTheExtension) {
  auto doc = MakeDoc(4, 2);
  ASSERT_EQ(doc->WriteRgbFile(dir.File("cam.q0")), 1);
  ASSERT_EQ(doc->WriteRgbFile(dir.File("bare")), 1);
  // Naming the header itself must not let the raw data overwrite it.
  ASSERT_EQ(doc->SaveByType(dir.File("head.fal")), 1);
  EXPECT_EQ(test::FolderEntries(dir.Path()), (std::vector<std::string>{"bare.fal", "bare.rgb", "cam.fal", "cam.q0",
                                                             "head.fal", "head.rgb"}));
  EXPECT_EQ(test::ReadFileText(dir.File("head.fal")).substr(0, 12), "F_ALL(V1.00)");
  EXPECT_EQ(test::ReadFileBytes(dir.File("cam.q0")).size(), 24u);

  // Only the file name's dot marks an extension.
  EXPECT_EQ(RgbFalPathsFor("/d.x/name").fal, "/d.x/name.fal");
  EXPECT_EQ(RgbFalPathsFor("/d.x/name").rgb, "/d.x/name.rgb");
  EXPECT_EQ(RgbFalPathsFor("/d/a.b.RGB").fal, "/d/a.b.fal");
  EXPECT_EQ(RgbFalPathsFor("/d/a.b.RGB").rgb, "/d/a.b.RGB");
  EXPECT_EQ(RgbFalPathsFor("/d/x.FAL").rgb, "/d/x.rgb");
}

TEST_F(BmpWriterTest, UnwritableTargetsFailCleanly) {
  test::WriteFileBytes(dir.File("plain"), {1});
  std::vector<std::string> folders = {dir.File("missing"), dir.File("plain")};
  if (geteuid() != 0) {  // root writes into read-only folders
    ASSERT_EQ(mkdir(dir.File("ro").c_str(), 0555), 0);
    folders.push_back(dir.File("ro"));
  }
  for (const std::string& folder : folders) {
    auto doc = MakeDoc(3, 3);
    doc->m_strCodecInfo = "before";
    const std::vector<uint8_t> pixels(doc->Bitmap().Bits(), doc->Bitmap().Bits() + 3 * doc->Bitmap().Stride());
    sink.messages.clear();
    EXPECT_EQ(doc->WriteBmpFile(folder + "/a.bmp"), 0);
    EXPECT_EQ(doc->WriteRgbFile(folder + "/a.q0"), 0);
    ASSERT_EQ(sink.messages.size(), 2u);
    EXPECT_EQ(sink.messages[0].text, "SaveBmpFile:Can't open the file.\n" + folder + "/a.bmp");
    EXPECT_EQ(sink.messages[1].text, "SaveRgbFile:Can't open the file.\n" + folder + "/a.fal");
    EXPECT_EQ(std::vector<uint8_t>(doc->Bitmap().Bits(), doc->Bitmap().Bits() + pixels.size()), pixels);
    EXPECT_EQ(doc->m_strCodecInfo, "before");
  }
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"plain"});

  CImageDoc empty(app);
  sink.messages.clear();
  EXPECT_EQ(empty.WriteBmpFile(dir.File("e.bmp")), 0);
  EXPECT_EQ(empty.WriteRgbFile(dir.File("e.rgb")), 0);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "SaveBmpFile:Can't make the DIB\n" + dir.File("e.bmp"));
  EXPECT_EQ(sink.messages[1].text, "SaveRgbFile:Can't make the DIB\n" + dir.File("e.rgb"));
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"plain"});
}

TEST_F(BmpWriterTest, AFullDiskKeepsTheOldFilesAndLeavesNoTemporary) {
  test::WriteFileBytes(dir.File("a.bmp"), {'o', 'l', 'd'});
  test::WriteFileBytes(dir.File("a.rgb"), {'o', 'l', 'd'});
  test::WriteFileBytes(dir.File("a.fal"), {'o', 'l', 'd'});
  auto doc = MakeDoc(200, 100);
  EXPECT_EQ(WithFileSizeLimit(4096, [&] { return doc->WriteBmpFile(dir.File("a.bmp")); }), 0);
  EXPECT_EQ(WithFileSizeLimit(4096, [&] { return doc->WriteRgbFile(dir.File("a.rgb")); }), 0);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, "SaveBmpFile:Can't write the file.\n" + dir.File("a.bmp"));
  EXPECT_EQ(sink.messages[1].text, "SaveRgbFile:Can't write the file.\n" + dir.File("a.rgb"));
  for (const char* name : {"a.bmp", "a.rgb", "a.fal"})
    EXPECT_EQ(test::ReadFileBytes(dir.File(name)), (std::vector<uint8_t>{'o', 'l', 'd'})) << name;
  EXPECT_EQ(test::FolderEntries(dir.Path()), (std::vector<std::string>{"a.bmp", "a.fal", "a.rgb"}));
}

TEST(DescribeBmp, ReadsCoreAndInfoHeaders) {
  // OS/2 core header: size 12, 16-bit width, height, planes, bit count.
  const uint8_t core[12] = {12, 0, 0, 0, 0x80, 0x02, 0xE0, 0x01, 1, 0, 8, 0};
  EXPECT_EQ(DescribeBmp(core, sizeof core), "640x480 OS/2 DIB(8bit)");
  uint8_t info[40] = {40, 0, 0, 0, 0x80, 0x02, 0, 0, 0xE0, 0x01, 0, 0, 1, 0, 8, 0};
  const std::pair<uint8_t, const char*> kinds[] = {{0, "640x480 Windows BMP(8bit)"},
                                                   {1, "640x480 Windows RLE(8bit)"},
                                                   {2, "640x480 Windows RLE(4bit)"},
                                                   {3, "640x480 Bitfields BMP(8bit)"},
                                                   {9, "640x480 Unknown BMP(9)"}};
  for (const auto& k : kinds) {
    info[16] = k.first;
    EXPECT_EQ(DescribeBmp(info, sizeof info), k.second);
  }
}

} // namespace
