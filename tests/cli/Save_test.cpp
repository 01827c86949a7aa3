// Runs the built quorvex-cli's save and separate commands on real files
// with a private settings folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include "app/ConverterApp.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"
#include "image/PngWriter.h"
#include "support/TestSupport.h"
#include "image/ToneTables.h"

namespace qv {
namespace {

using test::TempDir;

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

uint32_t Be32(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

// The data of the first chunk of a type in a PNG file, or nothing.
std::vector<uint8_t> PngChunk(const std::vector<uint8_t>& png, const char* type) {
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const size_t len = Be32(png, pos);
    if (pos + 12 + len > png.size()) break;
    if (std::memcmp(&png[pos + 4], type, 4) == 0)
      return std::vector<uint8_t>(png.begin() + static_cast<long>(pos + 8),
                                  png.begin() + static_cast<long>(pos + 8 + len));
    pos += 12 + len;
  }
  return {};
}

// ---- the fixture ----

class SaveCli : public ::testing::Test {
protected:
  TempDir dir;
  test::DecodedJpeg source;  // what the CLI decodes: same library, same pixels
  std::string input;

  void SetUp() override {
    ASSERT_EQ(mkdir(dir.File("config").c_str(), 0755), 0);
    input = dir.File("photo.jpg");
    test::WriteFileBytes(input, test::EncodeJpeg(test::MakeTestPicture(64, 48, 5), 64, 48, 3, 92));
    ASSERT_TRUE(test::DecodeJpeg(test::ReadFileBytes(input), source));
  }
  void WriteSettings(const std::string& lines) {
    test::WriteFileText(dir.File("config/quorvex.ini"), "[default]\n" + lines);
  }
  test::CliResult Run(const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), command);
    return test::RunCli(dir.File("config"), args);
  }
  // Red, green, blue of source pixel (x, y), y from the top.
  const uint8_t* Source(int x, int y) const { return &source.pixels[(static_cast<size_t>(y) * 64 + x) * 3]; }
};

