// quorvex-cli convert where photos could be lost: the output folder spelled
// as the input folder, a full disk, an interrupted run, impossible sizes.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/TestSupport.h"

namespace {

using qv::test::TempDir;

class ConvertSafety : public ::testing::Test {
protected:
  TempDir dir;
  void SetUp() override { ::mkdir(dir.File("in").c_str(), 0755); }
  std::string Photo(const std::string& name, int w, int h, unsigned seed = 1) {
    const std::string path = dir.File("in/" + name);
    qv::test::WriteFileBytes(path, qv::test::EncodeJpeg(qv::test::MakeTestPicture(w, h, seed), w, h, 3, 85));
    return path;
  }
  qv::test::CliResult Run(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return qv::test::RunCli(dir.File("config"), args);
  }
};

// Every ImagNNNN.jpg decodes whole and carries the Exif thumbnail; nothing
// else (no temporary, hidden or not) is left in the folder.
void ExpectOnlyWholeDeviceFiles(const std::string& folder, size_t* count = nullptr) {
  size_t n = 0;
  for (const std::string& name : qv::test::FolderEntries(folder)) {
    ASSERT_EQ(name.rfind("Imag", 0), 0u) << name;
    const auto bytes = qv::test::ReadFileBytes(folder + "/" + name);
    qv::test::DecodedJpeg d;
    ASSERT_TRUE(qv::test::DecodeJpeg(bytes, d)) << name;
    EXPECT_EQ(d.width, 1024) << name;
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(bytes[3], 0xE1) << name;
    ++n;
  }
  if (count) *count = n;
}

TEST_F(ConvertSafety, TheInputFolderUnderAnotherSpellingIsRefusedAndNoPhotoChanges) {
  Photo("Imag0001.jpg", 320, 240, 1);  // a source named like a device file
  Photo("b.jpg", 300, 200, 2);
  const auto before = qv::test::ReadFileBytes(dir.File("in/Imag0001.jpg"));
  ASSERT_EQ(::symlink(dir.File("in").c_str(), dir.File("link").c_str()), 0);
  for (const std::string& out : {dir.File("in/"), dir.File("in/."), dir.File("in/../in"), dir.File("link")}) {
    const auto r = Run({"--in", dir.File("in"), "--out", out});
    EXPECT_EQ(r.status, 1) << out;
    EXPECT_NE(r.err.find("Input and Output is same directory."), std::string::npos) << out << r.err;
  }
  EXPECT_EQ(qv::test::ReadFileBytes(dir.File("in/Imag0001.jpg")), before);
  EXPECT_EQ(qv::test::FolderEntries(dir.File("in")), (std::vector<std::string>{"Imag0001.jpg", "b.jpg"}));
}

TEST_F(ConvertSafety, ATargetThatIsOneOfTheSourcesStopsTheRunBeforeAnyWrite) {
  ::mkdir(dir.File("out").c_str(), 0755);
  const std::string a = Photo("a.jpg", 320, 240, 1);
  const std::string kept = dir.File("out/Imag0002.jpg");
  qv::test::WriteFileBytes(kept, qv::test::ReadFileBytes(Photo("k.jpg", 300, 200, 3)));
  const auto before = qv::test::ReadFileBytes(kept);
  // The second file would become Imag0002.jpg, which is that file itself.
  auto r = Run({"--out", dir.File("out"), a, kept});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("The output file '" + kept + "' is one of the source files."), std::string::npos) << r.err;
  EXPECT_EQ(qv::test::FolderEntries(dir.File("out")), (std::vector<std::string>{"Imag0002.jpg"}));
  EXPECT_EQ(qv::test::ReadFileBytes(kept), before);
  // A hard link is the same file under another name.
  ::unlink(dir.File("in/k.jpg").c_str());
  ASSERT_EQ(::link(kept.c_str(), dir.File("in/k.jpg").c_str()), 0);
  r = Run({"--in", dir.File("in"), "--out", dir.File("out")});  // a.jpg -> 0001, k.jpg -> 0002
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(qv::test::ReadFileBytes(kept), before);
  // An output folder inside the input folder is fine.
  r = Run({"--in", dir.File("in"), "--out", dir.File("in/device")});
  EXPECT_EQ(r.status, 0) << r.err;
  ExpectOnlyWholeDeviceFiles(dir.File("in/device"));
}

