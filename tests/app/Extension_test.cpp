#include <gtest/gtest.h>

#include "app/Extension.h"

using namespace qv;

namespace {

TEST(Extension, FindAndReplaceUseTheLastDotOfTheWholePath) {
  EXPECT_EQ(FindExtension("/dir.x/file"), 4u);  // the folder's dot counts
  EXPECT_EQ(FindExtension("/a/b.tar.gz"), 8u);
  EXPECT_EQ(FindExtension("/a/b"), kNoPosition);
  std::string p = "/out/Imag0001.jpg__thumb";
  ASSERT_TRUE(ReplaceExtension(p, ".jpg"));
  EXPECT_EQ(p, "/out/Imag0001.jpg");
  std::string none = "/out/noext";
  EXPECT_FALSE(ReplaceExtension(none, ".jpg"));
  EXPECT_EQ(none, "/out/noext");
}

TEST(Extension, FormatCodesIgnoreCase) {
  EXPECT_EQ(FormatFromExtension(".JPG"), 135);
  EXPECT_EQ(FormatFromExtension(".Jfif"), 135);
  EXPECT_EQ(FormatFromExtension(".jpe"), 0);
  EXPECT_EQ(FormatFromExtension(".q0"), 134);
  EXPECT_EQ(FormatFromExtension(".RLE"), 133);
  EXPECT_EQ(FormatFromExtension(".png"), 136);
  EXPECT_EQ(FormatFromExtension(".mki"), 137);
  EXPECT_EQ(FormatFromExtension(".tiff"), 139);
  EXPECT_EQ(FormatFromExtension(""), 0);
}

TEST(Extension, MatchExtensionListItems) {
  const std::string list = ".jpg;.jfif;.jpeg";
  EXPECT_EQ(MatchExtensionList(list, "jpg"), 1u);
  EXPECT_NE(MatchExtensionList(list, "JPEG"), kNoPosition);
  EXPECT_NE(MatchExtensionList(list, ".jfif"), kNoPosition);
  EXPECT_EQ(MatchExtensionList(list, "jp"), kNoPosition);
  EXPECT_EQ(MatchExtensionList(list, "jpgx"), kNoPosition);
  EXPECT_NE(MatchExtensionList(".jpg;;.jpeg", "jpeg"), kNoPosition);
  EXPECT_NE(MatchExtensionList("  jpg png", "png"), kNoPosition);
  EXPECT_EQ(MatchExtensionList("", "jpg"), kNoPosition);
  EXPECT_EQ(MatchExtensionList(";;;", ""), kNoPosition);
}

TEST(Extension, InsertSortedKeepsCaseInsensitiveOrder) {
  std::vector<std::string> list;
  for (const char* n : {"c.jpg", "b.jpg", "A.jpg", "B.jpg", "a.jpeg", "_x.jpg", "Z.jpg"}) InsertSorted(list, n);
  const std::vector<std::string> want = {"_x.jpg", "a.jpeg", "A.jpg", "B.jpg", "b.jpg", "c.jpg", "Z.jpg"};
  EXPECT_EQ(list, want);
}

} // namespace
