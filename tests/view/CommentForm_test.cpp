#include "view/CommentForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/Settings.h"
#include "jpegmeta/Charset.h"
#include "support/TestSupport.h"

using namespace qv;
using qv::test::TempDir;
using qv::test::WriteFileText;

namespace {

// Internal (Shift_JIS) text of the program's own UTF-8 sources.
std::string Sjis(const char* utf8) { return Utf8ToInternal(utf8); }

CCommentRecord Record(const std::string& name, const std::string& text, int charset = CS_SJIS) {
  CCommentRecord r;
  r.name = name;
  r.text = text;
  r.charset = charset;
  return r;
}

std::vector<CCommentRecord> TwoRecords() { return {Record("Comment", "first"), Record("Title", "second")}; }

std::string Pending(CCommentForm& form) {
  std::string text = "<none>";
  form.TakePendingText(text);
  return text;
}

TEST(CommentForm, OpensOnTheGivenRecordOrTheFirst) {
  CCommentForm form;
  form.SetComments(TwoRecords(), 1);
  form.Init();
  EXPECT_EQ(form.m_nSelected, 1);
  ASSERT_NE(form.Current(), nullptr);
  EXPECT_EQ(form.Current()->name, "Title");
  EXPECT_EQ(Pending(form), "second");
  EXPECT_TRUE(form.m_bEditEnabled);
  EXPECT_FALSE(form.m_bInsEnabled);
  EXPECT_TRUE(form.m_bDelEnabled);

  CCommentForm other;
  other.SetComments(TwoRecords(), 7);
  EXPECT_EQ(other.m_nSelected, 0);
  EXPECT_EQ(other.Current()->name, "Comment");
}

TEST(CommentForm, ANewNameEmptiesTheEditAndInsAddsAnEmptyRecordForIt) {
  CCommentForm form;
  form.SetComments(TwoRecords(), 0);
  form.Init();
  form.NameEdited("Author", "first (kept)");
  EXPECT_EQ(form.m_list[0].text, "first (kept)");
  EXPECT_EQ(form.Current(), nullptr);
  EXPECT_EQ(Pending(form), "");
  EXPECT_FALSE(form.m_bEditEnabled);
  EXPECT_TRUE(form.m_bInsEnabled);
  EXPECT_FALSE(form.m_bDelEnabled);

  ASSERT_EQ(form.Insert("Author", "", CS_EUCJP), COMMENT_DONE);
  ASSERT_EQ(form.m_list.size(), 3u);
  EXPECT_EQ(form.m_list[2].name, "Author");
  EXPECT_EQ(form.m_list[2].text, "");
  EXPECT_EQ(form.m_list[2].charset, CS_EUCJP);
  EXPECT_EQ(form.m_nSelected, 2);
  EXPECT_EQ(form.Current(), &form.m_list[2]);
  EXPECT_TRUE(form.m_bEditEnabled);
  EXPECT_FALSE(form.m_bInsEnabled);
  EXPECT_TRUE(form.m_bDelEnabled);

  // Emptied again, the name gives Ins nothing to add.
  form.NameEdited("", "");
  EXPECT_FALSE(form.m_bInsEnabled);
  EXPECT_EQ(form.Insert("", "text", CS_SJIS), COMMENT_BEEP);
  EXPECT_EQ(form.m_list.size(), 3u);
}

TEST(CommentForm, DeletingTheLastRecordLeavesNothingSelected) {
  CCommentForm form;
  form.SetComments(TwoRecords(), 1);
  form.Init();
  ASSERT_EQ(form.Delete(), COMMENT_DONE);
  ASSERT_EQ(form.m_list.size(), 1u);
  EXPECT_EQ(form.m_nSelected, -1);
  EXPECT_EQ(form.Current(), nullptr);
  EXPECT_FALSE(form.m_bEditEnabled);
  EXPECT_FALSE(form.m_bDelEnabled);
  EXPECT_EQ(form.Delete(), COMMENT_BEEP);

  // Deleting the first of two selects the next.
  CCommentForm next;
  next.SetComments(TwoRecords(), 0);
  next.Init();
  ASSERT_EQ(next.Delete(), COMMENT_DONE);
  EXPECT_EQ(next.m_nSelected, 0);
  EXPECT_EQ(next.Current()->name, "Title");
  EXPECT_EQ(Pending(next), "second");
}

TEST(CommentForm, OkStoresTheEditAndHandsTheRecordsOver) {
  CCommentForm form;
  form.SetComments(TwoRecords(), 1);
  form.Init();
  std::vector<CCommentRecord> target = {Record("Old", "gone")};
  form.TakeResult(target, "second\r\nline two");
  ASSERT_EQ(target.size(), 2u);
  EXPECT_EQ(target[0].name, "Comment");
  EXPECT_EQ(target[1].text, "second\r\nline two");
  EXPECT_TRUE(form.m_list.empty());
}

TEST(CommentForm, ACharacterSetThatCannotHoldTheTextIsRefused) {
  CCommentForm form;
  form.SetComments({Record("Comment", Sjis("日本"))}, 0);
  form.Init();
  EXPECT_EQ(form.SetCharset(CS_ASCII, Sjis("日本")), COMMENT_CANNOT_HOLD);
  EXPECT_EQ(form.m_list[0].charset, CS_SJIS);
  EXPECT_EQ(form.SetCharset(CS_JIS, Sjis("日本語")), COMMENT_DONE);
  EXPECT_EQ(form.m_list[0].charset, CS_JIS);
  EXPECT_EQ(form.m_list[0].text, Sjis("日本語"));
  // Nor does Ins add a record its character set cannot write.
  form.NameEdited("Name", Sjis("日本語"));
  EXPECT_EQ(form.Insert("Name", Sjis("髙橋"), CS_EUCJP), COMMENT_CANNOT_HOLD);
  EXPECT_EQ(form.m_list.size(), 1u);
}

TEST(CharsetHolds, KnowsWhatEachCharacterSetCanWrite) {
  const std::string kanji = Sjis("日本の写真ｶﾒﾗ①");
  EXPECT_TRUE(CharsetHolds("plain", CS_ASCII));
  EXPECT_FALSE(CharsetHolds(kanji, CS_ASCII));
  for (int code : {CS_JIS, CS_EUCJP, CS_SJIS, CS_UTF8, CS_UCS2}) EXPECT_TRUE(CharsetHolds(kanji, code)) << code;
  // The IBM extensions of Shift_JIS have no EUC-JP form; an ESC byte would
  // switch JIS modes when read back.
  const std::string ibm = Sjis("髙");
  EXPECT_FALSE(CharsetHolds(ibm, CS_EUCJP));
  for (int code : {CS_SJIS, CS_UTF8}) EXPECT_TRUE(CharsetHolds(ibm, code)) << code;
  EXPECT_FALSE(CharsetHolds("" "a", CS_JIS));
  EXPECT_EQ(CommentCharsetChoices(), (std::vector<int>{0, 1, 2, 3, 4, 6}));
}

TEST(Utf8ToInternalExact, TellsACharacterWithoutAShiftJisForm) {
  std::string internal;
  EXPECT_TRUE(Utf8ToInternalExact("日本? ok", internal));
  EXPECT_EQ(internal, Sjis("日本? ok"));
  EXPECT_FALSE(Utf8ToInternalExact("smile \xF0\x9F\x98\x80", internal));
  EXPECT_FALSE(Utf8ToInternalExact("\xE4\xBD\xA0\xE5\xA5\xBD\xE9\xBE\x98", internal));  // 龘 is not in it
}

TEST(CommentNames, CompareLettersInEitherCaseButDoubleByteCharactersExactly) {
  EXPECT_TRUE(SameCommentName("Comment", "COMMENT"));
  EXPECT_FALSE(SameCommentName("Comment", "Comments"));
  // 0x83 0x41 and 0x83 0x61 differ only in a trail byte that looks like a letter.
  EXPECT_FALSE(SameCommentName("\x83\x41", "\x83\x61"));
  EXPECT_TRUE(SameCommentName(Sjis("題名x"), Sjis("題名X")));
  std::vector<CCommentRecord> list = TwoRecords();
  EXPECT_EQ(FindCommentName(list, "title"), 1);
  EXPECT_EQ(FindCommentName(list, "other"), -1);
}

TEST(EditLines, JoinWithCrLfAndSplitAgain) {
  EXPECT_EQ(JoinEditLines({"a", "", "b"}), "a\r\n\r\nb");
  EXPECT_EQ(JoinEditLines({""}), "");
  EXPECT_EQ(SplitEditLines("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitEditLines("x\r\n"), (std::vector<std::string>{"x", ""}));
}

TEST(ReadCommentFile, BreaksALongLineIntoPiecesOf255) {
  TempDir dir;
  const std::string path = dir.File("c.txt");
  WriteFileText(path, std::string(600, 'x') + "\nshort\n");
  CSettings s;
  std::string text;
  ASSERT_TRUE(ReadCommentFile(path, s, text));
  EXPECT_EQ(text, std::string(255, 'x') + "\r\n" + std::string(255, 'x') + "\r\n" + std::string(90, 'x') + "\r\n" +
                      "short\r\n");
  // Exactly 255 is one line, and a last line without a line end is kept.
  WriteFileText(path, std::string(255, 'y') + "\r\nend");
  ASSERT_TRUE(ReadCommentFile(path, s, text));
  EXPECT_EQ(text, std::string(255, 'y') + "\r\nend\r\n");
}

TEST(ReadCommentFile, NeverCutsADoubleByteCharacter) {
  TempDir dir;
  const std::string path = dir.File("k.txt");
  WriteFileText(path, std::string(254, 'a') + Sjis("日"));
  CSettings s;
  std::string text;
  ASSERT_TRUE(ReadCommentFile(path, s, text));
  EXPECT_EQ(text, std::string(254, 'a') + "\r\n" + Sjis("日") + "\r\n");
}

TEST(ReadCommentFile, DecodesByTheReadSettings) {
  TempDir dir;
  const std::string path = dir.File("u.txt");
  WriteFileText(path, "日本\n");  // UTF-8
  CSettings s;
  s.AutoReadCharset = 1;
  std::string text;
  ASSERT_TRUE(ReadCommentFile(path, s, text));
  EXPECT_EQ(text, Sjis("日本") + "\r\n");
  // The default (read as Shift_JIS) takes the bytes as they stand.
  s.AutoReadCharset = 0;
  ASSERT_TRUE(ReadCommentFile(path, s, text));
  EXPECT_EQ(text, std::string("日本") + "\r\n");
}

TEST(ReadCommentFile, AMissingFileOrAPipeGivesAnEmptyText) {
  TempDir dir;
  CSettings s;
  std::string text = "old";
  EXPECT_FALSE(ReadCommentFile(dir.File("none.txt"), s, text));
  EXPECT_EQ(text, "");
  const std::string fifo = dir.File("pipe.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReadCommentFile(fifo, s, text));  // and does not wait for a writer
}

} // namespace
