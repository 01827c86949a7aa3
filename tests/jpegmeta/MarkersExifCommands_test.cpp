// The markers and exif commands of quorvex-cli, run as a real process.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/MetaBytes.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

struct RunResult {
  int status = -1;
  std::string out, err;
};

class CliTest : public ::testing::Test {
protected:
  TempDir dir;

  RunResult Run(const std::string& args) {
    const std::string errFile = dir.File("stderr.txt");
    const std::string cmd = std::string(QUORVEX_CLI_PATH) + " --config '" + dir.File("cfg") + "' " + args + " 2>'" + errFile + "'";
    RunResult r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    const Bytes err = ReadFileBytes(errFile);
    r.err.assign(err.begin(), err.end());
    return r;
  }

  std::string JpegWithExif() {
    TiffBuilder t(true);
    auto ifd0 = t.AddIfd({t.Ascii(TAG_MAKE, "ACME  "), t.Ascii(TAG_MODEL, "X1"), t.Long(TAG_EXIF_IFD, 0)});
    t.SetIfd0(ifd0.offset);
    auto exif = t.AddIfd({t.Rational(TAG_EXPOSURE_TIME, 1, 60), t.Rational(TAG_F_NUMBER, 28, 10),
                          t.Short(TAG_EXPOSURE_PROGRAM, 2), t.Short(TAG_METERING_MODE, 2),
                          t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:02:03 04:05:06")});
    t.SetLong(ifd0.valueFields[2], exif.offset);
    Bytes file = {0xFF, 0xD8};
    Append(file, ExifApp1(t.b));
    Bytes rest = BaselineJpeg({1, 2});
    file.insert(file.end(), rest.begin() + 2, rest.end());
    const std::string path = dir.File("exif.jpg");
    WriteFileBytes(path, file);
    return path;
  }
};

TEST_F(CliTest, MarkersPrintsTheTreeIndentedByDepth) {
  WriteFileBytes(dir.File("a.jpg"), BaselineJpeg({1, 2, 3}));
  const RunResult r = Run("markers " + dir.File("a.jpg"));
  EXPECT_EQ(r.status, 0) << r.err;
  // Texts are the marker tree's (tested there); here the layout.
  EXPECT_EQ(r.out.substr(0, r.out.find("DQT")), "SOI   (Start of image)(2)\nAPP0(18)\n  JFIF1.2\n   X:Y=72:72dpi\n   Thumb=0x0\n");
  EXPECT_NE(r.out.find("\n  Component #1\n    H:V=(1:1)\n    Quantization Table ID=0\n"), std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.rfind("Scan")), "Scan data(3)\nEOI   (End of image)(2)\n");
}

TEST_F(CliTest, MarkersReadsPngByExtensionAndShowsCommentsAsUtf8) {
  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Append(png, PngChunkBytes("IEND", {}));
  WriteFileBytes(dir.File("p.PNG"), png);
  RunResult r = Run("markers " + dir.File("p.PNG"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 16), "IEND(0)\n  CRC=0x");

  WriteFileBytes(dir.File("fake.png"), BaselineJpeg({}));
  r = Run("markers " + dir.File("fake.png"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");

  Bytes jpeg = {0xFF, 0xD8};
  const std::string sjis = "\x93\xfa\x96\x7b";  // 日本 in Shift_JIS
  Append(jpeg, Segment(0xFE, Bytes(sjis.begin(), sjis.end())));
  WriteFileBytes(dir.File("c.jpg"), jpeg);
  r = Run("markers " + dir.File("c.jpg"));
  EXPECT_NE(r.out.find(") 日本\n"), std::string::npos) << r.out;
}

TEST_F(CliTest, MarkersReportsWhatItCannotOpenAndWrongUsage) {
  RunResult r = Run("markers " + dir.File("missing.jpg"));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("JpegMarker:Can't open the file.\nquorvex-cli: " + dir.File("missing.jpg")), std::string::npos) << r.err;
  EXPECT_EQ(Run("markers").status, 2);
  EXPECT_EQ(Run("markers a b").status, 2);
}

TEST_F(CliTest, ExifPrintsTheFiveLinesInJapaneseOrEnglish) {
  const std::string path = JpegWithExif();
  RunResult r = Run("exif " + path);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "ACME X1\nF=2.8\n2001:02:03 04:05:06\n露出=プログラムAE 測光=中央重点\n1/60sec\n");
  r = Run("exif --english " + path);
  EXPECT_EQ(r.out, "ACME X1\nF=2.8\n2001:02:03 04:05:06\nExposure=Program-AE Metering=Center-w.\n1/60sec\n");
}

TEST_F(CliTest, ExifWithoutABlockPrintsTheFallbacks) {
  WriteFileBytes(dir.File("plain.jpg"), BaselineJpeg({1}));
  RunResult r = Run("exif " + dir.File("plain.jpg"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "- No maker info -\n- No optical info -\n- No Date -\n- No exposure mode -\n- No exposure info -\n");
  r = Run("exif " + dir.File("missing.jpg"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Run("exif").status, 2);
  EXPECT_EQ(Run("exif --japanese " + dir.File("plain.jpg")).status, 2);
}

} // namespace
