#include <gtest/gtest.h>

#include <cstring>
#include <sys/stat.h>

#include "app/ConverterApp.h"
#include "image/ExifTemplate.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

class JpegCodecTest : public ::testing::Test {
protected:
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app{dir.Path(), sink};

  std::string WriteSource(const std::string& name, int w, int h, int components, int quality = 90) {
    const std::string path = dir.File(name);
    test::WriteFileBytes(path, test::EncodeJpeg(test::MakeTestPicture(w, h), w, h, components, quality));
    return path;
  }
  int LoadError(const std::string& path) {
    CImageDoc doc(app);
    EXPECT_EQ(doc.ReadJpeg(path), 0);
    EXPECT_EQ(doc.m_strLoadErrorName, path);
    return doc.m_nLoadError;
  }
};

uint32_t ReadLe32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

TEST_F(JpegCodecTest, DecodedPixelsEqualWhatLibjpegDecodes) {
  for (int components : {3, 1}) {
    const std::string path = WriteSource("src.jpg", 61, 37, components);
    CImageDoc doc(app);
    ASSERT_EQ(doc.ReadJpeg(path), 1);
    test::DecodedJpeg ref;
    ASSERT_TRUE(test::DecodeJpeg(test::ReadFileBytes(path), ref));
    const CDibBitmap& bmp = doc.Bitmap();
    ASSERT_EQ(bmp.Width(), 61);
    ASSERT_EQ(bmp.Height(), 37);
    EXPECT_EQ(bmp.ColorType(), kColorTrue);
    EXPECT_EQ(bmp.Stride(), 184);  // 3 * 61 = 183, padded to 184
    for (int y = 0; y < 37; ++y) {
      const uint8_t* row = bmp.Row(36 - y);  // bottom-up
      for (int x = 0; x < 61; ++x) {
        const uint8_t* want = &ref.pixels[(static_cast<size_t>(y) * 61 + x) * 3];
        ASSERT_EQ(row[3 * x + 2], want[0]) << x << "," << y;
        ASSERT_EQ(row[3 * x + 1], want[1]);
        ASSERT_EQ(row[3 * x + 0], want[2]);
      }
    }
    EXPECT_EQ(doc.m_bGrayscale, components == 1 ? 1 : 0);
    if (components == 1) {
      EXPECT_NE(doc.m_strCodecInfo.find("(Grayscale)"), std::string::npos);
      EXPECT_EQ(doc.m_strCodecInfo.find("DS="), std::string::npos);
    }
    EXPECT_EQ(doc.m_nFileSize, static_cast<int64_t>(test::ReadFileBytes(path).size()));
  }
}

TEST_F(JpegCodecTest, LoadErrorsOneToSixFromRealFiles) {
  EXPECT_EQ(LoadError(WriteSource("cmyk.jpg", 16, 16, 4)), LOADERR_COLOR);
  app.m_settings.ShrinkLargeImages = 0;  // else such photos are decoded smaller
  EXPECT_EQ(LoadError(WriteSource("wide.jpg", 5001, 8, 3, 20)), LOADERR_TOO_LARGE);
  EXPECT_EQ(LoadError(WriteSource("tall.jpg", 8, 5001, 1, 20)), LOADERR_TOO_LARGE);
  app.m_settings.ShrinkLargeImages = 1;
  EXPECT_EQ(LoadError(dir.File("missing.jpg")), LOADERR_OPEN);
  EXPECT_EQ(LoadError(dir.Path()), LOADERR_OPEN);  // a folder is not a file

  auto good = test::ReadFileBytes(WriteSource("good.jpg", 64, 48, 3));
  auto trailing = good;
  trailing.push_back(0);
  test::WriteFileBytes(dir.File("trailing.jpg"), trailing);
  EXPECT_EQ(LoadError(dir.File("trailing.jpg")), LOADERR_BROKEN);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() / 2));
  test::WriteFileBytes(dir.File("truncated.jpg"), truncated);
  EXPECT_EQ(LoadError(dir.File("truncated.jpg")), LOADERR_BROKEN);
  test::WriteFileBytes(dir.File("empty.jpg"), {});
  EXPECT_EQ(LoadError(dir.File("empty.jpg")), LOADERR_BROKEN);
  test::WriteFileBytes(dir.File("tiny.jpg"), {0xFF, 0xD8, 0xFF, 0xD9});
  EXPECT_EQ(LoadError(dir.File("tiny.jpg")), LOADERR_LIBRARY);
  // Framed correctly, but no frame header inside.
  std::vector<uint8_t> junk = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x04, 'h', 'i'};
  junk.insert(junk.end(), 100, 0x55);
  junk.insert(junk.end(), {0xFF, 0xD9});
  test::WriteFileBytes(dir.File("junk.jpg"), junk);
  EXPECT_EQ(LoadError(dir.File("junk.jpg")), LOADERR_LIBRARY);

  for (int code = 1; code <= 6; ++code) EXPECT_NE(LoadErrorFormat(code), nullptr);
  EXPECT_STREQ(LoadErrorFormat(3), "Broken file  '%s'        ");
}

