// The program's temporary-file names and the sweep of a killed run's
// leftovers, on real files with their modification times set back.
#include <gtest/gtest.h>

#include <ctime>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "app/AppHelpers.h"
#include "app/ReplacingFile.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

void Age(const std::string& path, int seconds) {
  const time_t then = std::time(nullptr) - seconds;
  const timeval times[2] = {{then, 0}, {then, 0}};
  ASSERT_EQ(::lutimes(path.c_str(), times), 0) << path;
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

TEST(TempFileName, OnlyTheProgramsOwnPatternMatches) {
  for (const char* yes : {".quorvex-1234.tmp", ".quorvex-0000.tmp", ".quorvex-aB3x9Z.tmp", ".quorvex-123456.tmp"})
    EXPECT_TRUE(IsTempFileName(yes)) << yes;
  for (const char* no : {"quorvex1234.jpg", "quorvex1234jpg", ".quorvex-1234.jpg", ".quorvex-123.tmp",
                         ".quorvex-12345.tmp", ".quorvex-12a4.tmp", ".quorvex-1234567.tmp", ".quorvex-ab_de1.tmp",
                         ".quorvex-1234.tmp.bak", "x.quorvex-1234.tmp", ".quorvex-.tmp", ".quorvex-1234.TMP",
                         ".Quorvex-1234.tmp", ""})
    EXPECT_FALSE(IsTempFileName(no)) << no;
}

TEST(TempFileName, BothMakersProduceIt) {
  TempDir dir;
  std::string made;
  ASSERT_TRUE(MakeTempFileName(dir.Path(), kTempFilePrefix, kTempFileSuffix, made));
  EXPECT_TRUE(IsTempFileName(NameOf(made))) << made;

  CReplacingFile file;
  ASSERT_TRUE(file.Open(dir.File("photo.jpg")));
  std::vector<std::string> names = FolderEntries(dir.Path());
  ASSERT_EQ(names.size(), 2u);
  for (const std::string& n : names) EXPECT_TRUE(IsTempFileName(n)) << n;
  ASSERT_TRUE(file.Write("x", 1));
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{NameOf(made), "photo.jpg"}));
}

TEST(RemoveStaleTempFiles, RemovesOldOnesOfItsPatternOnly) {
  TempDir dir;
  const std::string stale = dir.File(".quorvex-1234.tmp"), staleMk = dir.File(".quorvex-Ab12Cd.tmp");
  const std::string fresh = dir.File(".quorvex-5678.tmp"), user = dir.File("quorvex1234.jpg");
  const std::string near = dir.File(".quorvex-1234.tmp.jpg");
  for (const std::string& p : {stale, staleMk, fresh, user, near}) WriteFileText(p, "x");
  for (const std::string& p : {stale, staleMk, user, near}) Age(p, 3600);
  Age(fresh, kStaleTempSeconds - 60);  // a run that is still writing it

  EXPECT_EQ(RemoveStaleTempFiles(dir.Path()), 2);
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{".quorvex-1234.tmp.jpg", ".quorvex-5678.tmp", "quorvex1234.jpg"}));
  EXPECT_EQ(RemoveStaleTempFiles(dir.Path() + "/"), 0);
  EXPECT_EQ(RemoveStaleTempFiles(dir.File("nowhere")), 0);
}

TEST(RemoveStaleTempFiles, LeavesFoldersAndLinksOfThatNameAndTheirTargets) {
  TempDir dir;
  const std::string folder = dir.File(".quorvex-1111.tmp"), link = dir.File(".quorvex-2222.tmp");
  const std::string target = dir.File("photo.jpg");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  WriteFileText(target, "photo");
  ASSERT_EQ(::symlink("photo.jpg", link.c_str()), 0);
  Age(folder, 3600);
  Age(link, 3600);
  Age(target, 3600);
  EXPECT_EQ(RemoveStaleTempFiles(dir.Path()), 0);
  EXPECT_EQ(FolderEntries(dir.Path()),
            (std::vector<std::string>{".quorvex-1111.tmp", ".quorvex-2222.tmp", "photo.jpg"}));
  EXPECT_EQ(ReadFileText(target), "photo");
}

} // namespace
