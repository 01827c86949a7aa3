#include <gtest/gtest.h>

#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "app/AppHelpers.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/PngChunk.h"
#include "jpegmeta/SegmentList.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

SegmentList ParseBytes(const Bytes& bytes) {
  CSegmentFile f(16);  // small buffer: every record crosses refills
  f.OpenMemory(bytes.data(), bytes.size());
  SegmentList list;
  EXPECT_EQ(ParseJpeg(f, list), 1);
  return list;
}

std::vector<const CJpegSegment*> Records(const SegmentList& list) {
  std::vector<const CJpegSegment*> v;
  for (const auto& r : list) v.push_back(r.get());
  return v;
}

// Records must tile the file from offset 0 without gaps or overlaps.
int64_t CoveredLength(const SegmentList& list) {
  int64_t at = 0;
  for (const auto& r : list) {
    EXPECT_EQ(r->m_nOffset, at);
    at += r->m_nLength;
  }
  return at;
}

Bytes WriteToMemory(const Bytes& source, const SegmentList& list, int* result = nullptr) {
  CSegmentFile f;
  f.OpenMemory(source.data(), source.size());
  char* buf = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&buf, &size);
  const int ok = WriteSegments(f, out, list);
  std::fclose(out);
  Bytes b(buf, buf + size);
  std::free(buf);
  if (result) *result = ok;
  return b;
}

std::vector<std::string> FolderEntries(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = opendir(path.c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

const Bytes kScan = {0x12, 0x34, 0xFF, 0x00, 0x56, 0x78};

TEST(ParseJpeg, BaselineFileGivesEightRecordsWithTheScanRunBetweenSosAndEoi) {
  const Bytes file = BaselineJpeg(kScan);
  const SegmentList list = ParseBytes(file);
  const auto r = Records(list);
  ASSERT_EQ(r.size(), 8u);
  const int codes[] = {0xD8, 0xE0, 0xDB, 0xC0, 0xC4, 0xDA, 0, 0xD9};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(r[i]->MarkerCode(), codes[i]) << i;
  EXPECT_EQ(r[0]->m_nLength, 2);
  EXPECT_EQ(r[1]->m_nLength, 18);
  EXPECT_EQ(r[2]->m_nLength, 69);
  EXPECT_EQ(r[0]->m_nFlags, SF_SOURCE | SF_INLINE);
  EXPECT_EQ(r[1]->m_nFlags, SF_SOURCE);
  // The run: from the end of SOS to the EOI's 0xFF, the stuffed 0x00 inside.
  EXPECT_EQ(r[6]->m_nFlags, SF_SOURCE | SF_NOT_LOADED);
  EXPECT_EQ(r[6]->m_pData, nullptr);
  EXPECT_EQ(r[6]->m_nOffset, r[5]->m_nOffset + r[5]->m_nLength);
  EXPECT_EQ(r[6]->m_nLength, static_cast<int64_t>(kScan.size()));
  EXPECT_EQ(r[7]->m_nOffset, static_cast<int64_t>(file.size()) - 2);
  EXPECT_EQ(CoveredLength(list), static_cast<int64_t>(file.size()));
  EXPECT_EQ(std::memcmp(r[3]->m_pData, Sof0().data(), Sof0().size()), 0);
}

TEST(ParseJpeg, RestartMarkersSplitTheScanRun) {
  const Bytes scan = {1, 2, 0xFF, 0xD0, 3, 0xFF, 0x00, 4, 0xFF, 0xD7, 5};
  const SegmentList list = ParseBytes(BaselineJpeg(scan));
  const auto r = Records(list);
  ASSERT_EQ(r.size(), 12u);
  EXPECT_EQ(r[6]->m_nLength, 2);  // 1 2
  EXPECT_EQ(r[7]->MarkerCode(), 0xD0);
  EXPECT_EQ(r[8]->m_nLength, 4);  // 3 FF 00 4
  EXPECT_EQ(r[9]->MarkerCode(), 0xD7);
  EXPECT_EQ(r[10]->m_nLength, 1);
  EXPECT_EQ(r[11]->MarkerCode(), 0xD9);
}

TEST(ParseJpeg, FillBytesBelongToThePrecedingRun) {
  Bytes file = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF};
  Append(file, Dht());
  Append(file, {0xFF, 0xD9});
  const auto list = ParseBytes(file);
  const auto r = Records(list);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[1]->m_nOffset, 2);
  EXPECT_EQ(r[1]->m_nLength, 3);  // three fill bytes
  EXPECT_EQ(r[2]->MarkerCode(), 0xC4);
  EXPECT_EQ(r[2]->m_nOffset, 5);
  EXPECT_EQ(CoveredLength(list), static_cast<int64_t>(file.size()));
}