TEST_F(JpegCodecTest, FiveThousandPixelsLoad) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("edge.jpg", 5000, 16, 3, 20)), 1);
  EXPECT_EQ(doc.Bitmap().Width(), 5000);
}

TEST_F(JpegCodecTest, CorruptDataWarnsWithTheLibraryCaptionAndStillLoads) {
  auto good = test::ReadFileBytes(WriteSource("good.jpg", 128, 128, 3));
  std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<long>(good.size() * 2 / 3));
  cut.insert(cut.end(), {0xFF, 0xD9});
  test::WriteFileBytes(dir.File("cut.jpg"), cut);
  CImageDoc doc(app);
  EXPECT_EQ(doc.ReadJpeg(dir.File("cut.jpg")), 1);
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_EQ(sink.messages[0].caption, "JPEG Library Error");
}

TEST_F(JpegCodecTest, CommentIsReadIntoTheCommentList) {
  auto bytes = test::ReadFileBytes(WriteSource("c.jpg", 16, 16, 3));
  const std::string text = "hello camera";
  std::vector<uint8_t> com = {0xFF, 0xFE, 0x00, static_cast<uint8_t>(text.size() + 2)};
  com.insert(com.end(), text.begin(), text.end());
  bytes.insert(bytes.begin() + 2, com.begin(), com.end());
  test::WriteFileBytes(dir.File("c.jpg"), bytes);
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(dir.File("c.jpg")), 1);
  ASSERT_NE(doc.CurrentComment(), nullptr);
  EXPECT_EQ(doc.CurrentComment()->text, text);
  EXPECT_EQ(doc.CurrentComment()->name, "Comment");
  EXPECT_EQ(doc.m_bComment, 1);
}

