#include <gtest/gtest.h>

#include "app/ConverterApp.h"
#include "jpegmeta/CommentText.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;

namespace {

TEST(DefaultComment, LinesEndInCrLf) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  test::WriteFileText(dir.File("c.txt"), "first line\nsecond");
  LoadDefaultComment(app, dir.File("c.txt"));
  EXPECT_EQ(app.m_defaultComment, "first line\r\nsecond\r\n");
  LoadDefaultComment(app, dir.File("missing.txt"));
  EXPECT_EQ(app.m_defaultComment, "");
}

} // namespace
