// The command line against what a hostile user hands it: pipes and devices
// as inputs, a full device as standard output, unreadable pictures, names
// that look like options. Every run is bounded, so a hang fails instead of
// stalling the suite.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/AppHelpers.h"
#include "jpegmeta/SegmentFile.h"
#include "support/TestSupport.h"

namespace qv {
namespace {

using test::TempDir;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct Outcome {
  int status = -1;  // 137 when the time limit killed it
  std::string err;
  std::string out;
  double seconds = 0;
};

class SpecialFilesCli : public ::testing::Test {
protected:
  TempDir dir;
  std::string photo = dir.File("photo.jpg");
  std::string fifo = dir.File("pipe.jpg");

  void SetUp() override {
    ASSERT_EQ(::mkdir(dir.File("config").c_str(), 0755), 0);
    test::WriteFileBytes(photo, test::EncodeJpeg(test::MakeTestPicture(32, 24), 32, 24, 3, 85));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  }

  // Runs in the test folder, standard output to `stdoutTo` (else caught).
  Outcome Cli(const std::vector<std::string>& args, const std::string& stdoutTo = "") {
    std::string cmd = "cd " + Quote(dir.Path()) + " && timeout -s KILL 20 " + Quote(QUORVEX_CLI_PATH) +
                      " --config " + Quote(dir.File("config"));
    for (const std::string& a : args) cmd += " " + Quote(a);
    cmd += " >" + Quote(stdoutTo.empty() ? dir.File("out.txt") : stdoutTo) + " 2>" + Quote(dir.File("err.txt")) +
           " </dev/null";
    const auto start = std::chrono::steady_clock::now();
    const int raw = std::system(cmd.c_str());
    Outcome r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.status = raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = test::ReadFileText(dir.File("err.txt"));
    if (stdoutTo.empty()) r.out = test::ReadFileText(dir.File("out.txt"));
    return r;
  }