TEST_F(JpegCodecTest, ThumbnailThenNormalPassMakesTheDeviceLayout) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("src.jpg", 640, 480, 3)), 1);
  const std::string out = dir.File("Imag0001.jpg");
  ASSERT_EQ(doc.WriteJpeg(dir.File("Imag0001.jpg__thumb")), 1);
  EXPECT_FALSE(test::FileExists(dir.File("Imag0001.jpg__thumb")));
  const auto thumb = test::ReadFileBytes(out);
  ASSERT_GT(thumb.size(), 4u);
  EXPECT_EQ(thumb[0], 0xFF);
  EXPECT_EQ(thumb[1], 0xD8);
  EXPECT_EQ(thumb[2], 0xFF);
  EXPECT_NE(thumb[3], 0xE0);  // no JFIF segment
  EXPECT_NE(thumb[3], 0xE1);  // no Exif segment

  ASSERT_EQ(doc.WriteJpeg(out), 1);
  const auto file = test::ReadFileBytes(out);
  const size_t T = thumb.size();
  ASSERT_GT(file.size(), 12 + 262 + T);
  EXPECT_EQ(file[2], 0xFF);
  EXPECT_EQ(file[3], 0xE1);
  EXPECT_EQ(static_cast<size_t>(file[4] << 8 | file[5]), 270 + T);
  EXPECT_EQ(std::memcmp(&file[6], "Exif\0\0", 6), 0);
  const std::vector<uint8_t> tmpl = BuildExifTemplate(static_cast<uint32_t>(T));
  ASSERT_EQ(tmpl.size(), 262u);
  EXPECT_TRUE(std::equal(tmpl.begin(), tmpl.end(), file.begin() + 12));
  EXPECT_EQ(ReadLe32(&file[12 + 238]), T);
  EXPECT_TRUE(std::equal(thumb.begin(), thumb.end(), file.begin() + 12 + 262));
  // The image stream follows, with no JFIF segment anywhere before it.
  EXPECT_EQ(file[12 + 262 + T], 0xFF);
  EXPECT_NE(file[12 + 262 + T + 1], 0xE0);

  test::DecodedJpeg dec;
  ASSERT_TRUE(test::DecodeJpeg(file, dec));
  EXPECT_EQ(dec.width, 640);
  EXPECT_EQ(dec.height, 480);
  EXPECT_EQ(dec.hSamp, 2);
  EXPECT_EQ(dec.vSamp, 1);
  EXPECT_FALSE(dec.progressive);
  EXPECT_FALSE(dec.sawJfif);
  EXPECT_EQ(doc.m_strCodecInfo.substr(0, 29), "640x480 JFIF1.1(YCbCr) DS=2:1");
  EXPECT_EQ(doc.m_strCodecInfo.substr(29, 4), " Qf=");
  EXPECT_EQ(doc.m_nFileSize, static_cast<int64_t>(file.size()));
  EXPECT_EQ(app.m_settings.Param2, 2);
  EXPECT_EQ(app.m_settings.Param3, 0);
}

TEST_F(JpegCodecTest, TemplateBytesAtKnownOffsets) {
  const std::vector<uint8_t> t = BuildExifTemplate(0x01020304);
  ASSERT_EQ(t.size(), 262u);
  EXPECT_EQ(std::memcmp(t.data(), "II*\0\x08\0\0\0", 8), 0);
  EXPECT_EQ(t[8], 5);                       // IFD0 entries
  EXPECT_EQ(t[10], 0x1A);                   // XResolution
  EXPECT_EQ(ReadLe32(&t[18]), 74u);
  EXPECT_EQ(ReadLe32(&t[70]), 168u);        // next IFD
  EXPECT_EQ(ReadLe32(&t[74]), 72u);
  EXPECT_EQ(t[90], 6);                      // Exif IFD entries
  EXPECT_EQ(std::memcmp(&t[100], "0210", 4), 0);
  EXPECT_EQ(ReadLe32(&t[148]), 1024u);
  EXPECT_EQ(ReadLe32(&t[160]), 768u);
  EXPECT_EQ(t[168], 6);                     // IFD1 entries
  EXPECT_EQ(ReadLe32(&t[226]), 262u);       // JPEGInterchangeFormat
  EXPECT_EQ(ReadLe32(&t[238]), 0x01020304u);
  EXPECT_EQ(ReadLe32(&t[242]), 0u);
  EXPECT_EQ(ReadLe32(&t[254]), 72u);
}

TEST_F(JpegCodecTest, RestartIntervalIsOneMcuRow) {
  app.m_settings.IncludeRST = 1;
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("src.jpg", 640, 480, 3)), 1);
  ASSERT_EQ(doc.WriteJpeg(dir.File("rst.jpg__thumb")), 1);
  test::DecodedJpeg dec;
  ASSERT_TRUE(test::DecodeJpeg(test::ReadFileBytes(dir.File("rst.jpg")), dec));
  EXPECT_EQ(dec.restartInterval, 640u / 16u);  // 2x1 sampling: 16-pixel MCUs
}