TEST(ParseJpeg, BytesBeforeSoiLeadAndBytesAfterEoiAreLeftOut) {
  Bytes file = {'j', 'u', 'n', 'k'};
  Append(file, BaselineJpeg(kScan));
  const size_t jpegEnd = file.size();
  Append(file, {0xFF, 0xE1, 0x00, 0x04, 1, 2, 'x'});
  const auto list = ParseBytes(file);
  EXPECT_EQ(list.front()->m_nLength, 4);
  EXPECT_TRUE(list.front()->Has(SF_NOT_LOADED));
  EXPECT_EQ(list.back()->MarkerCode(), 0xD9);
  EXPECT_EQ(CoveredLength(list), static_cast<int64_t>(jpegEnd));
  const Bytes written = WriteToMemory(file, list);
  EXPECT_EQ(written, Bytes(file.begin(), file.begin() + static_cast<long>(jpegEnd)));
}

TEST(ParseJpeg, ASegmentCutShortOrWithAnImpossibleLengthEndsTheList) {
  Bytes file = {0xFF, 0xD8};
  Append(file, Jfif());
  Append(file, {0xFF, 0xDB, 0x00, 0x43, 0, 1, 1});  // announces 67 bytes
  auto list = ParseBytes(file);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list.back()->MarkerCode(), 0xE0);

  for (uint8_t low : {0, 1}) {
    Bytes bad = {0xFF, 0xD8, 0xFF, 0xFE, 0x00, low, 0xFF, 0xD9};
    list = ParseBytes(bad);
    ASSERT_EQ(list.size(), 1u) << int(low);
    EXPECT_EQ(list.front()->MarkerCode(), 0xD8);
  }
}

TEST(ParseJpeg, AFileWithoutEoiEndsWithItsLastMarkerRecordAndTheRunBeforeIt) {
  Bytes file = {0xFF, 0xD8};
  Append(file, Sos());
  Append(file, {1, 2, 3, 0xFF, 0xD1, 4, 5});
  const SegmentList list = ParseBytes(file);
  const auto r = Records(list);
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[3]->MarkerCode(), 0xD1);
}

TEST(ParseJpeg, NoMarkerAtAllGivesAnEmptyList) {
  EXPECT_TRUE(ParseBytes(Bytes(1000, 0x55)).empty());
  EXPECT_TRUE(ParseBytes({}).empty());
  EXPECT_TRUE(ParseBytes({0xFF}).empty());
  EXPECT_TRUE(ParseBytes({0xFF, 0xFF, 0xFF}).empty());
}

// ---- the in-memory parse ----

// ParseJpeg's records with every RSTn record merged into the runs around it.
// A run stands where ParseJpeg ends one: before a marker other than RSTn, or
// as the list's last record (a marker was found, its segment was cut short).
struct Expected {
  uint16_t flags;
  int64_t offset, length;
};

