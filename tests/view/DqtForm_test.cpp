#include "view/DqtForm.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/DqtFile.h"
#include "image/ImageDoc.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

QuantTable Standard(int k, int quality) {
  QuantTable t{};
  MakeStandardTable(k, quality, t.data());
  return t;
}

QuantTable Filled(uint16_t v) {
  QuantTable t{};
  t.fill(v);
  return t;
}

std::string Numbers(int count, const char* separator, int first = 1) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(first + i) + separator;
  return text;
}

TEST(DqtImportList, offersOnlyJpegDocumentsSortedWithoutRegardToCaseKeepingEqualTitlesInOrder) {
  std::vector<DqtSource> docs(5);
  docs[0] = {"b.jpg", FT_JPEG, {Filled(1), Filled(1)}};
  docs[1] = {"Clipboard", FT_CLIPBOARD, {}};
  docs[2] = {"A.jpg", FT_JPEG, {Filled(2), Filled(2)}};
  docs[3] = {"b.JPG", FT_JPEG, {Filled(3), Filled(3)}};
  docs[4] = {"new.bmp", FT_BMP, {}};
  const std::vector<DqtSource> list = ImportList(docs);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].title, "A.jpg");
  EXPECT_EQ(list[1].title, "b.jpg");
  EXPECT_EQ(list[2].title, "b.JPG");
  EXPECT_EQ(list[2].tables[0][0], 3);
  EXPECT_TRUE(ImportList({}).empty());
}

TEST(DqtQuality, theEditReadsAsAnUnsignedNumberCappedAtOneHundred) {
  EXPECT_EQ(ReadQualityText("75"), 75);
  EXPECT_EQ(ReadQualityText(""), 0);
  EXPECT_EQ(ReadQualityText("x"), 0);
  EXPECT_EQ(ReadQualityText("250"), 100);
  EXPECT_EQ(ReadQualityText("99999999999"), 0);  // beyond 32 bits: no number
  EXPECT_EQ(QualityLabel(Filled(1)), "Qf=100.0");
  EXPECT_EQ(QualityLabel(Filled(255)), "Qf=0.0");
}

TEST(DqtForm, makingFromAQualityGivesTheScaledStandardTable) {
  CDqtForm form;
  form.MakeTable(0, "50");
  const uint16_t firstRow[8] = {16, 11, 10, 16, 24, 40, 51, 61};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(form.m_anTable[0][i], firstRow[i]);
  form.MakeTable(1, "1");
  EXPECT_EQ(form.m_anTable[1], Filled(255));
  form.MakeTable(1, "");  // no number: libjpeg's lowest quality
  EXPECT_EQ(form.m_anTable[1], Filled(255));
  form.MakeTable(1, "1000");
  EXPECT_EQ(form.m_anTable[1], Filled(1));
  EXPECT_EQ(form.m_anTable[0], Standard(0, 50));
}

TEST(DqtForm, enterMakesOnlyThePendingTableAndOnlyOnce) {
  CDqtForm form;
  const std::string texts[2] = {"50", "90"};
  EXPECT_EQ(form.Enter(texts), -1);
  EXPECT_EQ(form.m_anTable[0], QuantTable{});
  form.EditChanged(1);
  form.MakeTable(0, "50");  // the make buttons leave the pending table alone
  EXPECT_EQ(form.m_nPendingTable, 1);
  EXPECT_EQ(form.Enter(texts), 1);
  EXPECT_EQ(form.m_anTable[1], Standard(1, 90));
  EXPECT_EQ(form.m_nPendingTable, -1);
  form.m_anTable[1][0] = 7;
  EXPECT_EQ(form.Enter(texts), -1);
  EXPECT_EQ(form.m_anTable[1][0], 7);
}

TEST(DqtForm, importTakesBothTablesOfTheDocument) {
  CDqtForm form;
  DqtSource s{"a.jpg", FT_JPEG, {Filled(4), Filled(5)}};
  form.Import(s);
  EXPECT_EQ(form.m_anTable[0], Filled(4));
  EXPECT_EQ(form.m_anTable[1], Filled(5));
}

