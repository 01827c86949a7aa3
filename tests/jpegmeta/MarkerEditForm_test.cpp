#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "app/AppHelpers.h"
#include "jpegmeta/MarkerEditForm.h"
#include "jpegmeta/MarkerTree.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/SegmentList.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

// A record holding the given bytes in memory.
std::unique_ptr<CJpegSegment> Record(const Bytes& b) { return std::make_unique<CJpegSegment>(b.size(), b.data()); }

Bytes Range(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i);
  return b;
}

// The records of a file as the segment reader sees them.
SegmentList ReadBack(const std::string& path) {
  SegmentList list;
  CSegmentFile f;
  if (f.Open(path)) ParseJpeg(f, list);
  return list;
}

std::vector<int> Codes(const SegmentList& list) {
  std::vector<int> c;
  for (const auto& r : list) c.push_back(r->Has(SF_NOT_LOADED) ? 0 : r->MarkerCode());
  return c;
}

const CJpegSegment* First(const CMarkerEditForm& form, int code) {
  for (const auto& r : form.List())
    if (!r->Has(SF_DROP) && !r->Has(SF_NOT_LOADED) && r->MarkerCode() == code) return r.get();
  return nullptr;
}

const CJpegSegment* FirstRun(const CMarkerEditForm& form) {
  for (const auto& r : form.List())
    if (r->Has(SF_NOT_LOADED)) return r.get();
  return nullptr;
}

bool NoTempLeft(const std::string& dir) {
  for (const std::string& name : FolderEntries(dir))
    if (IsTempFileName(name)) return false;
  return true;
}

class MarkerEditFormTest : public ::testing::Test {
protected:
  std::string Jpeg(const std::string& name, const Bytes& bytes) {
    const std::string path = dir.File(name);
    WriteFileBytes(path, bytes);
    return path;
  }
  TempDir dir;
  RecordingSink sink;
};

// ---- hex text ----

TEST(MarkerHexText, ShowsSixteenBytesALineAndEndsTheLast) {
  auto rec = Record(Range(18));
  EXPECT_EQ(HexDumpText(*rec),
            "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \r\n10 11 \r\n");
  EXPECT_EQ(HexDumpText(*rec, "\n"), "00 01 02 03 04 05 06 07 08 09 0a 0b 0c 0d 0e 0f \n10 11 \n");
  auto run = CJpegSegment::NotLoaded(SF_SOURCE | SF_NOT_LOADED, 0, 100);
  EXPECT_EQ(HexDumpText(*run), "(scan data...)");
}

TEST(MarkerHexText, SelectsExactlyTheDigitsOfAnItemsBytes) {
  auto rec = Record(Range(40));
  for (int lineEnd : {2, 1}) {
    const std::string text = HexDumpText(*rec, lineEnd == 2 ? "\r\n" : "\n");
    auto shown = [&](int o, int n) {
      const HexSelection s = HexSelectionOf(o, n, lineEnd);
      return text.substr(static_cast<size_t>(s.start), static_cast<size_t>(s.end - s.start));
    };
    EXPECT_EQ(shown(7, 2), "07 08");  // the "Columns=" of a SOF0
    EXPECT_EQ(shown(0, 4), "00 01 02 03");
    EXPECT_EQ(shown(15, 1), "0f");  // the last byte of a line, without its blank
    EXPECT_EQ(shown(16, 1), "10");
    EXPECT_EQ(shown(0, 16), text.substr(0, 47));
    const std::string across = shown(14, 4);
    EXPECT_EQ(across.substr(0, 5), "0e 0f");
    EXPECT_EQ(across.substr(across.size() - 5), "10 11");
  }
  const HexSelection run = HexSelectionOf(0, 0);
  EXPECT_TRUE(run.all);
  EXPECT_EQ(run.end, -1);
}

TEST(MarkerHexText, ReadsRunsOfDigitsAsBytesAndAnythingElseAsSeparators) {
  EXPECT_EQ(ParseHexText("ff d8\r\nFF e0 00 10\n"), (Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}));
  EXPECT_EQ(ParseHexText("123 abcd 7"), (Bytes{0x23, 0xCD, 0x07}));  // modulo 256
  EXPECT_EQ(ParseHexText("fg1,x-2"), (Bytes{0x0F, 0x01, 0x02}));
  EXPECT_EQ(ParseHexText("ＦＦ ff、あ12"), (Bytes{0xFF, 0x12}));  // full-width letters are no digits
  EXPECT_EQ(ParseHexText(""), Bytes{});
  EXPECT_EQ(ParseHexText("\n\n(scan data...)"), (Bytes{0xCA, 0xDA, 0x0A}));
}