std::vector<Expected> WithoutRestarts(const SegmentList& list) {
  std::vector<Expected> out;
  int64_t runStart = 0;
  bool lastIsRun = false;
  for (const auto& r : list) {
    const int code = r->MarkerCode();
    const bool run = r->Has(SF_NOT_LOADED);
    if (run || (code >= 0xD0 && code <= 0xD7)) {
      lastIsRun = run;
      continue;
    }
    if (r->m_nOffset > runStart) out.push_back({SF_SOURCE | SF_NOT_LOADED, runStart, r->m_nOffset - runStart});
    out.push_back({static_cast<uint16_t>(r->m_nFlags & ~SF_INLINE), r->m_nOffset, r->m_nLength});
    runStart = r->m_nOffset + r->m_nLength;
    lastIsRun = false;
  }
  if (lastIsRun) {
    const int64_t end = list.back()->m_nOffset + list.back()->m_nLength;
    out.push_back({SF_SOURCE | SF_NOT_LOADED, runStart, end - runStart});
  }
  return out;
}

void ExpectInPlaceMatches(const Bytes& file, const std::string& what) {
  SegmentList inPlace;
  EXPECT_EQ(ParseJpegInPlace(file.data(), file.size(), inPlace), 1);
  const std::vector<Expected> want = WithoutRestarts(ParseBytes(file));
  ASSERT_EQ(inPlace.size(), want.size()) << what;
  size_t i = 0;
  for (const auto& r : inPlace) {
    const Expected& e = want[i++];
    EXPECT_EQ(r->m_nFlags & ~SF_INLINE, e.flags) << what << " record " << i;
    EXPECT_EQ(r->m_nOffset, e.offset) << what << " record " << i;
    ASSERT_EQ(r->m_nLength, e.length) << what << " record " << i;
    if (r->Has(SF_NOT_LOADED)) continue;
    // The bytes are the file's own, for the borrowed segments the very same.
    ASSERT_NE(r->m_pData, nullptr);
    EXPECT_EQ(std::memcmp(r->m_pData, file.data() + r->m_nOffset, static_cast<size_t>(r->m_nLength)), 0) << what;
    if (r->m_nLength > 8) {
      EXPECT_EQ(r->m_pData, file.data() + r->m_nOffset) << what;
    }
  }
}

TEST(ParseJpegInPlace, GivesParseJpegsRecordsWithRestartMarkersLeftInTheRuns) {
  const Bytes withRst = {1, 2, 0xFF, 0xD0, 3, 0xFF, 0x00, 4, 0xFF, 0xFF, 0xD7, 5};
  std::vector<std::pair<std::string, Bytes>> files = {
      {"baseline", BaselineJpeg(kScan)},
      {"restarts", BaselineJpeg(withRst)},
      {"fill bytes", {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, 0xC4, 0x00, 0x02, 0xFF, 0xD9}},
      {"junk first", {'j', 0xFF, 0xD0, 0xFF, 0xD8, 0xFF, 0xD9, 0xFF, 0xE1}},
      {"length below 2", {0xFF, 0xD8, 0xFF, 0xFE, 0x00, 0x01, 0xFF, 0xD9}},
      {"only 0xFF", {0xFF, 0xFF, 0xFF}},
      {"empty", {}},
  };
  // Marker bytes packed densely, on every alignment of a 64-byte step.
  for (unsigned seed = 1; seed <= 40; ++seed) {
    static const uint8_t kAlphabet[] = {0xFF, 0xFF, 0xFF, 0x00, 0xD0, 0xD9, 0xC4, 0x00, 0x12, 0x01};
    Bytes b = {0xFF, 0xD8};
    for (unsigned x = seed; b.size() < 700; x = x * 1103515245u + 12345u) b.push_back(kAlphabet[(x >> 16) % 10]);
    files.push_back({"dense " + std::to_string(seed), b});
  }
  const std::string corpus = CorpusDir();
  if (!corpus.empty())
    for (const char* sub : {"/camera", "/exif-org", "/invalid"})
      for (const std::string& f : ListJpegFiles(corpus + sub)) files.push_back({f, ReadFileBytes(f)});
  for (const auto& [name, bytes] : files) {
    ExpectInPlaceMatches(bytes, name);
    // Cut anywhere: inside a length field, a payload, the scan, a fill run.
    const size_t step = bytes.size() > 400 ? bytes.size() / 97 : 1;
    for (size_t cut = 0; cut < bytes.size(); cut += step)
      ExpectInPlaceMatches(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(cut)), name + " cut at " + std::to_string(cut));
  }
}

