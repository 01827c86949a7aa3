#include <gtest/gtest.h>

#include <cstring>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/SegmentList.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

std::vector<uint16_t> Tags(const CExifReader& r) {
  std::vector<uint16_t> t;
  for (const CExifEntry& e : r.Entries()) t.push_back(e.m_nTag);
  return t;
}

// IFD0 (Make, XResolution, Exif and GPS pointers) -> IFD1 (XResolution);
// the Exif IFD holds FNumber and an Interoperability pointer.
Bytes TypicalBlock(bool big) {
  TiffBuilder t(big);
  auto ifd0 = t.AddIfd({t.Ascii(TAG_MAKE, "ACME"), t.Rational(TAG_X_RESOLUTION, 300, 1), t.Long(TAG_EXIF_IFD, 0),
                        t.Long(TAG_GPS_IFD, 0)});
  t.SetIfd0(ifd0.offset);
  auto ifd1 = t.AddIfd({t.Rational(TAG_X_RESOLUTION, 72, 1), t.Short(259, 6)});
  t.SetLong(ifd0.nextField, ifd1.offset);
  auto exif = t.AddIfd({t.Rational(TAG_F_NUMBER, 28, 10), t.Long(TAG_INTEROP_IFD, 0), t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:02:03 04:05:06")});
  t.SetLong(ifd0.valueFields[2], exif.offset);
  auto interop = t.AddIfd({t.Ascii(TAG_INTEROP_INDEX, "R98")});
  t.SetLong(exif.valueFields[1], interop.offset);
  auto gps = t.AddIfd({t.Ascii(2, "N"), t.Rational(3, 35, 1)});
  t.SetLong(ifd0.valueFields[3], gps.offset);
  return t.b;
}

TEST(ExifReader, BothByteOrdersGiveTheSameEntriesAndValues) {
  for (bool big : {true, false}) {
    SCOPED_TRACE(big ? "MM" : "II");
    const Bytes block = TypicalBlock(big);
    CExifReader r;
    EXPECT_EQ(r.Parse(block.data(), block.size()), 2 + 3 + 1);  // IFD1's count, then Exif and Interop
    EXPECT_EQ(Tags(r), (std::vector<uint16_t>{TAG_MAKE, TAG_X_RESOLUTION, TAG_EXIF_IFD, TAG_GPS_IFD, TAG_X_RESOLUTION, 259,
                                              TAG_F_NUMBER, TAG_INTEROP_IFD, TAG_DATE_TIME_ORIGINAL, TAG_INTEROP_INDEX}));
    EXPECT_EQ(r.ReadText(*r.FindTag(TAG_MAKE)), "ACME");
    EXPECT_DOUBLE_EQ(r.ReadRational(*r.FindTag(TAG_X_RESOLUTION)), 300.0);  // IFD0's, not IFD1's
    EXPECT_DOUBLE_EQ(r.ReadRational(*r.FindTag(TAG_F_NUMBER)), 2.8);
    EXPECT_EQ(r.ReadShort(*r.FindTag(259)), 6);
    EXPECT_EQ(r.ReadText(*r.FindTag(TAG_INTEROP_INDEX)), "R98");
    EXPECT_EQ(r.FindTag(3), nullptr);  // GPS entries never enter the list
  }
}

TEST(ExifReader, RejectsBlocksThatAreNotTiff) {
  Bytes block = TypicalBlock(true);
  CExifReader r;
  for (const char* mark : {"IM", "MI", "XX"}) {
    Bytes b = block;
    b[0] = static_cast<uint8_t>(mark[0]);
    b[1] = static_cast<uint8_t>(mark[1]);
    EXPECT_EQ(r.Parse(b.data(), b.size()), 0) << mark;
  }
  Bytes not42 = block;
  not42[3] = 43;
  EXPECT_EQ(r.Parse(not42.data(), not42.size()), 0);
  EXPECT_EQ(r.Parse(block.data(), 7), 0);
  EXPECT_EQ(r.Parse(nullptr, 100), 0);
}

TEST(ExifReader, AnIfd0OffsetAtSizeMinus4PassesTheHeaderButNotTheChain) {
  TiffBuilder t(false);
  t.b.resize(16, 0);
  t.SetIfd0(12);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 0);
  t.SetIfd0(13);
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 0);
  t.SetIfd0(0xFFFFFFFF);
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 0);
}