TEST(MarkerHexText, ReadsOnlyTheFirst256CharactersOfALine) {
  std::string line;
  for (int i = 0; i < 100; ++i) line += "ab ";  // 300 characters
  const Bytes bytes = ParseHexText(line + "\n01");
  // 85 whole "ab " and the 'a' of the 86th fit; the line's rest is cut.
  ASSERT_EQ(bytes.size(), 87u);
  EXPECT_EQ(bytes[84], 0xAB);
  EXPECT_EQ(bytes[85], 0x0A);
  EXPECT_EQ(bytes[86], 0x01);
  // Characters, not bytes: 256 two-byte letters leave no room for digits.
  std::string wide;
  for (int i = 0; i < 256; ++i) wide += "é";
  EXPECT_EQ(ParseHexText(wide + "12"), Bytes{});
  EXPECT_EQ(ParseHexText(wide.substr(0, 2 * 255) + "12"), Bytes{0x01});
}

TEST(MarkerHexText, ComparesTheLengthFieldOnlyBeyondThreeBytes) {
  EXPECT_FALSE(LengthFieldDiffers({0xFF, 0xD8}));
  EXPECT_FALSE(LengthFieldDiffers({0xFF, 0xFE, 0x00}));
  EXPECT_FALSE(LengthFieldDiffers({0xFF, 0xFE, 0x00, 0x02}));
  EXPECT_TRUE(LengthFieldDiffers({0xFF, 0xFE, 0x00, 0x03}));
  EXPECT_TRUE(LengthFieldDiffers({0xFF, 0xFE, 0x00, 0x02, 0x41}));
}

// ---- table pictures ----

TEST(MarkerTablePictures, PutZigZagEntriesInRowOrder) {
  Bytes p = {0x00};
  for (int k = 0; k < 64; ++k) p.push_back(static_cast<uint8_t>(k));
  auto rec = Record(Segment(0xDB, p));
  const auto pics = DqtPicturesOf(*rec);
  ASSERT_EQ(pics.size(), 1u);
  EXPECT_EQ(pics[0].id, 0);
  EXPECT_EQ(pics[0].values[0], 0);
  EXPECT_EQ(pics[0].values[1], 1);
  EXPECT_EQ(pics[0].values[8], 2);
  EXPECT_EQ(pics[0].values[16], 3);
  EXPECT_EQ(pics[0].values[63], 63);
}

TEST(MarkerTablePictures, RoundSixteenBitEntriesToEightBits) {
  Bytes p = {0x11};  // 16-bit, table 1
  for (int k = 0; k < 64; ++k) {
    const uint16_t v = k == 0 ? 0x0180 : k == 1 ? 0x017F : 0xFFFF;
    p.push_back(static_cast<uint8_t>(v >> 8));
    p.push_back(static_cast<uint8_t>(v));
  }
  auto rec = Record(Segment(0xDB, p));
  const auto pics = DqtPicturesOf(*rec);
  ASSERT_EQ(pics.size(), 1u);
  EXPECT_EQ(pics[0].id, 1);
  EXPECT_EQ(pics[0].values[0], 2);    // (384 + 128) / 256
  EXPECT_EQ(pics[0].values[1], 1);    // (383 + 128) / 256
  EXPECT_EQ(pics[0].values[63], 255); // 65535 would round up to 256
}

TEST(MarkerTablePictures, SkipTablesBeyondOneAndStopAtAnUnknownPrecision) {
  Bytes p = {0x02};
  p.resize(65, 9);
  p.push_back(0x01);
  p.resize(130, 7);
  p.push_back(0x20);  // precision 2: size unknown
  auto rec = Record(Segment(0xDB, p));
  const auto pics = DqtPicturesOf(*rec);
  ASSERT_EQ(pics.size(), 1u);
  EXPECT_EQ(pics[0].id, 1);
  EXPECT_EQ(pics[0].values[5], 7);
  // A table cut short by the length field is not shown.
  Bytes cut = Segment(0xDB, Bytes(40, 1));
  EXPECT_TRUE(DqtPicturesOf(*Record(cut)).empty());
  EXPECT_EQ(QfLabelOf(64), "Qf=100.0");
  EXPECT_EQ(QfLabelOf(64 * 255), "Qf=0.0");
}

