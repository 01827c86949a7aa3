// The conventions every command shares, run as a user runs the tool: help,
// version, option spellings, usage messages, --quiet, the message format.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace qv {
namespace {

using test::CliResult;
using test::TempDir;

const char* const kCommands[] = {"convert", "filter", "markers", "exif", "info", "save", "separate", "dqt"};

class CommandLine : public ::testing::Test {
protected:
  TempDir dir;
  std::string photo = dir.File("photo.jpg");
  void SetUp() override {
    ::mkdir(dir.File("in").c_str(), 0755);
    test::WriteFileBytes(photo, test::EncodeJpeg(test::MakeTestPicture(64, 48), 64, 48, 3, 85));
  }
  CliResult Run(const std::vector<std::string>& args) { return test::RunCli(dir.File("config"), args); }
  // Every line of stderr as the message format has it.
  static void ExpectMessageLines(const std::string& err) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);) {
      if (line.rfind("usage: ", 0) == 0 || line.rfind("Try '", 0) == 0) continue;
      EXPECT_EQ(line.rfind("quorvex-cli: ", 0), 0u) << line;
      EXPECT_TRUE(line.back() != ' ' && line.back() != '\t') << "'" << line << "'";
    }
  }
};

TEST_F(CommandLine, VersionPrintsTheProjectsVersion) {
  const CliResult r = Run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(std::regex_match(r.out, std::regex("quorvex-cli [0-9]+\\.[0-9]+(\\.[0-9]+)?\n"))) << r.out;
  EXPECT_EQ(r.err, "");
}

TEST_F(CommandLine, ToolHelpListsEveryCommandOnStdout) {
  const CliResult r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out.rfind("usage: quorvex-cli ", 0), 0u) << r.out;
  for (const char* c : kCommands) EXPECT_NE(r.out.find(std::string("\n  ") + c + " "), std::string::npos) << c;
  EXPECT_NE(r.out.find("--version"), std::string::npos);
  EXPECT_EQ(Run({"-h"}).out, r.out);
  EXPECT_EQ(Run({"help"}).out, r.out);
}

TEST_F(CommandLine, CommandHelpIsTheSameBothWaysAndTellsWhereDefaultsComeFrom) {
  for (const char* c : kCommands) {
    const CliResult a = Run({c, "--help"});
    EXPECT_EQ(a.status, 0) << c;
    EXPECT_EQ(a.err, "") << c;
    EXPECT_EQ(a.out.rfind(std::string("usage: quorvex-cli ") + c + " ", 0), 0u) << a.out;
    EXPECT_NE(a.out.find("-h, --help"), std::string::npos) << c;
    EXPECT_EQ(Run({"help", c}).out, a.out) << c;
  }
  const std::string convert = Run({"convert", "--in", "x", "-h"}).out;
  EXPECT_NE(convert.find("-q, --quality=Q"), std::string::npos) << convert;
  EXPECT_NE(convert.find("default: [bulkconv] JpegQuality, else 75"), std::string::npos) << convert;
  EXPECT_NE(convert.find("[bulkconv] SrcDirectory"), std::string::npos);
  EXPECT_NE(convert.find("[bulkconv] StrExtFilter"), std::string::npos);
  const std::string filter = Run({"filter", "--help"}).out;
  EXPECT_NE(filter.find("--[no-]convert-exif"), std::string::npos) << filter;
  EXPECT_NE(filter.find("default: [bulkfilter] ConvertExif, else 1"), std::string::npos) << filter;
}