TEST(ParseJpegInPlace, ARestartIntervalScanIsOneRunAndWritesBackUnchanged) {
  Bytes scan;
  for (int i = 0; i < 300; ++i) Append(scan, {uint8_t(i), 0xFF, 0x00, 0xFF, uint8_t(0xD0 + i % 8)});
  const Bytes file = BaselineJpeg(scan);
  SegmentList list;
  ParseJpegInPlace(file.data(), file.size(), list);
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ((*std::next(list.begin(), 6))->m_nLength, static_cast<int64_t>(scan.size()));
  EXPECT_EQ(WriteToMemory(file, list), file);
}

class WriteSegmentsTest : public ::testing::Test {
protected:
  TempDir dir;
  std::string src = dir.File("src.jpg");
  std::string dst = dir.File("out.jpg");

  SegmentList ParsePath(const std::string& path) {
    CSegmentFile f;
    EXPECT_TRUE(f.Open(path));
    SegmentList list;
    ParseJpeg(f, list);
    return list;
  }
};

TEST_F(WriteSegmentsTest, AnUnchangedListReproducesEncoderOutputByteForByte) {
  const Bytes jpeg = EncodeJpeg(MakeTestPicture(300, 200), 300, 200, 3, 85, true);
  WriteFileBytes(src, jpeg);
  const SegmentList list = ParsePath(src);
  ASSERT_EQ(WriteSegments(src, dst, list), 1);
  EXPECT_EQ(ReadFileBytes(dst), jpeg);
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"out.jpg", "src.jpg"}));
}

TEST_F(WriteSegmentsTest, ADroppedRecordIsReplacedByANewOneInItsPlace) {
  const Bytes file = BaselineJpeg(kScan);
  WriteFileBytes(src, file);
  SegmentList list = ParsePath(src);
  auto it = std::next(list.begin(), 2);  // DQT
  (*it)->m_nFlags |= SF_DROP;
  const Bytes com = Segment(0xFE, {'h', 'i'});
  auto rec = std::make_unique<CJpegSegment>(static_cast<int64_t>(com.size()), com.data());
  EXPECT_TRUE(rec->Has(SF_INLINE));
  list.insert(std::next(it), std::move(rec));
  ASSERT_EQ(WriteSegments(src, dst, list), 1);

  Bytes expected = {0xFF, 0xD8};
  Append(expected, Jfif());
  Append(expected, com);
  Append(expected, Bytes(file.begin() + 2 + 18 + 69, file.end()));
  EXPECT_EQ(ReadFileBytes(dst), expected);
}

TEST_F(WriteSegmentsTest, ARecordTakenOutOfTheListIsPassedOverLikeADroppedOne) {
  WriteFileBytes(src, BaselineJpeg(kScan));
  SegmentList list = ParsePath(src);
  list.erase(std::next(list.begin()));  // APP0
  ASSERT_EQ(WriteSegments(src, dst, list), 1);
  const Bytes out = ReadFileBytes(dst);
  ASSERT_GT(out.size(), 4u);
  EXPECT_EQ(out[3], 0xDB);
}

TEST_F(WriteSegmentsTest, RecordsOutOfFileOrderFailInsteadOfWritingGarbage) {
  WriteFileBytes(src, BaselineJpeg(kScan));
  SegmentList list = ParsePath(src);
  list.splice(list.begin(), list, std::prev(list.end()));  // EOI first
  EXPECT_EQ(WriteSegments(src, dst, list), 0);
  EXPECT_FALSE(FileExists(dst));
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"src.jpg"});
}