// ---- edits ----

TEST_F(MarkerEditFormTest, AFileThatCannotBeOpenedLeavesAnEmptyList) {
  CMarkerEditForm form;
  EXPECT_FALSE(form.Open(dir.File("missing.jpg"), sink));
  EXPECT_TRUE(form.List().empty());
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "JpegMarker:Can't open the file.\n" + dir.File("missing.jpg"));
  EXPECT_FALSE(form.Open(dir.Path(), sink));  // a folder
}

TEST_F(MarkerEditFormTest, AShortDqtAnsweredYesGetsItsLengthCorrected) {
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(Jpeg("a.jpg", BaselineJpeg({1, 2, 3})), sink));
  const CJpegSegment* dqt = First(form, 0xDB);
  ASSERT_NE(dqt, nullptr);
  Bytes typed(dqt->m_pData, dqt->m_pData + dqt->m_nLength - 1);
  sink.answer = IDYES;
  const CJpegSegment* made = form.Replace(dqt, typed, sink);
  ASSERT_NE(made, nullptr);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, kMarkerLengthQuestion);
  EXPECT_EQ(sink.messages[0].style, MB_YESNOCANCEL | MB_ICONQUESTION);
  EXPECT_EQ(made->m_nLength, 68);
  EXPECT_EQ(made->LengthField(), 66);
  EXPECT_FALSE(made->Has(SF_SOURCE));
  EXPECT_TRUE(dqt->Has(SF_DROP));  // a source record stays, dropped
  EXPECT_TRUE(form.IsModified());
  EXPECT_EQ(std::next(std::find_if(form.List().begin(), form.List().end(),
                                   [&](const auto& r) { return r.get() == dqt; }))->get(),
            made);
}

TEST_F(MarkerEditFormTest, AShortDqtAnsweredNoKeepsTheBytesAndCancelChangesNothing) {
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(Jpeg("a.jpg", BaselineJpeg({1, 2, 3})), sink));
  const CJpegSegment* dqt = First(form, 0xDB);
  Bytes typed(dqt->m_pData, dqt->m_pData + dqt->m_nLength - 1);
  sink.answer = IDCANCEL;
  EXPECT_EQ(form.Replace(dqt, typed, sink), nullptr);
  EXPECT_FALSE(dqt->Has(SF_DROP));
  EXPECT_FALSE(form.IsModified());
  const size_t before = form.List().size();
  sink.answer = IDNO;
  const CJpegSegment* made = form.Replace(dqt, typed, sink);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->LengthField(), 67);
  EXPECT_EQ(made->m_nLength, 68);
  EXPECT_EQ(form.List().size(), before + 1);
  // Replacing the in-memory record again takes it out of the list.
  sink.answer = IDYES;
  const CJpegSegment* again = form.Replace(made, {0xFF, 0xFE, 0x00, 0x02}, sink);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(form.List().size(), before + 1);
  EXPECT_EQ(sink.messages.size(), 2u);  // a matching length asks nothing
}

TEST_F(MarkerEditFormTest, AnEmptyReplacementWritesNothingInThePlaceOfTheRecord) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg({1, 2, 3}));
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  const CJpegSegment* made = form.Replace(First(form, 0xE0), ParseHexText("\n"), sink);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->m_nLength, 0);
  EXPECT_EQ(HexDumpText(*made), "");
  EXPECT_TRUE(sink.messages.empty());
  sink.answer = IDYES;
  ASSERT_EQ(form.Save(dir.Path(), sink), 1);
  EXPECT_EQ(Codes(ReadBack(path)), (std::vector<int>{0xD8, 0xDB, 0xC0, 0xC4, 0xDA, 0, 0xD9}));
}