TEST_F(CommandLine, UnknownCommandsAndAMissingCommandAreUsage) {
  CliResult r = Run({"help", "frob"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("quorvex-cli: unknown command 'frob'\nusage: quorvex-cli ", 0), 0u) << r.err;
  r = Run({"frob"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("quorvex-cli: unknown command 'frob'\n", 0), 0u) << r.err;
  r = Run({});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("usage: quorvex-cli "), std::string::npos);
}

TEST_F(CommandLine, EverySpellingOfAnOptionGivesTheSameResult) {
  const std::vector<std::vector<std::string>> spellings = {
      {"save", photo, "--quality=40", "--out=" + dir.File("a.jpg")},
      {"save", photo, "--quality", "40", "--out", dir.File("b.jpg")},
      {"save", "-q", "40", "-o", dir.File("c.jpg"), photo},
      {"save", "-q40", "-o" + dir.File("d.jpg"), "--", photo},
  };
  for (const auto& args : spellings) {
    const CliResult r = Run(args);
    EXPECT_EQ(r.status, 0) << r.err;
  }
  const auto a = test::ReadFileBytes(dir.File("a.jpg"));
  ASSERT_FALSE(a.empty());
  for (const char* name : {"b.jpg", "c.jpg", "d.jpg"}) EXPECT_EQ(test::ReadFileBytes(dir.File(name)), a) << name;
  EXPECT_EQ(Run({"exif", photo, "--english"}).out, Run({"exif", "--english", photo}).out);
}

TEST_F(CommandLine, ABadValueIsUsageThatNamesTheOptionAndWhatItTakes) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"save", photo, "-o", "o.jpg", "--quality", "abc"}, "--quality: 'abc' is not a number from 1 to 100"},
      {{"save", photo, "-o", "o.jpg", "--gamma=5"}, "--gamma: '5' is not a number from 0.01 to 4.99"},
      {{"save", photo, "-o", "o.jpg", "--contrast", "-256"}, "--contrast: '-256' is not a number from -255 to 255"},
      {{"dqt", "-q"}, "--quality: missing value (a number from 1 to 100)"},
      {{"exif", "--english=yes", photo}, "--english takes no value"},
      {{"info", "--bogus=1", photo}, "unknown option '--bogus' (a file name starting with '-' goes after --)"},
      {{"filter", "--re"}, "option '--re' is ambiguous: --recurse, --remove-thumb, --remove-jfxx, --remove-app, "
                           "--remove-com"},
      {{"--config"}, "--config: missing value (a path)"},
  };
  for (const auto& c : cases) {
    const CliResult r = Run(c.first);
    EXPECT_EQ(r.status, 2) << c.second;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("quorvex-cli: " + c.second + "\nusage: quorvex-cli ", 0), 0u) << r.err;
  }
  EXPECT_FALSE(test::FileExists("o.jpg"));
}

TEST_F(CommandLine, QuietBeforeOrAfterTheCommandLeavesOnlyErrors) {
  test::WriteFileBytes(dir.File("in/a.jpg"), test::ReadFileBytes(photo));
  CliResult r = Run({"--quiet", "convert", "--in", dir.File("in"), "--out", dir.File("dcim")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(test::FileExists(dir.File("dcim/Imag0001.jpg")));
  ::mkdir(dir.File("f").c_str(), 0755);
  r = Run({"filter", "--in", dir.File("in"), "--out", dir.File("f"), "--quiet"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  test::WriteFileText(dir.File("in/broken.jpg"), "not a picture");
  r = Run({"filter", "--quiet", "--in", dir.File("in"), "--out", dir.File("f")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: " + dir.File("in/broken.jpg") + ": not a JPEG file\n");
}

TEST_F(CommandLine, EveryMessageLineBeginsWithTheToolsNameAndEndsWithoutBlanks) {
  test::WriteFileBytes(dir.File("in/a.jpg"), test::ReadFileBytes(photo));
  test::WriteFileText(dir.File("in/b.jpg"), "broken");
  const CliResult convert = Run({"convert", "--in", dir.File("in"), "--out", dir.File("dcim")});
  EXPECT_EQ(convert.status, 1);
  // The core's texts: the caption on the first line, each further line named too.
  EXPECT_NE(convert.err.find("quorvex-cli: JPEG File Load: Broken file  '" + dir.File("in/b.jpg") +
                             "'\nquorvex-cli: Skip convert.\n"),
            std::string::npos)
      << convert.err;
  EXPECT_NE(convert.err.find("quorvex-cli: Batch Convert: 1 files converted.\n"), std::string::npos);
  ExpectMessageLines(convert.err);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"filter", "--in", dir.File("none"), "--out", dir.File("f")},
           {"markers", dir.File("in")},
           {"dqt", "--read", dir.File("none.dqt")},
           {"separate", photo, "-o", dir.File("in/a.jpg/parts")},
           {"save", "-q", "x", photo}}) {
    const CliResult r = Run(args);
    EXPECT_NE(r.status, 0) << args[0];
    EXPECT_FALSE(r.err.empty()) << args[0];
    ExpectMessageLines(r.err);
  }
}

} // namespace
} // namespace qv
