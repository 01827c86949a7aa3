// quorvex-cli convert, run as a user would run it.
#include <gtest/gtest.h>

#include <cstdio>
#include <sys/stat.h>

#include "support/TestSupport.h"

namespace {

using qv::test::TempDir;

class ConvertCli : public ::testing::Test {
protected:
  TempDir dir;
  void SetUp() override { ::mkdir(dir.File("in").c_str(), 0755); }
  void Photo(const std::string& name, int w, int h, unsigned seed = 1) {
    qv::test::WriteFileBytes(dir.File("in/" + name),
                             qv::test::EncodeJpeg(qv::test::MakeTestPicture(w, h, seed), w, h, 3, 85));
  }
  qv::test::CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return qv::test::RunCli(dir.File("config"), args);
  }
};

TEST_F(ConvertCli, ConvertsTheFolderInListOrderAndCreatesTheOutput) {
  Photo("b.jpg", 300, 200, 2);
  Photo("A.jpg", 200, 300, 1);
  qv::test::WriteFileText(dir.File("in/notes.txt"), "ignored by the extension list");
  const auto r = Run({"--in", dir.File("in"), "--out", dir.File("out/dcim"), "--start", "42"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("quorvex-cli: Batch Convert: 2 files converted.\n"), std::string::npos) << r.err;
  // A.jpg sorts first: it is the portrait one.
  qv::test::DecodedJpeg first;
  ASSERT_TRUE(qv::test::DecodeJpeg(qv::test::ReadFileBytes(dir.File("out/dcim/Imag0042.jpg")), first));
  EXPECT_EQ(first.width, 1024);
  EXPECT_EQ(first.height, 768);
  EXPECT_TRUE(qv::test::FileExists(dir.File("out/dcim/Imag0043.jpg")));
  // The command line leaves the dialog's settings alone.
  EXPECT_FALSE(qv::test::FileExists(dir.File("config/quorvex.ini")));
}

TEST_F(ConvertCli, SeveralJobsWriteTheSameBytesUnderTheSameNumbers) {
  for (int i = 0; i < 5; ++i) Photo("p" + std::to_string(i) + ".jpg", 400 + 40 * i, 300 + 10 * i, static_cast<unsigned>(i));
  qv::test::WriteFileText(dir.File("in/p2.jpg"), "broken");
  const auto one = Run({"--in", dir.File("in"), "--out", dir.File("one"), "--start", "9998"});
  const auto two = Run({"--in", dir.File("in"), "--out", dir.File("two"), "--start", "9998", "--jobs", "2"});
  EXPECT_EQ(one.status, 1);  // one file was skipped
  EXPECT_EQ(two.status, 1);
  for (const char* name : {"Imag9998.jpg", "Imag9999.jpg", "Imag0002.jpg", "Imag0003.jpg"}) {
    const auto a = qv::test::ReadFileBytes(dir.File(std::string("one/") + name));
    ASSERT_FALSE(a.empty()) << name;
    EXPECT_EQ(a, qv::test::ReadFileBytes(dir.File(std::string("two/") + name))) << name;
  }
  EXPECT_FALSE(qv::test::FileExists(dir.File("one/Imag0001.jpg")));  // the broken file's number
  EXPECT_FALSE(qv::test::FileExists(dir.File("two/Imag0001.jpg")));
  EXPECT_NE(one.err.find("Broken file  '" + dir.File("in/p2.jpg") + "'\nquorvex-cli: Skip convert.\n"), std::string::npos);
  EXPECT_NE(two.err.find("4 files converted."), std::string::npos);
}

TEST_F(ConvertCli, AnyNumberOfJobsSaysWhatOneJobSaysInTheSameOrder) {
  // A large first photo, so that later files finish before it.
  Photo("a0.jpg", 2400, 1800, 1);
  for (int i = 1; i < 7; ++i) Photo("a" + std::to_string(i) + ".jpg", 64 + 8 * i, 48, static_cast<unsigned>(i));
  qv::test::WriteFileText(dir.File("in/a2.jpg"), "broken");
  qv::test::WriteFileText(dir.File("in/a5.jpg"), "also broken");
  const auto one = Run({"--in", dir.File("in"), "--out", dir.File("j1"), "-v", "--jobs", "1"});
  EXPECT_EQ(one.status, 1);
  EXPECT_NE(one.out.find(dir.File("in/a2.jpg") + " skipped\n"), std::string::npos) << one.out;
  for (const char* jobs : {"2", "3", ""}) {
    std::vector<std::string> args = {"--in", dir.File("in"), "--out", dir.File(std::string("j") + jobs), "-v"};
    if (*jobs) args.insert(args.end(), {"--jobs", jobs});  // none: one per core
    const auto r = Run(args);
    EXPECT_EQ(r.status, one.status) << jobs;
    EXPECT_EQ(r.out, one.out) << jobs;
    EXPECT_EQ(r.err, one.err) << jobs;
  }
}

TEST_F(ConvertCli, NamedFilesInTheOrderGivenAndAnotherSize) {
  Photo("x.jpg", 320, 240);
  Photo("y.jpg", 100, 100);
  const auto r = Run({"--out", dir.File("out"), "--size", "640x480", "--quality", "50", dir.File("in/y.jpg"),
                      dir.File("in/x.jpg")});
  ASSERT_EQ(r.status, 0) << r.err;
  qv::test::DecodedJpeg y;
  ASSERT_TRUE(qv::test::DecodeJpeg(qv::test::ReadFileBytes(dir.File("out/Imag0001.jpg")), y));
  EXPECT_EQ(y.width, 640);
  EXPECT_EQ(y.height, 480);
  // A square picture on a 4:3 canvas leaves black columns at the sides.
  EXPECT_LT(y.pixels[(240 * 640 + 5) * 3], 16);
}

TEST_F(ConvertCli, UsageAndDialogChecks) {
  EXPECT_EQ(Run({"--jobs", "0"}).status, 2);
  EXPECT_EQ(Run({"--size", "12"}).status, 2);
  EXPECT_EQ(Run({"--bogus"}).status, 2);
  const auto same = Run({"--in", dir.File("in"), "--out", dir.File("in")});
  EXPECT_EQ(same.status, 1);
  EXPECT_NE(same.err.find("quorvex-cli: Batch Convert: Input and Output is same directory.\n"), std::string::npos);
  const auto range = Run({"--in", dir.File("in"), "--out", dir.File("o"), "--start", "10000"});
  EXPECT_EQ(range.status, 2);  // the parser's range is the dialog's
  EXPECT_NE(range.err.find("quorvex-cli: --start: '10000' is not a number from 1 to 9999 or 'next'\n"),
            std::string::npos)
      << range.err;
  const auto empty = Run({"--in", dir.File("in"), "--out", dir.File("o")});
  EXPECT_EQ(empty.status, 1);
  EXPECT_NE(empty.err.find("File list is empty!"), std::string::npos);
  const auto missing = Run({"--in", dir.File("nowhere"), "--out", dir.File("o")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_FALSE(qv::test::FileExists(dir.File("nowhere")));  // the command line does not make input folders
}

TEST_F(ConvertCli, AnOutputThatCannotBeWrittenStopsTheRun) {
  Photo("a.jpg", 200, 150);
  Photo("b.jpg", 200, 150);
  qv::test::WriteFileText(dir.File("blocker"), "a file where the output folder should be");
  const auto r = Run({"--in", dir.File("in"), "--out", dir.File("blocker/out")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Can't create the directory."), std::string::npos) << r.err;
  ::mkdir(dir.File("out").c_str(), 0755);
  ::mkdir(dir.File("out/Imag0001.jpg").c_str(), 0755);  // a folder in the way of the first file
  const auto stopped = Run({"--in", dir.File("in"), "--out", dir.File("out")});
  EXPECT_EQ(stopped.status, 1);
  // The thumbnail is made in memory, so the device file's own save is the one that fails.
  EXPECT_NE(stopped.err.find("File save error!  '" + dir.File("out/Imag0001.jpg") + "'\nquorvex-cli: Convert stopped.\n"),
            std::string::npos)
      << stopped.err;
  EXPECT_EQ(stopped.err.find("files converted"), std::string::npos);
  EXPECT_FALSE(qv::test::FileExists(dir.File("out/Imag0002.jpg")));
}

TEST_F(ConvertCli, CameraCorpusAndSamplesBecomeDeviceFiles) {
  std::vector<std::string> files = qv::test::ListJpegFiles(QUORVEX_SAMPLES_DIR);
  const std::string corpus = qv::test::CorpusDir();
  for (const std::string& f : corpus.empty() ? std::vector<std::string>() : qv::test::ListJpegFiles(corpus))
    files.push_back(f);
  ASSERT_FALSE(files.empty());
  std::vector<std::string> args = {"--out", dir.File("out"), "--jobs", "2"};
  args.insert(args.end(), files.begin(), files.end());
  const auto r = Run(args);
  EXPECT_LE(r.status, 1) << r.err;  // files the reader refuses are skipped with their message
  int made = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "out/Imag%04d.jpg", static_cast<int>(i + 1));
    if (!qv::test::FileExists(dir.File(name))) continue;
    const auto bytes = qv::test::ReadFileBytes(dir.File(name));
    qv::test::DecodedJpeg d;
    ASSERT_TRUE(qv::test::DecodeJpeg(bytes, d)) << files[i];
    EXPECT_EQ(d.width, 1024) << files[i];
    EXPECT_EQ(d.height, 768) << files[i];
    EXPECT_EQ(d.hSamp, 2) << files[i];
    EXPECT_EQ(d.vSamp, 1) << files[i];
    EXPECT_FALSE(d.progressive) << files[i];
    ASSERT_GT(bytes.size(), 12u + 262u);
    EXPECT_EQ(bytes[3], 0xE1) << files[i];
    ++made;
  }
  EXPECT_GE(made, static_cast<int>(files.size()) - 2);
}

} // namespace