TEST_F(MarkerEditFormTest, RunsLeftInTheFileAndPngChunksAreNotEdited) {
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(Jpeg("a.jpg", BaselineJpeg({1, 2, 3})), sink));
  const CJpegSegment* run = FirstRun(form);
  ASSERT_NE(run, nullptr);
  EXPECT_FALSE(form.IsEditable(run));
  EXPECT_EQ(form.Replace(run, ParseHexText("(scan data...)"), sink), nullptr);
  EXPECT_TRUE(form.IsEditable(First(form, 0xD8)));

  Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  Append(png, PngChunkBytes("IHDR", {0, 0, 0, 1, 0, 0, 0, 1, 8, 2, 0, 0, 0}));
  Append(png, PngChunkBytes("IEND", {}));
  CMarkerEditForm pngForm;
  ASSERT_TRUE(pngForm.Open(Jpeg("a.PNG", png), sink));
  ASSERT_TRUE(pngForm.IsPng());
  ASSERT_EQ(pngForm.List().size(), 2u);
  const CJpegSegment* ihdr = pngForm.List().front().get();
  EXPECT_FALSE(pngForm.IsEditable(ihdr));
  EXPECT_EQ(pngForm.InsertComment(ihdr), nullptr);
  EXPECT_FALSE(pngForm.Delete(ihdr));
  sink.answer = IDYES;
  EXPECT_EQ(pngForm.Save(dir.Path(), sink), 0);
  EXPECT_TRUE(sink.messages.empty());
  // A .png name without the signature shows nothing.
  CMarkerEditForm fake;
  ASSERT_TRUE(fake.Open(Jpeg("b.png", BaselineJpeg({1})), sink));
  EXPECT_FALSE(fake.IsPng());
  EXPECT_TRUE(fake.List().empty());
}

// ---- saving ----

TEST_F(MarkerEditFormTest, InsThenSaveWritesAnEmptyCommentAfterTheSelectedSegment) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg({1, 2, 3}));
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  const CJpegSegment* made = form.InsertComment(First(form, 0xE0));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(form.IsModified());
  sink.answer = IDYES;
  ASSERT_EQ(form.Save(dir.File("tmp"), sink), 0);  // no such temporary folder
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[0].text, kMarkerSaveQuestion);
  EXPECT_EQ(sink.messages[0].style, MB_YESNO | MB_ICONEXCLAMATION | kMarkerDefaultSecond);
  EXPECT_EQ(sink.messages[1].text, "Save:中間ファイルが生成できません\n" + dir.File("tmp"));
  EXPECT_EQ(ReadFileBytes(path), BaselineJpeg({1, 2, 3}));

  sink.messages.clear();
  ::mkdir(dir.File("tmp").c_str(), 0755);
  ASSERT_EQ(form.Save(dir.File("tmp"), sink), 1);
  EXPECT_TRUE(sink.messages.size() == 1u);
  const SegmentList back = ReadBack(path);
  EXPECT_EQ(Codes(back), (std::vector<int>{0xD8, 0xE0, 0xFE, 0xDB, 0xC0, 0xC4, 0xDA, 0, 0xD9}));
  const CJpegSegment& com = **std::next(back.begin(), 2);
  EXPECT_EQ(com.m_nLength, 4);
  EXPECT_EQ(com.LengthField(), 2);
  EXPECT_TRUE(NoTempLeft(dir.File("tmp")));
  EXPECT_TRUE(NoTempLeft(dir.Path()));
}

TEST_F(MarkerEditFormTest, DelOnTheScanDataThenSaveWritesNoEntropyCodedData) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg({1, 2, 0xFF, 0x00, 3}));
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  ASSERT_TRUE(form.Delete(FirstRun(form)));
  sink.answer = IDYES;
  ASSERT_EQ(form.Save(dir.Path(), sink), 1);
  EXPECT_EQ(Codes(ReadBack(path)), (std::vector<int>{0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9}));
  EXPECT_EQ(ReadFileBytes(path).size(), BaselineJpeg({}).size());
}

TEST_F(MarkerEditFormTest, SaveAnsweredNoLeavesTheFileAndMakesNoTemporaryFile) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg({1, 2, 3}));
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  form.Delete(First(form, 0xE0));
  sink.answer = IDNO;
  EXPECT_EQ(form.Save(dir.Path(), sink), 0);
  EXPECT_EQ(ReadFileBytes(path), BaselineJpeg({1, 2, 3}));
  EXPECT_TRUE(NoTempLeft(dir.Path()));
}

TEST_F(MarkerEditFormTest, SavingAFileWithoutEoiKeepsTheBytesAfterItsLastRecord) {
  Bytes bytes = BaselineJpeg({1, 2, 3, 4, 5});
  bytes.resize(bytes.size() - 4);  // cut inside the scan data: no EOI
  const std::string path = Jpeg("cut.jpg", bytes);
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  ASSERT_EQ(form.List().back()->MarkerCode(), 0xDA);
  form.InsertComment(First(form, 0xD8));
  sink.answer = IDYES;
  ASSERT_EQ(form.Save(dir.Path(), sink), 1);
  Bytes want = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x02};
  want.insert(want.end(), bytes.begin() + 2, bytes.end());
  EXPECT_EQ(ReadFileBytes(path), want);
}

