// What the filter command leaves in a photo folder when it rewrites the
// photos in place: after a whole run, after a run killed halfway, and after
// the next run sweeps a killed run's leftovers.
#include <csignal>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include <gtest/gtest.h>

#include "app/AppHelpers.h"
#include "jpegmeta/MetaBytes.h"
#include "support/TestSupport.h"

namespace qv {
namespace {

using test::Bytes;
using test::TempDir;

void SetBack(const std::string& path, int seconds) {
  const time_t then = std::time(nullptr) - seconds;
  const timeval times[2] = {{then, 0}, {then, 0}};
  ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

class TempFilesCli : public ::testing::Test {
protected:
  TempDir dir;
  std::string photos = dir.File("photos"), tmp = dir.File("tmp"), config = dir.File("config");
  Bytes filtered, original;  // a photo after and before the filter

  void SetUp() override {
    ::mkdir(photos.c_str(), 0755);
    ::mkdir(tmp.c_str(), 0755);
    ::mkdir(config.c_str(), 0755);
    // The in-place rewrite's new content waits in this folder.
    test::WriteFileText(config + "/quorvex.ini", "[default]\nTempDir=" + tmp + "\n");
    const Bytes jpeg = test::EncodeJpeg(test::MakeTestPicture(256, 192), 256, 192, 3, 90);
    filtered = original = Bytes(jpeg.begin(), jpeg.begin() + 20);  // SOI and the encoder's JFIF APP0
    test::Append(original, test::Segment(0xFE, Bytes(4000, 'c')));
    filtered.insert(filtered.end(), jpeg.begin() + 20, jpeg.end());
    original.insert(original.end(), jpeg.begin() + 20, jpeg.end());
  }

  std::vector<std::string> FilterArgs() const {
    return {"filter", "--in", photos, "--out", photos, "--remove-com", "--no-convert-exif"};
  }

  test::CliResult Filter() const {
    std::vector<std::string> args = FilterArgs();
    return test::RunCli(config, args);
  }

  std::vector<std::string> PutPhotos(int n) const {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "p%03d.jpg", i);
      names.push_back(name);
      test::WriteFileBytes(photos + "/" + name, original);
    }
    return names;
  }

  // Starts the command with its output thrown away; returns its process id.
  pid_t Start() const {
    std::vector<std::string> args = {QUORVEX_CLI_PATH, "--config", config};
    for (const std::string& a : FilterArgs()) args.push_back(a);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      ::dup2(null, 0);
      ::dup2(null, 1);
      ::dup2(null, 2);
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    return pid;
  }

  static bool HasTempFile(const std::string& folder) {
    bool found = false;
    if (DIR* d = ::opendir(folder.c_str())) {
      while (dirent* e = ::readdir(d)) found |= std::string(e->d_name).rfind(kTempFilePrefix, 0) == 0;
      ::closedir(d);
    }
    return found;
  }

  // Every photo is there and whole, old or new; nothing else is visible, and
  // every hidden leftover is of the name the next run sweeps.
  void ExpectOnlyWholePhotos(const std::vector<std::string>& names, const std::string& when) const {
    std::vector<std::string> visible;
    for (const std::string& n : test::FolderEntries(photos)) {
      if (n[0] == '.')
        EXPECT_TRUE(IsTempFileName(n)) << when << ": " << n;
      else
        visible.push_back(n);
    }
    EXPECT_EQ(visible, names) << when;
    for (const std::string& n : test::FolderEntries(tmp)) EXPECT_TRUE(IsTempFileName(n)) << when << ": " << n;
    for (const std::string& n : names) {
      const Bytes b = test::ReadFileBytes(photos + "/" + n);
      EXPECT_TRUE(b == filtered || b == original) << when << ": " << n << " has " << b.size() << " bytes";
    }
  }
};

TEST_F(TempFilesCli, AnInPlaceRunLeavesNothingButThePhotos) {
  const std::vector<std::string> names = PutPhotos(3);
  const test::CliResult r = Filter();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::FolderEntries(photos), names);
  EXPECT_TRUE(test::FolderEntries(tmp).empty());
  for (const std::string& n : names) EXPECT_EQ(test::ReadFileBytes(photos + "/" + n), filtered) << n;
}

TEST_F(TempFilesCli, TheNextRunSweepsStaleLeftoversAndKeepsFreshOnesAndTheUsersFiles) {
  test::WriteFileBytes(photos + "/a.jpg", original);
  test::WriteFileBytes(photos + "/quorvex1234.jpg", original);  // the user's, named like old temporaries
  test::WriteFileBytes(photos + "/.quorvex-1234.tmp", Bytes(original.begin(), original.begin() + 700));
  test::WriteFileBytes(tmp + "/.quorvex-4321.tmp", Bytes());
  test::WriteFileBytes(photos + "/.quorvex-5678.tmp", Bytes());  // another run's, in progress
  for (const std::string& p : {photos + "/quorvex1234.jpg", photos + "/.quorvex-1234.tmp", tmp + "/.quorvex-4321.tmp"})
    SetBack(p, 3600);
  const test::CliResult r = Filter();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::FolderEntries(photos), (std::vector<std::string>{".quorvex-5678.tmp", "a.jpg", "quorvex1234.jpg"}));
  EXPECT_TRUE(test::FolderEntries(tmp).empty());
  EXPECT_EQ(test::ReadFileBytes(photos + "/quorvex1234.jpg"), filtered);
}

TEST_F(TempFilesCli, AKilledRunLosesNoPhotoAndLeavesOnlyHiddenLeftoversTheNextRunSweeps) {
  const std::vector<std::string> names = PutPhotos(200);
  int killedMidway = 0;
  // A whole run takes most of a second here: the kills fall early, midway
  // and late, each while a temporary exists, when a copy is half written.
  for (const int delayMs : {0, 40, 120, 250, 450}) {
    const pid_t pid = Start();
    ASSERT_GT(pid, 0);
    ::usleep(static_cast<useconds_t>(delayMs) * 1000);
    bool seen = false;
    int status = 0;
    for (int i = 0; i < 200000 && !seen; ++i) {
      if (::waitpid(pid, &status, WNOHANG) == pid) break;
      seen = HasTempFile(photos) || HasTempFile(tmp);
    }
    if (seen) {
      ::kill(pid, SIGKILL);
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    }
    killedMidway += seen && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    ExpectOnlyWholePhotos(names, "killed after " + std::to_string(delayMs) + " ms");
  }
  EXPECT_GT(killedMidway, 0) << "no run was caught while it wrote";

  // Leftovers younger than the sweep's age are left alone; aged, they go.
  for (const std::string& folder : {photos, tmp})
    for (const std::string& n : test::FolderEntries(folder))
      if (n[0] == '.') SetBack(folder + "/" + n, 3600);
  const test::CliResult r = Filter();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(test::FolderEntries(photos), names);
  EXPECT_TRUE(test::FolderEntries(tmp).empty());
  for (const std::string& n : names) {
    const Bytes b = test::ReadFileBytes(photos + "/" + n);
    EXPECT_EQ(b, filtered) << n;
    test::DecodedJpeg d;
    EXPECT_TRUE(test::DecodeJpeg(b, d) && d.width == 256 && d.height == 192) << n;
  }
}

} // namespace
} // namespace qv