TEST_F(WriteSegmentsTest, ASourceThatShrankAfterParsingFailsAndLeavesTheDestinationAsItWas) {
  const Bytes file = BaselineJpeg(kScan);
  WriteFileBytes(src, file);
  const SegmentList list = ParsePath(src);
  WriteFileBytes(src, Bytes(file.begin(), file.begin() + 30));
  WriteFileText(dst, "old content");
  EXPECT_EQ(WriteSegments(src, dst, list), 0);
  EXPECT_EQ(ReadFileBytes(dst), Bytes({'o', 'l', 'd', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'}));
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"out.jpg", "src.jpg"}));
}

TEST_F(WriteSegmentsTest, FailsWhenEitherFileCannotBeOpened) {
  WriteFileBytes(src, BaselineJpeg(kScan));
  const SegmentList list = ParsePath(src);
  EXPECT_EQ(WriteSegments(dir.File("missing.jpg"), dst, list), 0);
  EXPECT_EQ(WriteSegments(src, dir.File("no/such/folder.jpg"), list), 0);
}

TEST_F(WriteSegmentsTest, WritingOntoTheSourceItselfIsSafe) {
  const Bytes file = BaselineJpeg(kScan);
  WriteFileBytes(src, file);
  SegmentList list = ParsePath(src);
  (*std::next(list.begin()))->m_nFlags |= SF_DROP;
  ASSERT_EQ(WriteSegments(src, src, list), 1);
  EXPECT_EQ(ReadFileBytes(src).size(), file.size() - 18);
}

TEST_F(WriteSegmentsTest, KeepsTheModeOfAnExistingDestination) {
  WriteFileBytes(src, BaselineJpeg(kScan));
  WriteFileText(dst, "x");
  ASSERT_EQ(chmod(dst.c_str(), 0640), 0);
  ASSERT_EQ(WriteSegments(src, dst, ParsePath(src)), 1);
  struct stat st {};
  ASSERT_EQ(stat(dst.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

class ReplaceFileTest : public ::testing::Test {
protected:
  TempDir dir;
  RecordingSink sink;
  std::string target = dir.File("target.jpg");
  std::string fresh = dir.File("new.tmp");
};

TEST_F(ReplaceFileTest, TheTargetGetsTheNewContentAndNoBackupRemains) {
  WriteFileText(target, "old");
  WriteFileText(fresh, "new content");
  ASSERT_EQ(chmod(target.c_str(), 0600), 0);
  ASSERT_TRUE(ReplaceFile(fresh, target, sink));
  EXPECT_EQ(ReadFileBytes(target), Bytes({'n', 'e', 'w', ' ', 'c', 'o', 'n', 't', 'e', 'n', 't'}));
  EXPECT_TRUE(FileExists(fresh));  // its owner deletes it
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"new.tmp", "target.jpg"}));
  EXPECT_TRUE(sink.messages.empty());
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(ReplaceFileTest, AMissingNewFileReportsMoveTempAndKeepsTheTarget) {
  WriteFileText(target, "old");
  EXPECT_FALSE(ReplaceFile(dir.File("gone.tmp"), target, sink));
  EXPECT_EQ(ReadFileBytes(target), Bytes({'o', 'l', 'd'}));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "MoveTemp:中間ファイルが生成できません\n" + target);
  EXPECT_EQ(sink.messages[0].style, MB_OK | MB_ICONSTOP);
  EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"target.jpg"});
}

TEST_F(ReplaceFileTest, ATargetThatCannotBeReplacedReportsRenameWithTheBackupName) {
  ASSERT_EQ(mkdir(target.c_str(), 0755), 0);
  WriteFileText(target + "/inside", "keep");
  WriteFileText(fresh, "new");
  EXPECT_FALSE(ReplaceFile(fresh, target, sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  const std::string& text = sink.messages[0].text;
  EXPECT_EQ(text.rfind("Rename:", 0), 0u);
  // The backup named is one of the program's hidden temporaries beside the target.
  const size_t at = text.find("\n" + dir.Path() + "/");
  ASSERT_NE(at, std::string::npos) << text;
  EXPECT_TRUE(IsTempFileName(text.substr(at + dir.Path().size() + 2))) << text;
  EXPECT_EQ(ReadFileBytes(target + "/inside"), Bytes({'k', 'e', 'e', 'p'}));
  EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"new.tmp", "target.jpg"}));
}

