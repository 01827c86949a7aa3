#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "app/ConverterApp.h"
#include "app/Profile.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

std::string Ini(const TempDir& dir) { return dir.File("quorvex.ini"); }

// Opens the other end of a FIFO if the code under test is still stuck on it
// after a while, so a regression fails the test instead of hanging the run.
class FifoRescue {
public:
  explicit FifoRescue(std::string path) : m_path(std::move(path)), m_thread([this] { Run(); }) {}
  ~FifoRescue() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }
  bool Rescued() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_rescued;
  }

private:
  void Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_wake.wait_for(lock, std::chrono::seconds(5), [this] { return m_done; })) return;
    m_rescued = true;
    for (int flags : {O_WRONLY | O_NONBLOCK, O_RDONLY | O_NONBLOCK})
      if (int fd = ::open(m_path.c_str(), flags); fd >= 0) ::close(fd);
  }

  std::string m_path;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_done = false;
  bool m_rescued = false;
  std::thread m_thread;  // last: started once the rest is ready
};

bool IsFifo(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

TEST(ProfileRefusal, AFifoGivesDefaultsAtOnceWithOneMessageAndStaysAFifo) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(Ini(dir).c_str(), 0644), 0);
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  {
    FifoRescue rescue(Ini(dir));
    app.LoadSettings();
    app.m_settings.Param1 = 40;
    EXPECT_FALSE(app.SaveSettings());
    EXPECT_FALSE(rescue.Rescued());
  }
  EXPECT_EQ(app.Profile().LoadStatus(), CProfile::LoadState::NotRegular);
  EXPECT_EQ(app.m_settings.Param1, 40);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Settings file '" + Ini(dir) + "' is not a regular file; the defaults are used.");
  EXPECT_EQ(sink.messages[0].caption, "Quorvex");
  EXPECT_TRUE(IsFifo(Ini(dir)));
  EXPECT_FALSE(test::FileExists(Ini(dir) + ".tmp"));
}

TEST(ProfileRefusal, ALinkToADeviceIsNotRegularAndIsNeverReplaced) {
  TempDir dir;
  ASSERT_EQ(::symlink("/dev/zero", Ini(dir).c_str()), 0);
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param1, 75);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].text.find("is not a regular file"), std::string::npos);
  EXPECT_FALSE(app.SaveSettings());
  EXPECT_FALSE(app.Profile().WriteString("default", "Param1", "1"));
  char target[64] = {};
  ASSERT_GT(::readlink(Ini(dir).c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "/dev/zero");
}

TEST(ProfileRefusal, AFileAboveFourMegabytesIsNotReadNorReplaced) {
  TempDir dir;
  std::string text = "[default]\nParam1=50\n";
  while (text.size() < 5 * 1000 * 1000) text += "; padding padding padding padding padding padding\n";
  test::WriteFileText(Ini(dir), text);
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param1, 75);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Settings file '" + Ini(dir) + "' is larger than 4 MB; the defaults are used.");
  EXPECT_FALSE(app.SaveSettings());
  EXPECT_EQ(test::ReadFileText(Ini(dir)), text);
  EXPECT_FALSE(test::FileExists(Ini(dir) + ".tmp"));
}

TEST(ProfileRefusal, AFileOfExactlyTheLimitIsRead) {
  TempDir dir;
  std::string text = "[default]\nParam1=50\n";
  text += std::string(CProfile::kMaxFileBytes - text.size() - 1, ' ') + "\n";
  test::WriteFileText(Ini(dir), text);
  CProfile p(Ini(dir));
  EXPECT_EQ(p.GetInt("default", "Param1", 0), 50);
  EXPECT_EQ(p.LoadStatus(), CProfile::LoadState::Ok);
  EXPECT_EQ(p.LoadMessage(), "");
}

TEST(ProfileRefusal, AMissingFileIsNoProblemAndIsCreatedOnWrite) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path() + "/sub", sink);
  app.LoadSettings();
  EXPECT_TRUE(sink.messages.empty());
  EXPECT_EQ(app.Profile().LoadStatus(), CProfile::LoadState::Missing);
  ASSERT_TRUE(app.SaveSettings());
  EXPECT_TRUE(test::FileExists(dir.File("sub/quorvex.ini")));
}

TEST(ProfileMemory, TheFileIsReadOnceAndWritesComeFromMemory) {
  TempDir dir;
  test::WriteFileText(Ini(dir), "[a]\nx=1\ny=2\n");
  CProfile p(Ini(dir));
  EXPECT_EQ(p.GetInt("a", "x", 0), 1);
  // Changed behind the store's back: reads keep answering from memory...
  test::WriteFileText(Ini(dir), "[a]\nx=9\ny=9\nz=9\n");
  EXPECT_EQ(p.GetInt("a", "y", 0), 2);
  EXPECT_FALSE(p.Read("a", "z").has_value());
  // ...and a write saves the memory copy, not a merge with the file.
  ASSERT_TRUE(p.WriteInt("a", "x", 5));
  EXPECT_EQ(test::ReadFileText(Ini(dir)), "[a]\nx=5\ny=2\n");
}

TEST(ProfileMemory, LoadReadsTheFileAsItIsThen) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);  // reads its zoom steps: no file yet
  test::WriteFileText(Ini(dir), "[default]\nParam1=33\n");
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param1, 33);
  EXPECT_EQ(app.Profile().LoadStatus(), CProfile::LoadState::Ok);
}