class DqtFormFiles : public ::testing::Test {
protected:
  CDqtForm form;
  RecordingSink sink;
  TempDir dir;
  void SetUp() override {
    form.m_anTable[0] = Filled(9);
    form.m_anTable[1] = Filled(8);
  }
};

TEST_F(DqtFormFiles, savedTablesLoadBackTheSame) {
  form.m_anTable[0] = Standard(0, 75);
  form.m_anTable[1] = Standard(1, 75);
  form.m_anTable[1][63] = 300;  // no range check either way
  ASSERT_TRUE(form.Save(dir.File("t.dqt"), sink));
  const std::string text = ReadFileText(dir.File("t.dqt"));
  EXPECT_EQ(text.substr(0, 33), "  8,  6,  5,  8, 12, 20, 26, 31,\n");
  CDqtForm other;
  EXPECT_EQ(other.Load(dir.File("t.dqt"), sink), CDqtForm::kTable0 | CDqtForm::kTable1);
  EXPECT_EQ(other.m_anTable[0], form.m_anTable[0]);
  EXPECT_EQ(other.m_anTable[1], form.m_anTable[1]);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DqtFormFiles, sixtyFourToOneHundredTwentySevenValuesReplaceTableZeroOnly) {
  WriteFileText(dir.File("one.csv"), Numbers(64, ","));
  EXPECT_EQ(form.Load(dir.File("one.csv"), sink), CDqtForm::kTable0);
  EXPECT_EQ(form.m_anTable[0][0], 1);
  EXPECT_EQ(form.m_anTable[0][63], 64);
  EXPECT_EQ(form.m_anTable[1], Filled(8));
  WriteFileText(dir.File("hundred.txt"), Numbers(100, ";", 100));
  EXPECT_EQ(form.Load(dir.File("hundred.txt"), sink), CDqtForm::kTable0);
  EXPECT_EQ(form.m_anTable[0][0], 100);
  EXPECT_EQ(form.m_anTable[1], Filled(8));
}

TEST_F(DqtFormFiles, oneHundredTwentyEightValuesBetweenTabsAndSemicolonsReplaceBoth) {
  std::string text;
  for (int i = 0; i < 128; ++i) text += std::to_string(i + 1) + (i % 3 == 0 ? "\t" : i % 3 == 1 ? ";" : ", ");
  WriteFileText(dir.File("both.txt"), text);
  EXPECT_EQ(form.Load(dir.File("both.txt"), sink), CDqtForm::kTable0 | CDqtForm::kTable1);
  EXPECT_EQ(form.m_anTable[1][0], 65);
  EXPECT_EQ(form.m_anTable[1][63], 128);
}

TEST_F(DqtFormFiles, shortOrEmptyFilesChangeNothingAndSayNothing) {
  WriteFileText(dir.File("short.dqt"), Numbers(63, ","));
  WriteFileText(dir.File("empty.dqt"), "");
  WriteFileText(dir.File("junk.dqt"), "hello world, this is not a table\n");
  for (const char* name : {"short.dqt", "empty.dqt", "junk.dqt"}) {
    EXPECT_EQ(form.Load(dir.File(name), sink), 0) << name;
    EXPECT_EQ(form.m_anTable[0], Filled(9)) << name;
    EXPECT_EQ(form.m_anTable[1], Filled(8)) << name;
  }
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(DqtFormFiles, aMissingFileOrAFolderIsReportedAndChangesNothing) {
  ::mkdir(dir.File("folder.dqt").c_str(), 0755);
  for (const char* name : {"missing.dqt", "folder.dqt"}) {
    sink.messages.clear();
    EXPECT_EQ(form.Load(dir.File(name), sink), 0);
    ASSERT_EQ(sink.messages.size(), 1u) << name;
    EXPECT_EQ(sink.messages[0].text, "LoadDQT:Can't open the file.\n" + dir.File(name));
  }
  EXPECT_EQ(form.m_anTable[0], Filled(9));
  EXPECT_EQ(form.m_anTable[1], Filled(8));
}

TEST_F(DqtFormFiles, aFileThatCannotBeWrittenIsReported) {
  const std::string path = dir.File("no/such/folder/t.dqt");
  EXPECT_FALSE(form.Save(path, sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "SaveDQT:Can't open the file.\n" + path);
  EXPECT_FALSE(FileExists(path));
}

} // namespace