  static std::vector<std::vector<std::string>> Readers(const std::string& path) {
    return {{"info", path},   {"exif", path},       {"markers", path},           {"save", path, "-o", "o.png"},
            {"dqt", "--read", path}, {"separate", path, "-o", "parts"}};
  }
};

// ---- inputs that are no regular files ----

TEST_F(SpecialFilesCli, EveryReadingCommandRefusesAPipeAtOnce) {
  const std::string link = dir.File("link.jpg");
  ASSERT_EQ(::symlink(fifo.c_str(), link.c_str()), 0);
  for (const std::string& path : {fifo, link}) {
    for (const auto& args : Readers(path)) {
      const Outcome r = Cli(args);
      EXPECT_EQ(r.status, 1) << args[0] << " " << path;
      EXPECT_EQ(r.err, "quorvex-cli: " + path + ": not a regular file\n") << args[0];
      EXPECT_LT(r.seconds, 5.0) << args[0];
    }
  }
  EXPECT_FALSE(test::FileExists(dir.File("o.png")));
  EXPECT_FALSE(test::FileExists(dir.File("parts")));
}

TEST_F(SpecialFilesCli, ConvertPassesOverAPipeInItsFolderAndRefusesOneNamed) {
  ASSERT_EQ(::mkdir(dir.File("in").c_str(), 0755), 0);
  ASSERT_EQ(::rename(fifo.c_str(), dir.File("in/pipe.jpg").c_str()), 0);
  ASSERT_EQ(::rename(photo.c_str(), dir.File("in/photo.jpg").c_str()), 0);
  Outcome r = Cli({"convert", "--in", dir.File("in"), "--out", dir.File("out")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("1 files converted."), std::string::npos) << r.err;
  r = Cli({"convert", "--out", dir.File("out2"), dir.File("in/photo.jpg"), dir.File("in/pipe.jpg")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: " + dir.File("in/pipe.jpg") + ": not a regular file\n");
  EXPECT_FALSE(test::FileExists(dir.File("out2")));
}

TEST_F(SpecialFilesCli, DevicesThatNeverEndAreRefused) {
  for (const std::string device : {"/dev/zero", "/dev/null"}) {
    for (const auto& args : Readers(device)) {
      const Outcome r = Cli(args);
      EXPECT_EQ(r.status, 1) << args[0] << " " << device;
      EXPECT_EQ(r.err, "quorvex-cli: " + device + ": not a regular file\n") << args[0];
    }
  }
}

TEST_F(SpecialFilesCli, MissingFilesAndFoldersKeepTheirOwnMessages) {
  const std::string missing = dir.File("none.jpg");
  Outcome r = Cli({"info", missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: Jpeg file open error  '" + missing + "'\nquorvex-cli: " + missing +
                       ": No such file or directory\n");
  r = Cli({"exif", dir.Path()});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: Exif:Can't open the file.\nquorvex-cli: " + dir.Path() + ": is a folder\n");
  r = Cli({"markers", missing});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: JpegMarker:Can't open the file.\nquorvex-cli: " + missing + ": No such file or directory\n");
}

TEST_F(SpecialFilesCli, FileKindChecksOpenNothingAndNameTheReason) {
  std::string reason;
  EXPECT_TRUE(IsRegularFile(photo, &reason));
  EXPECT_FALSE(IsRegularFile(fifo, &reason));
  EXPECT_EQ(reason, "not a regular file");
  EXPECT_FALSE(IsRegularFile(dir.Path(), &reason));
  EXPECT_EQ(reason, "is a folder");
  EXPECT_FALSE(IsRegularFile(dir.File("none"), &reason));
  EXPECT_EQ(reason, "No such file or directory");
  EXPECT_FALSE(IsRegularFile("/dev/zero", nullptr));

  EXPECT_TRUE(IsSpecialFile(fifo));
  EXPECT_TRUE(IsSpecialFile("/dev/zero"));
  EXPECT_FALSE(IsSpecialFile(photo));
  EXPECT_FALSE(IsSpecialFile(dir.Path()));
  EXPECT_FALSE(IsSpecialFile(dir.File("none")));
}

// With no writer, a blocking open of the pipe would never return.
TEST_F(SpecialFilesCli, SegmentReaderRefusesPipesAndDevicesWithoutWaiting) {
  CSegmentFile f;
  EXPECT_FALSE(f.Open(fifo));
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(f.Open("/dev/zero"));
  EXPECT_FALSE(f.Open(dir.Path()));
  ASSERT_TRUE(f.Open(photo));
  EXPECT_EQ(f.Length(), static_cast<int64_t>(test::ReadFileBytes(photo).size()));
  EXPECT_EQ(f.GetByte(), 0xFF);
  EXPECT_EQ(f.GetByte(), 0xD8);
}

// ---- standard output ----

TEST_F(SpecialFilesCli, OutputLostOnAFullDeviceIsAnError) {
  std::string table;
  for (int i = 0; i < 128; ++i) table += "9,";
  test::WriteFileText(dir.File("t.dqt"), table);
  const std::vector<std::vector<std::string>> printers = {
      {"info", photo},         {"exif", photo},         {"markers", photo},
      {"dqt", "--read", dir.File("t.dqt")}, {"dqt", "--quality", "75"}, {"separate", photo, "-o", "parts"},
  };
  for (const auto& args : printers) {
    const Outcome r = Cli(args, "/dev/full");
    EXPECT_EQ(r.status, 1) << args[0] << " " << args[1];
    EXPECT_EQ(r.err, "quorvex-cli: write error: No space left on device\n") << args[0] << " " << args[1];
  }
  // The files were written; only their list was lost.
  EXPECT_TRUE(test::FileExists(dir.File("parts/photo_Y.bmp")));
}

TEST_F(SpecialFilesCli, OutputThatArrivesGivesStatusZero) {
  for (const auto& args : std::vector<std::vector<std::string>>{{"info", photo}, {"markers", photo}}) {
    const Outcome r = Cli(args, "/dev/null");
    EXPECT_EQ(r.status, 0) << args[0] << r.err;
    EXPECT_EQ(r.err, "");
  }
}

// ---- load errors ----

// A picture whose frame claims 12-bit samples, which the 8-bit library refuses.
std::vector<uint8_t> TwelveBitPicture() {
  std::vector<uint8_t> b = test::EncodeJpeg(test::MakeTestPicture(16, 16), 16, 16, 3, 85);
  for (size_t i = 2; i + 4 < b.size(); ++i)
    if (b[i] == 0xFF && b[i + 1] == 0xC0) {
      b[i + 4] = 12;
      break;
    }
  return b;
}

TEST_F(SpecialFilesCli, TheLibrarysReasonFollowsTheLoadError) {
  const std::string p = dir.File("deep.jpg");
  test::WriteFileBytes(p, TwelveBitPicture());
  const std::string want =
      "quorvex-cli: Jpeg file error  '" + p + "'\nquorvex-cli: Unsupported JPEG data precision 12\n";
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"info", p}, {"save", p, "-o", "o.bmp"}, {"separate", p, "-o", "parts"}}) {
    const Outcome r = Cli(args);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, want) << args[0];
  }
}

TEST_F(SpecialFilesCli, AnErrorWithoutALibraryReasonIsOneLine) {
  const std::string p = dir.File("broken.jpg");
  test::WriteFileText(p, "not a picture");
  Outcome r = Cli({"save", p, "-o", "o.bmp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: Broken file  '" + p + "'\n");
  const std::string png = dir.File("x.png");
  test::WriteFileText(png, "whatever");
  r = Cli({"separate", png, "-o", "parts"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: " + png + ": not a JPEG file name (.jpg, .jpeg, .jif, .jfif)\n");
}

// ---- names that start with '-' ----

TEST_F(SpecialFilesCli, DoubleDashEndsTheOptionsOfEveryCommand) {
  test::WriteFileBytes(dir.File("-x.jpg"), test::ReadFileBytes(photo));
  std::string table;
  for (int i = 0; i < 128; ++i) table += "7,";
  test::WriteFileText(dir.File("-q.dqt"), table);
  ::mkdir(dir.File("in").c_str(), 0755);
  ::mkdir(dir.File("out").c_str(), 0755);
  const std::vector<std::vector<std::string>> runs = {
      {"info", "--", "-x.jpg"},
      {"exif", "--english", "--", "-x.jpg"},
      {"markers", "--", "-x.jpg"},
      {"save", "-o", "-y.png", "--", "-x.jpg"},
      {"separate", "-o", "parts", "--", "-x.jpg"},
      {"dqt", "--read", "-q.dqt", "--"},
      {"dqt", "--quality", "75", "--"},
      {"filter", "--in", "in", "--out", "out", "--"},
  };
  for (const auto& args : runs) {
    const Outcome r = Cli(args);
    EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
  }
  EXPECT_TRUE(test::FileExists(dir.File("-y.png")));
  EXPECT_TRUE(test::FileExists(dir.File("parts/-x_Y.bmp")));
  EXPECT_EQ(Cli({"markers", "--", "-x.jpg"}).out, Cli({"markers", photo}).out);
}

TEST_F(SpecialFilesCli, ADashNameBeforeDoubleDashIsAnUnknownOptionEverywhere) {
  test::WriteFileBytes(dir.File("-x.jpg"), test::ReadFileBytes(photo));
  for (const auto& args : std::vector<std::vector<std::string>>{{"info", "-x.jpg"},
                                                                {"exif", "-x.jpg"},
                                                                {"markers", "-x.jpg"},
                                                                {"save", "-x.jpg", "-o", "o.png"},
                                                                {"separate", "-x.jpg", "-o", "parts"}}) {
    const Outcome r = Cli(args);
    EXPECT_EQ(r.status, 2) << args[0];
    EXPECT_NE(r.err.find("quorvex-cli: unknown option '-x.jpg' (a file name starting with '-' goes after --)\n"
                         "usage: quorvex-cli " + args[0]),
              std::string::npos)
        << r.err;
  }
  // After "--" even "--" is a name, and no command takes operands it has no use for.
  Outcome r = Cli({"info", "--", "--"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quorvex-cli: Jpeg file open error  '--'\nquorvex-cli: --: No such file or directory\n");
  r = Cli({"dqt", "--quality", "75", "--", "-o"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("unexpected argument '-o'"), std::string::npos) << r.err;
  r = Cli({"save", "-o", "o.png", "--", photo, "--quality"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("only one input file"), std::string::npos) << r.err;
}

// ---- the bulk filter without a log ----

TEST_F(SpecialFilesCli, FilterNamesEachFailedFileAndWhy) {
  const std::string in = dir.File("in"), out = dir.File("out");
  ::mkdir(in.c_str(), 0755);
  ::mkdir(out.c_str(), 0755);
  ::mkdir((in + "/sub").c_str(), 0755);
  test::WriteFileBytes(in + "/a.jpg", test::ReadFileBytes(photo));
  test::WriteFileBytes(in + "/b.jpg", test::ReadFileBytes(photo));
  test::WriteFileText(in + "/broken.jpg", "not a picture");
  test::WriteFileBytes(in + "/sub/c.jpg", test::ReadFileBytes(photo));
  // A read-only destination is never overwritten; a file where a folder
  // must go leaves the folder's files unwritten.
  test::WriteFileText(out + "/b.jpg", "keep");
  ASSERT_EQ(::chmod((out + "/b.jpg").c_str(), 0444), 0);
  test::WriteFileText(out + "/sub", "in the way");

  const Outcome r = Cli({"filter", "--in", in, "--out", out, "--recurse"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quorvex-cli: " + in + "/b.jpg: cannot be written to " + out + "/b.jpg\n"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("quorvex-cli: " + in + "/broken.jpg: not a JPEG file\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quorvex-cli: " + in + "/sub/c.jpg: cannot create the folder " + out + "/sub\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find(in + "/a.jpg"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("quorvex-cli: 1 files converted     ("), std::string::npos) << r.err;
  EXPECT_EQ(test::ReadFileText(out + "/b.jpg"), "keep");
}

TEST_F(SpecialFilesCli, FilterWithALogKeepsItsLinesAndStillNamesTheFailures) {
  const std::string in = dir.File("in"), out = dir.File("out");
  ::mkdir(in.c_str(), 0755);
  ::mkdir(out.c_str(), 0755);
  test::WriteFileText(in + "/broken.jpg", "not a picture");
  const Outcome r = Cli({"filter", "--in", in, "--out", out, "--log", dir.File("log.htm")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("quorvex-cli: " + in + "/broken.jpg: not a JPEG file\n"), std::string::npos) << r.err;
  EXPECT_NE(test::ReadFileText(dir.File("log.htm")).find("[Can't open file : " + in + "/broken.jpg]"),
            std::string::npos);
}

} // namespace
} // namespace qv