TEST_F(ReplaceFileTest, AMissingTargetIsNotCreated) {
  WriteFileText(fresh, "new");
  EXPECT_FALSE(ReplaceFile(fresh, target, sink));
  EXPECT_FALSE(FileExists(target));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text.rfind("Rename:", 0), 0u);
}

SegmentList ParsePngBytes(const Bytes& bytes) {
  CSegmentFile f(16);
  f.OpenMemory(bytes.data(), bytes.size());
  uint8_t sig[8];
  EXPECT_EQ(f.Read(sig, 8), 8);
  EXPECT_TRUE(IsPngSignature(sig, 8));
  SegmentList list;
  EXPECT_EQ(ParsePng(f, list), 1);
  return list;
}

const Bytes kPngSignature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

TEST(ParsePng, OneRecordPerChunkUpToIendWithIdatNotLoaded) {
  Bytes png = kPngSignature;
  const Bytes ihdr = PngChunkBytes("IHDR", {0, 0, 0, 4, 0, 0, 0, 3, 8, 2, 0, 0, 0});
  const Bytes idat = PngChunkBytes("IDAT", Bytes(300, 0xAB));
  const Bytes iend = PngChunkBytes("IEND", {});
  Append(png, ihdr);
  Append(png, idat);
  Append(png, iend);
  Append(png, PngChunkBytes("tEXt", {'a', 0, 'b'}));  // after IEND: not listed
  const SegmentList list = ParsePngBytes(png);
  ASSERT_EQ(list.size(), 3u);
  auto it = list.begin();
  const auto& h = static_cast<const CPngChunk&>(**it++);
  const auto& d = static_cast<const CPngChunk&>(**it++);
  const auto& e = static_cast<const CPngChunk&>(**it++);
  EXPECT_EQ(h.m_nType, 0x49484452u);
  EXPECT_EQ(h.m_nLength, 25);
  EXPECT_EQ(Bytes(h.m_pData, h.m_pData + h.m_nLength), ihdr);
  EXPECT_EQ(h.m_nCrc, uint32_t(ihdr[21] << 24 | ihdr[22] << 16 | ihdr[23] << 8 | ihdr[24]));
  EXPECT_EQ(h.m_nOffset, 25);
  EXPECT_EQ(d.m_nType, CPngChunk::kIDAT);
  EXPECT_EQ(d.m_nFlags, SF_NOT_LOADED);
  EXPECT_EQ(d.m_pData, nullptr);
  EXPECT_EQ(d.m_nLength, 300);
  EXPECT_EQ(d.m_nOffset, 25 + 312);
  EXPECT_EQ(e.m_nType, CPngChunk::kIEND);
  EXPECT_EQ(e.m_nOffset, 25 + 312 + 12);
}

TEST(ParsePng, AChunkLongerThanTheFileEndsTheListWithoutReservingItsLength) {
  Bytes png = kPngSignature;
  Append(png, PngChunkBytes("gAMA", {0, 0, 0xB1, 0x8F}));
  Append(png, {0xFF, 0xFF, 0xFF, 0xF0, 't', 'E', 'X', 't', 1, 2, 3});
  EXPECT_EQ(ParsePngBytes(png).size(), 1u);

  Bytes idat = kPngSignature;
  Append(idat, {0x7F, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 1, 2});
  EXPECT_TRUE(ParsePngBytes(idat).empty());

  Bytes noCrc = kPngSignature;
  Append(noCrc, {0, 0, 0, 1, 's', 'R', 'G', 'B', 0, 0xAA});
  EXPECT_TRUE(ParsePngBytes(noCrc).empty());
}