TEST(ProfileWrite, OneKeyReplacedAndEverythingElseKeptByteForByte) {
  TempDir dir;
  const std::string before =
      "orphan=before any section\n"
      "; comment one\n"
      "[Default]\n"
      "  Param1 = 50  \n"
      "Other=\"quoted\"\n"
      "\n"
      "; trailing comment of default\n"
      "\n"
      "[other]\n"
      "x=1\n"
      "junk line\n"
      "[default]\n"
      "Late=3\n"
      "\n";
  test::WriteFileText(Ini(dir), before);
  CProfile p(Ini(dir));
  EXPECT_EQ(p.GetString("DEFAULT", "other", ""), "quoted");
  EXPECT_FALSE(p.Read("default", "orphan").has_value());
  ASSERT_TRUE(p.WriteInt("DEFAULT", "PARAM1", 60));
  std::string want = before;
  want.replace(want.find("  Param1 = 50  "), 15, "PARAM1=60");
  EXPECT_EQ(test::ReadFileText(Ini(dir)), want);

  // A new key goes after the last non-blank line of the section's last
  // occurrence; a new section is appended after one blank line.
  ASSERT_TRUE(p.WriteString("default", "Fresh", "yes"));
  want.replace(want.find("Late=3\n"), 7, "Late=3\nFresh=yes\n");
  EXPECT_EQ(test::ReadFileText(Ini(dir)), want);
  ASSERT_TRUE(p.WriteString("New", "k", "v"));
  want += "[New]\nk=v\n";
  EXPECT_EQ(test::ReadFileText(Ini(dir)), want);

  CProfile again(Ini(dir));
  EXPECT_EQ(again.GetInt("default", "param1", 0), 60);
  EXPECT_EQ(again.GetString("default", "fresh", ""), "yes");
  EXPECT_EQ(again.GetString("new", "K", ""), "v");
  EXPECT_EQ(again.GetInt("other", "x", 0), 1);
}

TEST(ProfileWrite, CrLfLinesAndAMissingLastLineEndAreKept) {
  TempDir dir;
  test::WriteFileText(Ini(dir), "; c\r\n[s]\r\na=1\r\nb=2");
  CProfile p(Ini(dir));
  EXPECT_EQ(p.GetInt("s", "b", 0), 2);
  ASSERT_TRUE(p.WriteInt("s", "a", 7));
  EXPECT_EQ(test::ReadFileText(Ini(dir)), "; c\r\n[s]\r\na=7\r\nb=2");
  ASSERT_TRUE(p.WriteInt("s", "c", 3));
  EXPECT_EQ(test::ReadFileText(Ini(dir)), "; c\r\n[s]\r\na=7\r\nb=2\r\nc=3\r\n");
}

TEST(ProfileWrite, ABatchWritesTheFileOnceAtItsEnd) {
  TempDir dir;
  test::WriteFileText(Ini(dir), "[s]\nk=0\n");
  CProfile p(Ini(dir));
  p.BeginBatch();
  for (int i = 1; i <= 50; ++i) ASSERT_TRUE(p.WriteInt("s", "k" + std::to_string(i), i));
  EXPECT_EQ(p.GetInt("s", "k50", 0), 50);
  EXPECT_EQ(test::ReadFileText(Ini(dir)), "[s]\nk=0\n");
  ASSERT_TRUE(p.EndBatch());
  CProfile again(Ini(dir));
  EXPECT_EQ(again.GetInt("s", "k1", 0), 1);
  EXPECT_EQ(again.GetInt("s", "k50", 0), 50);
  EXPECT_TRUE(p.EndBatch());  // nothing left to write
}

TEST(ProfileWrite, AFailedWriteKeepsTheOldFileAndTheValueIsSavedLater) {
  TempDir dir;
  const std::string before = "[s]\nk=old\n" + std::string(200, ';') + "\n";
  test::WriteFileText(Ini(dir), before);
  CProfile p(Ini(dir));
  {
    test::FileSizeLimit limit(64);
    EXPECT_FALSE(p.WriteString("s", "k", "new"));
  }
  EXPECT_EQ(test::ReadFileText(Ini(dir)), before);
  EXPECT_EQ(test::FolderEntries(dir.Path()), std::vector<std::string>{"quorvex.ini"});
  EXPECT_EQ(p.GetString("s", "k", ""), "new");
  ASSERT_TRUE(p.WriteString("s", "other", "1"));
  CProfile again(Ini(dir));
  EXPECT_EQ(again.GetString("s", "k", ""), "new");
  EXPECT_EQ(again.GetString("s", "other", ""), "1");
}

TEST(ProfileWrite, SettingsAtExitAreOneWriteAndAllOnDisk) {
  TempDir dir;
  test::WriteFileText(Ini(dir), "; mine\n[default]\nParam1=50\n");
  test::RecordingSink sink;
  {
    CConverterApp app(dir.Path(), sink);
    app.LoadSettings();
    app.m_settings.ReadDir = "/in";
    app.m_settings.AllowExtSampling = 1;
    ASSERT_TRUE(app.SaveSettings());
  }
  const std::string text = test::ReadFileText(Ini(dir));
  EXPECT_EQ(text.rfind("; mine\n[default]\n", 0), 0u);
  CConverterApp again(dir.Path(), sink);
  again.LoadSettings();
  EXPECT_EQ(again.m_settings.ReadDir, "/in");
  EXPECT_EQ(again.m_settings.Param1, 50);
  EXPECT_EQ(again.m_settings.AllowExtSampling, 1);
  EXPECT_TRUE(sink.messages.empty());
}

} // namespace