TEST(ExifReader, ResultIsTheCountOfTheLastIfdOfIfd0sChain) {
  TiffBuilder t(true);
  auto ifd0 = t.AddIfd({t.Short(274, 1)});
  t.SetIfd0(ifd0.offset);
  auto ifd1 = t.AddIfd({});
  t.SetLong(ifd0.nextField, ifd1.offset);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 0);  // IFD0 was read, but IFD1 is empty
  EXPECT_EQ(r.Entries().size(), 1u);

  TiffBuilder empty(true);
  empty.SetIfd0(empty.AddIfd({}).offset);
  EXPECT_EQ(r.Parse(empty.b.data(), empty.b.size()), 0);
}

TEST(ExifReader, ValuesOfFourBytesLieInTheEntryAndLongerOnesAtTheirOffset) {
  TiffBuilder t(true);
  TiffBuilder::Entry twoShorts{300, 3, 2, {0, 7, 0, 9}};
  auto ifd = t.AddIfd({t.Long(301, 0xDEADBEEF), twoShorts, t.Ascii(302, "abc"), t.Ascii(303, "abcd")});
  t.SetIfd0(ifd.offset);
  CExifReader r;
  ASSERT_EQ(r.Parse(t.b.data(), t.b.size()), 4);
  for (uint16_t tag : {301, 300, 302}) EXPECT_EQ(r.FindTag(tag)->m_nValueOffset, ifd.valueFields[tag == 301 ? 0 : tag == 300 ? 1 : 2]) << tag;
  EXPECT_EQ(r.ReadLong(*r.FindTag(301)), 0xDEADBEEFu);
  EXPECT_EQ(r.ReadShort(*r.FindTag(300)), 7);
  EXPECT_EQ(r.ReadText(*r.FindTag(302)), "abc");
  const CExifEntry* five = r.FindTag(303);
  EXPECT_EQ(five->m_nValueOffset, ifd.nextField + 4);
  EXPECT_EQ(r.ReadText(*five), "abcd");
  EXPECT_EQ(r.ValueAddress(*five), t.b.data() + five->m_nValueOffset);
  EXPECT_EQ(five->m_pBase, t.b.data());
}

TEST(ExifReader, FollowsOnlyTheFirstOfSeveralSubIfds) {
  TiffBuilder t(false);
  auto ifd0 = t.AddIfd({{TAG_SUB_IFDS, 4, 2, Bytes(8, 0)}});
  t.SetIfd0(ifd0.offset);
  const uint32_t array = ifd0.nextField + 4;
  auto a = t.AddIfd({t.Short(1001, 1)});
  auto b = t.AddIfd({t.Short(1002, 2)});
  t.SetLong(array, a.offset);
  t.SetLong(array + 4, b.offset);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 2);
  EXPECT_NE(r.FindTag(1001), nullptr);
  EXPECT_EQ(r.FindTag(1002), nullptr);
}

TEST(ExifReader, AFailingSubIfdKeepsTheParseAndEverythingReadBefore) {
  TiffBuilder t(true);
  auto ifd0 = t.AddIfd({t.Short(274, 1), t.Long(TAG_EXIF_IFD, 0x7FFFFFF0)});
  t.SetIfd0(ifd0.offset);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 2);
  EXPECT_EQ(r.Entries().size(), 2u);
}