TEST_F(MarkerEditFormTest, AFileChangedSinceOpeningIsNotWrittenOver) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg({1, 2, 3}));
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  form.InsertComment(First(form, 0xD8));
  WriteFileBytes(path, BaselineJpeg({9, 9, 9, 9}));
  sink.answer = IDYES;
  EXPECT_EQ(form.Save(dir.Path(), sink), 0);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1].text, std::string("Save:") + kMarkerSourceChanged + "\n" + path);
  EXPECT_EQ(ReadFileBytes(path), BaselineJpeg({9, 9, 9, 9}));
}

TEST_F(MarkerEditFormTest, AFailedTemporaryWriteLeavesTheFileAndNoTemporaryFile) {
  const std::string path = Jpeg("a.jpg", BaselineJpeg(Bytes(4000, 0x11)));
  ::mkdir(dir.File("tmp").c_str(), 0755);
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  form.InsertComment(First(form, 0xD8));
  sink.answer = IDYES;
  int saved;
  {
    FileSizeLimit limit(1000);
    saved = form.Save(dir.File("tmp"), sink);
  }
  EXPECT_EQ(saved, 0);
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1].text.rfind("CreateTemp:中間ファイルが生成できません\n" + dir.File("tmp/"), 0), 0u);
  EXPECT_EQ(ReadFileBytes(path), BaselineJpeg(Bytes(4000, 0x11)));
  EXPECT_TRUE(NoTempLeft(dir.File("tmp")));
}

// Each step of a save failing for real, on file systems of the test's own.
class MarkerSaveFailures : public MarkerEditFormTest {
protected:
  // A JPEG of about 40 KB: a big comment and a little scan data.
  Bytes Big() {
    Bytes b = {0xFF, 0xD8};
    Append(b, Segment(0xFE, Bytes(40000, 'x')));
    Append(b, Dqt(0, 1));
    Append(b, Sof0());
    Append(b, Dht());
    Append(b, Sos());
    Append(b, {1, 2, 3, 0xFF, 0xD9});
    return b;
  }
  void Run(const std::function<std::string()>& fn) {
    const std::string result = InPrivateMounts(fn);
    if (result.rfind("skip:", 0) == 0) GTEST_SKIP() << result;
    EXPECT_EQ(result, "");
  }
  // Opens, edits and saves; what the messages said, one a line.
  std::string EditAndSave(const std::string& path, const std::string& tempDir, int& saved) {
    RecordingSink s;
    CMarkerEditForm form;
    if (!form.Open(path, s)) return "not opened";
    form.InsertComment(First(form, 0xD8));
    s.answer = IDYES;
    saved = form.Save(tempDir, s);
    std::string said;
    for (size_t i = 1; i < s.messages.size(); ++i) said += s.messages[i].text + "|";
    return said;
  }
};

TEST_F(MarkerSaveFailures, AReadOnlyTemporaryFolderStopsBeforeAnythingIsWritten) {
  const std::string path = Jpeg("a.jpg", Big());
  const std::string tmp = dir.File("tmp");
  ::mkdir(tmp.c_str(), 0755);
  Run([&]() -> std::string {
    if (::mount("tmpfs", tmp.c_str(), "tmpfs", MS_RDONLY, "size=1m") != 0) return "skip: no tmpfs mount here";
    int saved = -1;
    const std::string said = EditAndSave(path, tmp, saved);
    if (saved != 0) return "saved";
    if (said != "Save:中間ファイルが生成できません\n" + tmp + "|") return "said " + said;
    if (ReadFileBytes(path) != Big()) return "the file changed";
    return "";
  });
}

TEST_F(MarkerSaveFailures, AFullTemporaryFolderLeavesTheFileAndRemovesThePartialCopy) {
  const std::string path = Jpeg("a.jpg", Big());
  const std::string tmp = dir.File("tmp");
  ::mkdir(tmp.c_str(), 0755);
  Run([&]() -> std::string {
    if (::mount("tmpfs", tmp.c_str(), "tmpfs", 0, "size=16k") != 0) return "skip: no tmpfs mount here";
    int saved = -1;
    const std::string said = EditAndSave(path, tmp, saved);
    if (saved != 0) return "saved";
    if (said.rfind("CreateTemp:中間ファイルが生成できません\n" + tmp + "/", 0) != 0) return "said " + said;
    if (ReadFileBytes(path) != Big()) return "the file changed";
    if (!NoTempLeft(tmp)) return "a partial copy stayed";
    return "";
  });
}