TEST_F(ConvertSafety, SizesThatCannotBeMadeAreRefusedWithoutACrash) {
  Photo("a.jpg", 64, 48);
  auto r = Run({"--in", dir.File("in"), "--out", dir.File("out"), "--size", "2147483647x2147483647"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_NE(r.err.find("--size"), std::string::npos);
  // Within the flag's range but beyond memory: the resampler's own message, the run stops.
  r = Run({"--in", dir.File("in"), "--out", dir.File("out"), "--size", "65500x65500"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Resize:"), std::string::npos) << r.err;
  EXPECT_TRUE(qv::test::FolderEntries(dir.File("out")).empty());
  r = qv::test::RunCli(dir.File("config"), {"save", dir.File("in/a.jpg"), "-o", dir.File("big.jpg"), "--resize",
                                            "2147483647x2147483647"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Resize:"), std::string::npos) << r.err;
  EXPECT_FALSE(qv::test::FileExists(dir.File("big.jpg")));
}

TEST_F(ConvertSafety, AFullDiskLeavesOnlyWholeDeviceFiles) {
  for (int i = 0; i < 6; ++i) Photo("p" + std::to_string(i) + ".jpg", 640, 480, static_cast<unsigned>(i + 1));
  const std::string out = dir.File("out");
  ::mkdir(out.c_str(), 0755);
  std::string err;
  const std::string result = qv::test::InPrivateMounts([&]() -> std::string {
    if (::mount("tmpfs", out.c_str(), "tmpfs", 0, "size=300k") != 0) return "skip: no tmpfs mount here";
    const auto r = Run({"--in", dir.File("in"), "--out", out, "--quality", "95"});
    size_t made = 0;
    ExpectOnlyWholeDeviceFiles(out, &made);
    if (r.status != 1) return "exit status " + std::to_string(r.status);
    if (r.err.find("File save error!") == std::string::npos) return "no save error: " + r.err;
    if (made == 0 || made >= 6) return "made " + std::to_string(made) + " files";
    if (::testing::Test::HasFailure()) return "a device file was not whole";
    return "";
  });
  if (result.rfind("skip:", 0) == 0) GTEST_SKIP() << result;
  EXPECT_EQ(result, "");
}

// Starts quorvex-cli convert with its output and error going to files.
pid_t StartConvert(const TempDir& dir, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  const int err = ::open(dir.File("err.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ::dup2(err, 2);
  std::vector<std::string> all = {QUORVEX_CLI_PATH, "--config", dir.File("config"), "convert"};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

TEST_F(ConvertSafety, AnInterruptedRunEndsWithItsCountAndOnlyWholeFiles) {
  for (int i = 0; i < 40; ++i) Photo("p" + std::to_string(i) + ".jpg", 1600, 1200, static_cast<unsigned>(i % 3 + 1));
  for (int sig : {SIGINT, SIGTERM}) {
    const std::string out = dir.File("out" + std::to_string(sig));
    for (const char* jobs : {"1", "2"}) {
      const pid_t pid = StartConvert(dir, {"--in", dir.File("in"), "--out", out, "--jobs", jobs});
      ASSERT_GT(pid, 0);
      // Interrupted once the run is under way.
      for (int i = 0; i < 2000 && !qv::test::FileExists(out + "/Imag0001.jpg"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      ::kill(pid, sig);
      int status = 0;
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status)) << "signal " << sig;
      EXPECT_EQ(WEXITSTATUS(status), 1);
      size_t made = 0;
      ExpectOnlyWholeDeviceFiles(out, &made);
      EXPECT_LT(made, 40u) << "the run was not interrupted";
      const std::string err = qv::test::ReadFileText(dir.File("err.txt"));
      EXPECT_NE(err.find(std::to_string(made) + " files converted."), std::string::npos) << err;
      for (const std::string& name : qv::test::FolderEntries(out)) ::unlink((out + "/" + name).c_str());
    }
  }
}

} // namespace