TEST(ExifReader, RationalsWithAZeroDenominatorReadAsZeroButHandOutTheRawNumbers) {
  TiffBuilder t(true);
  auto ifd = t.AddIfd({t.Rational(500, 7, 0), t.SRational(501, -3, 2), t.SRational(502, 5, 0)});
  t.SetIfd0(ifd.offset);
  CExifReader r;
  ASSERT_NE(r.Parse(t.b.data(), t.b.size()), 0);
  uint32_t n = 1, d = 1;
  EXPECT_EQ(r.ReadRational(*r.FindTag(500), &n, &d), 0.0);
  EXPECT_EQ(n, 7u);
  EXPECT_EQ(d, 0u);
  int32_t sn = 0, sd = 0;
  EXPECT_DOUBLE_EQ(r.ReadSRational(*r.FindTag(501), &sn, &sd), -1.5);
  EXPECT_EQ(sn, -3);
  EXPECT_EQ(r.ReadSRational(*r.FindTag(502), &sn, &sd), 0.0);
  EXPECT_EQ(sd, 0);
  // Unsigned reads of the same bytes do not go negative.
  EXPECT_GT(r.ReadRational(*r.FindTag(501)), 1e9);
}

class UserCommentTest : public ::testing::Test {
protected:
  TiffBuilder t{true};
  CExifReader r;

  const CExifEntry& Comment(const Bytes& value) {
    t = TiffBuilder(true);
    t.SetIfd0(t.AddIfd({t.Undefined(TAG_USER_COMMENT, value)}).offset);
    EXPECT_NE(r.Parse(t.b.data(), t.b.size()), 0);
    return *r.FindTag(TAG_USER_COMMENT);
  }
  static Bytes With(const char* header8, const std::string& text) {
    Bytes v(8 + text.size());
    std::memcpy(v.data(), header8, 8);
    if (!text.empty()) std::memcpy(v.data() + 8, text.data(), text.size());
    return v;
  }
};

TEST_F(UserCommentTest, CountBelowEightOrBlankTextGivesNone) {
  int code = 99;
  long len = 99;
  EXPECT_EQ(r.DecodeUserComment(Comment(Bytes(7, 'A')), code, len, false), "");
  EXPECT_EQ(len, 0);
  EXPECT_EQ(code, 99);
  EXPECT_EQ(r.DecodeUserComment(Comment(With("ASCII\0\0\0", "    ")), code, len, true), "");
  EXPECT_EQ(r.DecodeUserComment(Comment(With("ASCII\0\0\0", "  \0junk")), code, len, true), "");
  EXPECT_EQ(r.DecodeUserComment(Comment(With("ASCII\0\0\0", "")), code, len, false), "");
  // Without trimming, blanks are text.
  EXPECT_EQ(r.DecodeUserComment(Comment(With("ASCII\0\0\0", "  ")), code, len, false), "  ");
  EXPECT_EQ(code, 0);
  EXPECT_EQ(len, 2);
}

TEST_F(UserCommentTest, TrimmingKeepsLeadingBlanksAndCutsTrailingOnes) {
  int code = 99;
  long len = 0;
  EXPECT_EQ(r.DecodeUserComment(Comment(With("JIS\0\0\0\0\0", "  hi there  ")), code, len, true), "  hi there");
  EXPECT_EQ(code, 1);
  EXPECT_EQ(len, 10);
}

TEST_F(UserCommentTest, AnUndefinedHeaderKeepsTheTextUnchanged) {
  int code = 99;
  long len = 0;
  const std::string text("\x82\xa0 x\0y", 6);
  EXPECT_EQ(r.DecodeUserComment(Comment(With("\0\0\0\0\0\0\0\0", text)), code, len, false), text);
  EXPECT_EQ(code, -1);
  EXPECT_EQ(len, 6);
  EXPECT_EQ(r.DecodeUserComment(Comment(With("ASCIIX\0\0", "a")), code, len, false), "a");
  EXPECT_EQ(code, -1);
  EXPECT_EQ(r.DecodeUserComment(Comment(With("UNICODEX", "a")), code, len, false), "a");
  EXPECT_EQ(code, -1);
}

