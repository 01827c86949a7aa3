#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "jpegmeta/BulkWorker.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

TEST(CountFiles, FilterRecursionAndMissingRoot) {
  TempDir dir;
  ::mkdir(dir.File("sub").c_str(), 0755);
  for (const char* n : {"a.jpg", "b.JPEG", "c.png", "sub/d.jpg", "sub/e.jfif"}) test::WriteFileText(dir.File(n), "x");
  CBulkWorker w;
  EXPECT_EQ(w.CountFiles(dir.Path()), 2);
  w.m_bRecurse = true;
  EXPECT_EQ(w.CountFiles(dir.Path()), 4);
  w.m_bExtFilter = false;
  EXPECT_EQ(w.CountFiles(dir.Path()), 5);
  EXPECT_EQ(w.CountFiles(dir.File("missing")), -1);
  ::symlink(dir.Path().c_str(), dir.File("sub/loop").c_str());  // a link back up is not followed
  EXPECT_EQ(w.CountFiles(dir.Path()), 5);
  w.pump = [] { return false; };  // the program is quitting
  w.CountFiles(dir.Path());
  EXPECT_TRUE(w.m_bAbort);
}

} // namespace