TEST_F(JpegCodecTest, CustomTablesAreWrittenAndClampedToBaseline) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("src.jpg", 32, 32, 3)), 1);
  doc.m_bCustomDqt = 1;
  doc.m_dqt[0].fill(3);
  doc.m_dqt[0][5] = 0;
  doc.m_dqt[1].fill(400);
  ASSERT_EQ(doc.WriteJpeg(dir.File("t.jpg__thumb")), 1);
  CImageDoc back(app);
  ASSERT_EQ(back.ReadJpeg(dir.File("t.jpg")), 1);
  EXPECT_EQ(back.m_dqt[0][0], 3);
  EXPECT_EQ(back.m_dqt[0][5], 1);
  EXPECT_EQ(back.m_dqt[1][0], 255);
}

TEST_F(JpegCodecTest, OversizedThumbnailOrCommentRefusesTheFileButAThumbnailGoesWithoutTheComment) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("src.jpg", 32, 32, 3)), 1);
  const std::string out = dir.File("big.jpg");
  std::vector<uint8_t> huge(kMaxThumbnailBytes + 1, 0xAB);
  test::WriteFileBytes(out, huge);
  EXPECT_EQ(doc.WriteJpeg(out), 0);
  EXPECT_EQ(test::ReadFileBytes(out), huge);
  ASSERT_FALSE(sink.messages.empty());
  EXPECT_NE(sink.messages.back().text.find(out), std::string::npos);

  // The largest thumbnail that fits is accepted.
  huge.pop_back();
  test::WriteFileBytes(out, huge);
  EXPECT_EQ(doc.WriteJpeg(out), 1);

  doc.m_bComment = 1;
  doc.m_comments.push_back({3, "Comment", std::string(65534, 'c')});
  doc.m_nCurrentComment = static_cast<int>(doc.m_comments.size()) - 1;
  // A comment that no segment can hold refuses the device file, with a message...
  const size_t before = sink.messages.size();
  EXPECT_EQ(doc.WriteJpeg(dir.File("c.jpg")), 0);
  EXPECT_EQ(doc.m_nWriteFailure, WRITE_UNFIT);
  EXPECT_FALSE(test::FileExists(dir.File("c.jpg")));
  EXPECT_EQ(sink.messages.size(), before + 1);
  // ...while the thumbnail stream, which an Exif segment must hold, goes without it.
  for (size_t length : {65534u, 65533u, 65000u}) {
    doc.m_comments.back().text.assign(length, 'c');
    ASSERT_EQ(doc.WriteJpeg(dir.File("c.jpg__thumb")), 1) << length;
    const auto stream = test::ReadFileBytes(dir.File("c.jpg"));
    EXPECT_LE(stream.size(), kMaxThumbnailBytes) << length;
    EXPECT_NE(stream[3], 0xFE) << length;  // no COM after SOI
  }
  EXPECT_EQ(sink.messages.size(), before + 1);
  doc.m_comments.back().text.assign(60000, 'c');  // still fits beside a small picture
  ASSERT_EQ(doc.WriteJpeg(dir.File("c.jpg__thumb")), 1);
  EXPECT_EQ(test::ReadFileBytes(dir.File("c.jpg"))[3], 0xFE);
}

TEST_F(JpegCodecTest, UnwritableFolderFailsAndLeavesNoTemporaryFile) {
  CImageDoc doc(app);
  ASSERT_EQ(doc.ReadJpeg(WriteSource("src.jpg", 32, 32, 3)), 1);
  EXPECT_EQ(doc.WriteJpeg(dir.File("no/such/dir/x.jpg")), 0);
  ::mkdir(dir.File("ro").c_str(), 0555);
  if (::access(dir.File("ro").c_str(), W_OK) != 0) {  // root can write anyway
    EXPECT_EQ(doc.WriteJpeg(dir.File("ro/x.jpg")), 0);
  }
  CImageDoc empty(app);
  EXPECT_EQ(empty.WriteJpeg(dir.File("e.jpg")), 0);
  EXPECT_EQ(test::ListJpegFiles(dir.Path()).size(), 1u);  // only the source
}