TEST_F(UserCommentTest, UnicodeIsBigEndianInAnyBlockAndComesOutLittleEndianWithoutTrimming) {
  int code = 0;
  long len = 0;
  const std::string stored("\x00 \x30\x42\x00 ", 6);  // " あ " big-endian
  EXPECT_EQ(r.DecodeUserComment(Comment(With("UNICODE\0", stored)), code, len, true), std::string(" \x00\x42\x30 \x00", 6));
  EXPECT_EQ(code, 6);
  EXPECT_EQ(len, 6);
  // An odd byte count hands out whole units only.
  EXPECT_EQ(r.DecodeUserComment(Comment(With("UNICODE\0", std::string("\x00\x41\x00", 3))), code, len, false),
            std::string("\x41\x00", 2));
  EXPECT_EQ(len, 2);
  code = 5;
  EXPECT_EQ(r.DecodeUserComment(Comment(With("UNICODE\0", "A")), code, len, false), "");
  EXPECT_EQ(code, 5);
}

// Hostile blocks: nothing may be read outside the block (the reads below
// run under the sanitizers in the fuzz build too), and loops must end.
TEST(ExifReaderHostile, EntriesWhoseValuesLieOutsideTheBlockAreSkipped) {
  TiffBuilder t(true);
  TiffBuilder::Entry past{600, 2, 20, {}};
  TiffBuilder::Entry overflow{601, 5, 0x40000000, {}};  // 8 GiB of rationals
  TiffBuilder::Entry wraps{602, 4, 2, {}};
  auto ifd = t.AddIfd({past, overflow, wraps, t.Short(603, 5)});
  t.SetIfd0(ifd.offset);
  t.SetLong(ifd.valueFields[0], static_cast<uint32_t>(t.b.size()) - 10);
  t.SetLong(ifd.valueFields[1], 8);
  t.SetLong(ifd.valueFields[2], 0xFFFFFFFC);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 4);
  EXPECT_EQ(Tags(r), std::vector<uint16_t>{603});
}

TEST(ExifReaderHostile, UnknownTypesCountAsInline) {
  TiffBuilder t(false);
  TiffBuilder::Entry odd{700, 0xFFFF, 0xFFFFFFFF, {1, 2, 3, 4}};
  auto ifd = t.AddIfd({odd});
  t.SetIfd0(ifd.offset);
  CExifReader r;
  ASSERT_EQ(r.Parse(t.b.data(), t.b.size()), 1);
  const CExifEntry& e = *r.FindTag(700);
  EXPECT_EQ(e.m_nValueOffset, ifd.valueFields[0]);
  EXPECT_EQ(r.ValueSize(e), 0u);
  EXPECT_EQ(r.ReadLong(e), 0x04030201u);
  EXPECT_EQ(r.ReadText(e), "");
  // A count of 4 G bytes after the header cannot lie in the block.
  int code = 0;
  long len = 0;
  EXPECT_EQ(r.DecodeUserComment(e, code, len, false), "");
}

TEST(ExifReaderHostile, ReadsWiderThanTheValueStopAtTheBlockEnd) {
  TiffBuilder t(true);
  auto ifd = t.AddIfd({t.Undefined(701, {1, 2, 3, 4, 5})});
  t.SetIfd0(ifd.offset);
  ASSERT_EQ(t.b.size(), ifd.nextField + 4 + 5);  // the value ends the block
  CExifReader r;
  ASSERT_EQ(r.Parse(t.b.data(), t.b.size()), 1);
  const CExifEntry& e = *r.FindTag(701);
  EXPECT_EQ(r.ReadLong(e), 0x01020304u);
  uint32_t n = 1, d = 1;
  EXPECT_EQ(r.ReadRational(e, &n, &d), 0.0);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(d, 0u);
  // The same five bytes one short of the end of a shorter block are not listed.
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size() - 1), 1);
  EXPECT_EQ(r.FindTag(701), nullptr);
}

TEST(ExifReaderHostile, AnIfdCountThatDoesNotFitFailsTheChain) {
  TiffBuilder t(true);
  auto ifd = t.AddIfd({t.Short(274, 1)});
  t.SetIfd0(ifd.offset);
  t.b[ifd.offset] = 0xFF;
  t.b[ifd.offset + 1] = 0xFF;
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 0);
}