TEST_F(SaveCli, PngModeAndInterlaceReachTheWriter) {
  const test::CliResult r = Run("save", {input, "-o", dir.File("grey.png"), "--png-mode", "4", "--interlace"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> png = test::ReadFileBytes(dir.File("grey.png"));
  const std::vector<uint8_t> ihdr = PngChunk(png, "IHDR");
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(Be32(ihdr, 0), 64u);
  EXPECT_EQ(Be32(ihdr, 4), 48u);
  EXPECT_EQ(ihdr[8], 4);   // bit depth
  EXPECT_EQ(ihdr[9], 0);   // greyscale
  EXPECT_EQ(ihdr[12], 1);  // Adam7
  // The document has no gamma and the default is not forced.
  EXPECT_TRUE(PngChunk(png, "gAMA").empty());
}

TEST_F(SaveCli, ToneOptionsMapEverySampleBeforeTheBmpIsWritten) {
  const test::CliResult r =
      Run("save", {input, "-o", dir.File("tone.bmp"), "--gamma", "1.8", "--contrast", "40", "--bias", "-30"});
  ASSERT_EQ(r.status, 0) << r.err;
  const ToneTable g = BuildGammaTable(1.8);
  const ToneTable l = BuildLevelTable(40, -30);
  const std::vector<uint8_t> b = test::ReadFileBytes(dir.File("tone.bmp"));
  ASSERT_EQ(b.size(), 54u + 64 * 3 * 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x)
      for (int c = 0; c < 3; ++c) {
        const uint8_t got = b[54 + static_cast<size_t>(47 - y) * 192 + static_cast<size_t>(3 * x + c)];
        ASSERT_EQ(got, g[static_cast<size_t>(l[Source(x, y)[2 - c]])]) << x << "," << y << "," << c;
      }
}

TEST_F(SaveCli, ResizeComesBeforeTheToneCurve) {
  const test::CliResult r = Run("save", {input, "-o", dir.File("small.rgb"), "--resize", "32x24", "--bias", "50"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The same steps in process, in the stated order.
  test::RecordingSink sink;
  CConverterApp app(dir.File("config"), sink);
  CImageDoc doc(app);
  ASSERT_EQ(doc.Load(input), 1);
  ASSERT_EQ(doc.ResizeImage(32, 24), 1);
  ASSERT_EQ(ApplyToneCurve(doc, BuildGammaTable(1.0), BuildLevelTable(0, 50)), 1);
  std::vector<uint8_t> want;
  for (int y = 23; y >= 0; --y)
    for (int x = 0; x < 32; ++x) {
      const uint8_t* p = doc.Bitmap().Row(y) + 3 * x;
      want.insert(want.end(), {p[2], p[1], p[0]});
    }
  EXPECT_EQ(test::ReadFileBytes(dir.File("small.rgb")), want);
  EXPECT_EQ(test::ReadFileText(dir.File("small.fal")), "F_ALL(V1.00)\n32 24 0 0\n1.00 255 255 255 0\n");
}

TEST_F(SaveCli, BadOptionsAreUsageErrors) {
  const std::vector<std::vector<std::string>> bad = {
      {input, "-o", dir.File("a.png"), "--gamma", "0"},   {input, "-o", dir.File("a.png"), "--gamma", "-1"},
      {input, "-o", dir.File("a.png"), "--gamma", "5"},   {input, "-o", dir.File("a.png"), "--gamma", "nan"},
      {input, "-o", dir.File("a.png"), "--bias", "256"},  {input, "-o", dir.File("a.png"), "--contrast", "x"},
      {input, "-o", dir.File("a.png"), "--png-mode", "5"}, {input, "-o", dir.File("a.png"), "--resize", "0x5"},
      {input, "-o", dir.File("a.tif")},                    {input, "-o", dir.File("noext")}};
  for (const auto& args : bad) {
    const test::CliResult r = Run("save", args);
    EXPECT_EQ(r.status, 2) << args[3 < args.size() ? 3 : 2];
    EXPECT_NE(r.err.find("usage: quorvex-cli save"), std::string::npos);
  }
  EXPECT_FALSE(test::FileExists(dir.File("a.png")));
}

TEST_F(SaveCli, SettingsGammaIsWrittenOrRefusedWithAMessage) {
  WriteSettings("UseWriteGammaValue=1\nUseDefaultGammaOnSave=1\nDefaultGamma=2.2\n");
  test::CliResult r = Run("save", {input, "-o", dir.File("g.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<uint8_t> gama = PngChunk(test::ReadFileBytes(dir.File("g.png")), "gAMA");
  ASSERT_EQ(gama.size(), 4u);
  EXPECT_EQ(Be32(gama, 0), 220000u);

  for (const char* value : {"0", "-0.45", "0.000001"}) {
    WriteSettings(std::string("UseWriteGammaValue=1\nUseDefaultGammaOnSave=1\nDefaultGamma=") + value + "\n");
    r = Run("save", {input, "-o", dir.File("z.png")});
    EXPECT_EQ(r.status, 1) << value;
    EXPECT_NE(r.err.find(std::string("quorvex-cli: SavePngFile:") + kPngBadGamma + "\nquorvex-cli: " + dir.File("z.png") + "\n"), std::string::npos)
        << r.err;
    EXPECT_FALSE(test::FileExists(dir.File("z.png")));
  }
}

TEST_F(SaveCli, AMissingOutputFolderFailsWithTheWritersMessage) {
  const test::CliResult png = Run("save", {input, "-o", dir.File("none/a.png")});
  EXPECT_EQ(png.status, 1);
  EXPECT_NE(png.err.find("quorvex-cli: SavePngFile:Cannot open\nquorvex-cli: " + dir.File("none/a.png") + "\n"), std::string::npos) << png.err;
  const test::CliResult bmp = Run("save", {input, "-o", dir.File("none/a.bmp")});
  EXPECT_EQ(bmp.status, 1);
  EXPECT_NE(bmp.err.find("quorvex-cli: SaveBmpFile:Can't open the file.\nquorvex-cli: " + dir.File("none/a.bmp") + "\n"), std::string::npos);
}

TEST_F(SaveCli, SeparateWritesThreeEightBitBmpFiles) {
  const test::CliResult r = Run("separate", {input, "-o", dir.File("out/parts")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string base = dir.File("out/parts/photo");
  EXPECT_EQ(r.out, base + "_Y.bmp\n" + base + "_Cb.bmp\n" + base + "_Cr.bmp\n");
  const char* suffixes[] = {"_Y.bmp", "_Cb.bmp", "_Cr.bmp"};
  for (int k = 0; k < 3; ++k) {
    const std::vector<uint8_t> b = test::ReadFileBytes(base + suffixes[k]);
    ASSERT_EQ(b.size(), 54u + 1024 + 64 * 48) << suffixes[k];
    EXPECT_EQ(Le32(b, 10), 54u + 1024);
    EXPECT_EQ(b[28], 8);  // bits per pixel
    for (int i = 0; i < 256; ++i)  // grey ramp
      ASSERT_TRUE(b[54 + 4 * i] == i && b[55 + 4 * i] == i && b[56 + 4 * i] == i) << i;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        const uint8_t* p = Source(x, y);
        const YCbCr c = YCbCrOf(p[0], p[1], p[2]);
        const int want = k == 0 ? c.y : (k == 1 ? c.cb : c.cr);
        ASSERT_EQ(b[54 + 1024 + static_cast<size_t>(47 - y) * 64 + static_cast<size_t>(x)], want)
            << suffixes[k] << " " << x << "," << y;
      }
  }
  // A grey photo has neutral chroma everywhere.
  const std::string grey = dir.File("grey.jpg");
  test::WriteFileBytes(grey, test::EncodeJpeg(test::MakeTestPicture(16, 8, 2), 16, 8, 1, 90));
  ASSERT_EQ(Run("separate", {grey, "-o", dir.File("out")}).status, 0);
  const std::vector<uint8_t> cb = test::ReadFileBytes(dir.File("out/grey_Cb.bmp"));
  ASSERT_EQ(cb.size(), 54u + 1024 + 16 * 8);
  for (size_t i = 54 + 1024; i < cb.size(); ++i) ASSERT_EQ(cb[i], 128) << i;

  EXPECT_EQ(Run("separate", {input}).status, 2);
  EXPECT_EQ(Run("separate", {dir.File("missing.jpg"), "-o", dir.File("out")}).status, 1);
}

} // namespace
} // namespace qv