TEST_F(JpegCodecTest, EveryCorpusFileLoadsOrIsRefusedWithACode) {
  const std::string corpus = test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "camera corpus not on this machine";
  const auto files = test::ListJpegFiles(corpus);
  ASSERT_FALSE(files.empty());
  int loaded = 0;
  for (const std::string& f : files) {
    CImageDoc doc(app);
    if (doc.ReadJpeg(f)) {
      ++loaded;
      EXPECT_GT(doc.Bitmap().Width(), 0) << f;
      EXPECT_EQ(doc.m_strCodecInfo.find(std::to_string(doc.Bitmap().Width()) + "x"), 0u) << f;
    } else {
      EXPECT_GE(doc.m_nLoadError, 1) << f;
      EXPECT_LE(doc.m_nLoadError, 6) << f;
    }
  }
  EXPECT_GT(loaded, static_cast<int>(files.size()) / 2);
}

TEST(DescribeJpegText, SamplingProgressiveAndQuality) {
  JpegDescriptionInput in;
  in.width = 100;
  in.height = 50;
  in.colorSpace = 3;
  in.components = 3;
  in.hSamp = 2;
  in.vSamp = 2;
  in.progressive = true;
  in.tableCount = 2;
  in.tableSums[0] = 64;
  in.tableSums[1] = 64;
  EXPECT_EQ(DescribeJpegText(in), "100x50 JPEG(YCbCr) DS=4:1 Prg. Qf=100.0");
  in.sawJfif = true;
  in.jfifMinor = 2;
  in.hSamp = 1;
  in.vSamp = 2;
  in.progressive = false;
  in.tableCount = 3;
  in.tableSums[0] = 16320;
  in.tableSums[1] = 64;
  in.tableSums[2] = 64;  // (64 + (64 + 16320) / 2) / 2 = 4128
  EXPECT_EQ(DescribeJpegText(in), "100x50 JFIF1.2(YCbCr) DS=1:2 Qf=75.0");
}

} // namespace

// Streams made in memory grow their buffer while the encoder is in the
// middle of its data: a stream that grew on the way is the stream made
// again into memory already large enough, and decodes whole.
TEST_F(JpegCodecTest, StreamsThatGrowTheirMemoryStayWhole) {
  for (const auto& size : {std::pair<int, int>{64, 48}, {1600, 1200}, {2400, 1800}}) {
    std::vector<uint8_t> grainy = test::MakeTestPicture(size.first, size.second);
    uint32_t seed = 5;
    for (uint8_t& b : grainy) b = static_cast<uint8_t>(b ^ ((seed = seed * 1103515245u + 12345u) >> 27));
    const std::string src = dir.File("grainy.jpg");
    test::WriteFileBytes(src, test::EncodeJpeg(grainy, size.first, size.second, 3, 95));
    CImageDoc doc(app);
    ASSERT_EQ(doc.ReadJpeg(src), 1);
    std::vector<uint8_t> grown, again;
    ASSERT_EQ(doc.EncodeThumbnail(grown), 1);
    ASSERT_EQ(doc.EncodeThumbnail(again), 1);
    EXPECT_TRUE(grown == again) << size.first << "x" << size.second;
    test::DecodedJpeg dec;
    ASSERT_TRUE(test::DecodeJpeg(grown, dec));
    EXPECT_EQ(dec.width, size.first);
    if (size.first > 1000) {
      EXPECT_GT(grown.size(), size_t{1} << 17);
    }
  }
}