TEST(ExifReaderHostile, ChainsThatLeadBackEndWithoutReadingAnIfdTwice) {
  TiffBuilder t(true);
  auto ifd0 = t.AddIfd({t.Short(274, 1), t.Long(TAG_EXIF_IFD, 0)});
  t.SetIfd0(ifd0.offset);
  auto ifd1 = t.AddIfd({t.Short(259, 6)});
  t.SetLong(ifd0.nextField, ifd1.offset);
  t.SetLong(ifd1.nextField, ifd0.offset);  // IFD1 -> IFD0
  auto exif = t.AddIfd({t.Short(TAG_ISO_SPEED, 100), t.Long(TAG_INTEROP_IFD, 0)});
  t.SetLong(ifd0.valueFields[1], exif.offset);
  t.SetLong(exif.nextField, exif.offset);             // the Exif IFD chains to itself
  t.SetLong(exif.valueFields[1], ifd0.offset);        // and points back at IFD0
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 1 + 2);
  EXPECT_EQ(Tags(r), (std::vector<uint16_t>{274, TAG_EXIF_IFD, 259, TAG_ISO_SPEED, TAG_INTEROP_IFD}));
}

TEST(ExifReaderHostile, OverlappingIfdsCountAsRepeats) {
  // Each IFD's pointer leads one byte further into the IFD before it: without
  // the overlap rule the entries would multiply.
  TiffBuilder t(true);
  auto ifd0 = t.AddIfd({t.Long(TAG_EXIF_IFD, 0), t.Long(TAG_EXIF_IFD, 0)});
  t.SetIfd0(ifd0.offset);
  t.SetLong(ifd0.valueFields[0], ifd0.offset + 1);
  t.SetLong(ifd0.valueFields[1], ifd0.offset + 12);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 2);
  EXPECT_EQ(r.Entries().size(), 2u);
}

TEST(ExifReaderHostile, AFullBlockOfPointersStaysLinear) {
  // 5,000 entries, each an Exif pointer to IFD0 itself.
  TiffBuilder t(false);
  std::vector<TiffBuilder::Entry> entries(5000, t.Long(TAG_EXIF_IFD, 8));
  t.SetIfd0(t.AddIfd(entries).offset);
  CExifReader r;
  EXPECT_EQ(r.Parse(t.b.data(), t.b.size()), 5000);
  EXPECT_EQ(r.Entries().size(), 5000u);
}

TEST(ExifReaderCorpus, EveryCorpusFileIsReadSafelyAndCameraFilesNameTheirMaker) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus on this machine";
  int withExif = 0, withMake = 0;
  for (const std::string& path : ListJpegFiles(corpus)) {
    SCOPED_TRACE(path);
    CSegmentFile f;
    ASSERT_TRUE(f.Open(path));
    SegmentList list;
    ParseJpeg(f, list);
    const CJpegSegment* app1 = FirstApp1(list);
    const uint8_t* block = nullptr;
    size_t size = 0;
    if (!app1 || !ExifBlockOf(*app1, block, size)) continue;
    CExifReader r;
    if (!r.Parse(block, size)) continue;
    ++withExif;
    for (const CExifEntry& e : r.Entries()) {
      ASSERT_LE(e.m_nValueOffset + r.ValueSize(e), size);
      r.ReadRational(e);
    }
    const std::string file = path.substr(path.rfind('/') + 1);
    if (path.find("/camera/") == std::string::npos) continue;
    // The file names start with the maker's name (an editor's export may
    // have lost the Make tag).
    const CExifEntry* make = r.FindTag(TAG_MAKE);
    if (!make) continue;
    ++withMake;
    std::string maker = r.ReadText(*make), prefix = file.substr(0, file.find('_'));
    for (auto* s : {&maker, &prefix})
      for (char& c : *s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(maker.find(prefix == "fujifilm" ? "fuji" : prefix), std::string::npos) << maker;
  }
  EXPECT_GE(withExif, 20);
  EXPECT_GE(withMake, 11);
}

} // namespace