TEST(MarkerNames, CoverC0ToFeWithTheirPadding) {
  EXPECT_STREQ(MarkerName(0xC0), "SOF0  (Baseline DCT/Huffman)");
  EXPECT_STREQ(MarkerName(0xC4), "DHT   (Huffman table)");
  EXPECT_STREQ(MarkerName(0xC8), "JPG");
  EXPECT_STREQ(MarkerName(0xCA), "SOF10 (Progressive DCT/Arith)");
  EXPECT_STREQ(MarkerName(0xCF), "SOF15 (Diff-loseless/Arith)");
  EXPECT_STREQ(MarkerName(0xD7), "RST7");
  EXPECT_STREQ(MarkerName(0xD8), "SOI   (Start of image)");
  EXPECT_STREQ(MarkerName(0xDD), "DRI   (Number of restart interval)");
  EXPECT_STREQ(MarkerName(0xDF), "EXP   (Expand reference images)");
  EXPECT_STREQ(MarkerName(0xEF), "APP15");
  EXPECT_STREQ(MarkerName(0xF0), "JPG0");
  EXPECT_STREQ(MarkerName(0xFD), "JPG13");
  EXPECT_STREQ(MarkerName(0xFE), "COM   (Comment)");
  EXPECT_EQ(MarkerName(0xBF), nullptr);
  EXPECT_EQ(MarkerName(0xFF), nullptr);
  for (int c = 0xC0; c <= 0xFE; ++c) {
    ASSERT_NE(MarkerName(c), nullptr) << c;
    // A long name's short part is padded to six columns.
    const std::string name = MarkerName(c);
    const size_t paren = name.find('(');
    if (paren != std::string::npos) {
      EXPECT_EQ(paren, 6u) << name;
    }
  }
}

TEST(ExifBlock, IsTheBytesAfterTheIdentifierAsFarAsTheLengthField) {
  const Bytes app1 = ExifApp1({'M', 'M', 0, 42, 0, 0, 0, 8, 0, 0});
  CJpegSegment rec(static_cast<int64_t>(app1.size()), app1.data());
  const uint8_t* block = nullptr;
  size_t size = 0;
  ASSERT_TRUE(ExifBlockOf(rec, block, size));
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(block, rec.m_pData + 10);

  const Bytes xmp = Segment(0xE1, {'h', 't', 't', 'p', ':', '/', '/'});
  CJpegSegment other(static_cast<int64_t>(xmp.size()), xmp.data());
  EXPECT_FALSE(ExifBlockOf(other, block, size));
  const Bytes tiny = Segment(0xE1, {'E', 'x'});
  CJpegSegment shortOne(static_cast<int64_t>(tiny.size()), tiny.data());
  EXPECT_FALSE(ExifBlockOf(shortOne, block, size));
}

TEST(SegmentListCorpus, EveryCorpusFileParsesAndRewritesToItsOwnPrefix) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus on this machine";
  const auto files = ListJpegFiles(corpus);
  ASSERT_FALSE(files.empty());
  for (const std::string& path : files) {
    SCOPED_TRACE(path);
    const Bytes bytes = ReadFileBytes(path);
    CSegmentFile f;
    ASSERT_TRUE(f.Open(path));
    SegmentList list;
    ParseJpeg(f, list);
    const int64_t covered = CoveredLength(list);
    EXPECT_LE(covered, static_cast<int64_t>(bytes.size()));
    int ok = 0;
    EXPECT_EQ(WriteToMemory(bytes, list, &ok), Bytes(bytes.begin(), bytes.begin() + covered));
    EXPECT_EQ(ok, 1);
    if (path.find("/invalid/") == std::string::npos) {
      ASSERT_FALSE(list.empty());
      EXPECT_EQ(list.front()->MarkerCode(), 0xD8);
    }
  }
}

} // namespace
