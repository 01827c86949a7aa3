// Runs the built quorvex-cli's filter command on files in a temp folder with
// a private settings folder.
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <gtest/gtest.h>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/SegmentList.h"
#include "support/TestSupport.h"

namespace qv {
namespace {

using test::Bytes;
using test::TempDir;

class FilterCli : public ::testing::Test {
protected:
  TempDir dir;
  std::string in = dir.File("in"), out = dir.File("out"), config = dir.File("config");

  void SetUp() override {
    ::mkdir(in.c_str(), 0755);
    ::mkdir(out.c_str(), 0755);
    ::mkdir(config.c_str(), 0755);
  }

  test::CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "filter");
    return test::RunCli(config, args);
  }

  // A small picture carrying an Exif APP1, APP2, APP3, APP13 and a comment.
  Bytes Photo() const {
    test::TiffBuilder t(false);
    const test::TiffBuilder::Ifd ifd = t.AddIfd({t.Rational(TAG_X_RESOLUTION, 180, 1)});
    t.SetIfd0(ifd.offset);
    const Bytes jpeg = test::EncodeJpeg(test::MakeTestPicture(32, 24), 32, 24, 3, 80);
    Bytes b = {0xFF, 0xD8};
    test::Append(b, test::ExifApp1(t.b));
    test::Append(b, test::Segment(0xE2, {'i', 'c', 'c'}));
    test::Append(b, test::Segment(0xE3, {'m', 'e', 't', 'a'}));
    test::Append(b, test::Segment(0xED, {'p', 's'}));
    test::Append(b, test::Segment(0xFE, {'h', 'e', 'l', 'l', 'o'}));
    b.insert(b.end(), jpeg.begin() + 20, jpeg.end());  // after the encoder's JFIF APP0
    return b;
  }

  static std::vector<int> Codes(const std::string& path) {
    CSegmentFile f;
    EXPECT_TRUE(f.Open(path)) << path;
    SegmentList list;
    ParseJpeg(f, list);
    std::vector<int> codes;
    for (const auto& r : list)
      if (r->MarkerCode() >= 0xE0) codes.push_back(r->MarkerCode());
    return codes;
  }
};

TEST_F(FilterCli, UnsetOptionsComeFromTheSectionAndTheSettingsFileIsLeftAlone) {
  test::WriteFileBytes(in + "/a.jpg", Photo());
  const std::string ini = "[bulkfilter]\nRemoveCOM=1\nConvertExif=0\n";
  test::WriteFileText(config + "/quorvex.ini", ini);
  test::CliResult r = Run({"--in", in, "--out", out});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Codes(out + "/a.jpg"), (std::vector<int>{0xE1, 0xE2, 0xE3, 0xED}));
  // The switch wins over the section.
  r = Run({"--in", in, "--out", out, "--convert-exif"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Codes(out + "/a.jpg"), (std::vector<int>{0xE0, 0xE2, 0xE3, 0xED}));
  EXPECT_EQ(test::ReadFileText(config + "/quorvex.ini"), ini);
}

TEST_F(FilterCli, RemoveAppTakesExactlyTheListedNumbers) {
  test::WriteFileBytes(in + "/a.jpg", Photo());
  const test::CliResult r = Run({"--in", in, "--out", out, "--remove-app", "2,13", "--no-convert-exif"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Codes(out + "/a.jpg"), (std::vector<int>{0xE1, 0xE3, 0xFE}));
  EXPECT_FALSE(test::FileExists(config + "/quorvex.ini"));
}

TEST_F(FilterCli, DefaultsConvertExifAndTheMessageCountsFilesAndSavedBytes) {
  const Bytes photo = Photo();
  test::WriteFileBytes(in + "/a.jpg", photo);
  test::WriteFileBytes(in + "/b.JPEG", photo);
  const test::CliResult r = Run({"--in", in, "--out", out});
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<int> codes = Codes(out + "/b.jpg");
  ASSERT_FALSE(codes.empty());
  EXPECT_EQ(codes.front(), 0xE0);
  const long saved = 2 * (static_cast<long>(photo.size()) - static_cast<long>(test::ReadFileBytes(out + "/a.jpg").size()));
  EXPECT_EQ(r.err, "quorvex-cli: 2 files converted     (" + std::to_string(saved) + " バイトの削減)\n");
}

TEST_F(FilterCli, RecurseAndLogWriteTheTreeAndItsLog) {
  ::mkdir((in + "/sub").c_str(), 0755);
  test::WriteFileBytes(in + "/sub/c.jpg", Photo());
  const test::CliResult r = Run({"--in", in, "--out", out, "--recurse", "--log", dir.File("log.htm")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(test::FileExists(out + "/sub/c.jpg"));
  const std::string log = test::ReadFileText(dir.File("log.htm"));
  EXPECT_EQ(log.rfind("<HTML><BODY>\n<A href=\"./sub/c.jpg\">", 0), 0u) << log;
  EXPECT_NE(log.find("width=32 height=24 ("), std::string::npos);
}

TEST_F(FilterCli, AFailedFileGivesStatusOneAndMissingRootsAreNamed) {
  test::WriteFileBytes(in + "/a.jpg", Photo());
  test::WriteFileText(in + "/broken.jpg", "not a picture");
  test::CliResult r = Run({"--in", in, "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quorvex-cli: 1 files converted     ("), std::string::npos) << r.err;

  r = Run({"--in", dir.File("nowhere"), "--out", out});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("BulkFlt:転送元ディレクトリが存在しません\nquorvex-cli: " + dir.File("nowhere") + "\n"), std::string::npos) << r.err;
  r = Run({"--in", in, "--out", dir.File("nowhere")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("BulkFlt:転送先ディレクトリが存在しません\nquorvex-cli: " + dir.File("nowhere") + "\n"), std::string::npos) << r.err;
}

TEST_F(FilterCli, WrongUsageGivesStatusTwoAndWritesNothing) {
  test::WriteFileBytes(in + "/a.jpg", Photo());
  const std::vector<std::vector<std::string>> wrong = {
      {"--in", in},
      {"--in", in, "--out", out, "--remove-app", "16"},
      {"--in", in, "--out", out, "--remove-app", "1,,2"},
      {"--in", in, "--out", out, "--remove-app"},
      {"--in", in, "--out", out, "--no-english"},
      {"--in", in, "--out", out, "stray"},
  };
  for (const auto& args : wrong) {
    const test::CliResult r = Run(args);
    EXPECT_EQ(r.status, 2) << args.back();
    EXPECT_NE(r.err.find("usage: quorvex-cli filter"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(test::FileExists(out + "/a.jpg"));
}

} // namespace
} // namespace qv