TEST_F(MarkerSaveFailures, AReplaceThatFailsKeepsTheFileAndLeavesTheNewContentInTheTemporaryFile) {
  const std::string photos = dir.File("photos");
  const std::string tmp = dir.File("tmp");
  ::mkdir(photos.c_str(), 0755);
  ::mkdir(tmp.c_str(), 0755);
  Run([&]() -> std::string {
    // The photo's folder full: the original fits, a second copy does not.
    if (::mount("tmpfs", photos.c_str(), "tmpfs", 0, "size=64k") != 0) return "skip: no tmpfs mount here";
    const std::string path = photos + "/a.jpg";
    WriteFileBytes(path, Big());
    int saved = -1;
    std::string said = EditAndSave(path, tmp, saved);
    if (saved != 0) return "saved into a full folder";
    const size_t bar = said.find('|');
    if (said.rfind("MoveTemp:", 0) != 0 || bar == std::string::npos) return "said " + said;
    const std::string second = said.substr(bar + 1);
    const std::string lead = std::string("ReplaceTemp:") + kMarkerTempLeft + "\n";
    if (second.rfind(lead, 0) != 0) return "said " + said;
    const std::string temp = second.substr(lead.size(), second.size() - lead.size() - 1);
    if (ReadFileBytes(path) != Big()) return "the file changed";
    if (ReadFileBytes(temp).size() != Big().size() + 4) return "the temporary file lost the edit";
    if (!NoTempLeft(photos)) return "a copy stayed beside the photo";

    // The photo's folder read-only: the rename has nowhere to go.
    if (::mount(nullptr, photos.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) return "skip: no remount";
    said = EditAndSave(path, tmp, saved);
    if (saved != 0) return "saved into a read-only folder";
    if (said.rfind("Rename:", 0) != 0 || said.find("ReplaceTemp:") == std::string::npos) return "said " + said;
    if (ReadFileBytes(path) != Big()) return "the file changed";
    return "";
  });
}

// ---- hostile files ----

TEST_F(MarkerEditFormTest, BrokenAndHostileFilesShowWhatParsesAndSaveWithoutHarm) {
  std::vector<std::string> files;
  for (const char* sub : {"/parse_jpeg", "/parse_png", "/exif_to_jfif"}) {
    const std::string d = std::string(QUORVEX_SAMPLES_DIR) + "/../fuzz/seeds" + sub;
    for (const std::string& name : FolderEntries(d)) files.push_back(d + "/" + name);
  }
  const std::string invalid = CorpusDir().empty() ? std::string() : CorpusDir() + "/invalid";
  if (!invalid.empty())
    for (const std::string& name : FolderEntries(invalid)) files.push_back(invalid + "/" + name);
  ASSERT_GT(files.size(), 5u);
  for (const std::string& src : files) {
    SCOPED_TRACE(src);
    const std::string name = src.substr(src.find_last_of('/') + 1);
    const std::string path = Jpeg(name, ReadFileBytes(src));
    CMarkerEditForm form;
    ASSERT_TRUE(form.Open(path, sink));
    std::function<void(const MarkerNode&)> walk = [&](const MarkerNode& node) {
      const std::string text = HexDumpText(*node.item.record);
      const HexSelection s = HexSelectionOf(node.item.offset, node.item.count);
      if (!s.all) {
        EXPECT_LE(s.start, s.end);
        EXPECT_LE(static_cast<size_t>(s.end), text.size());
      }
      for (const MarkerNode& child : node.children) walk(child);
    };
    for (const MarkerNode& node : BuildMarkerTree(form.List(), form.IsPng())) {
      walk(node);
      DqtPicturesOf(*node.item.record);
    }
    if (form.IsPng() || form.List().empty()) continue;
    // Unchanged but saved: everything up to EOI (or the whole file without
    // one) comes back.
    const Bytes before = ReadFileBytes(path);
    form.InsertComment(form.List().front().get());
    sink.answer = IDYES;
    ASSERT_EQ(form.Save(dir.Path(), sink), 1);
    const Bytes after = ReadFileBytes(path);
    ASSERT_GE(after.size(), 4u);
    EXPECT_LE(after.size(), before.size() + 4);
  }
}

} // namespace
