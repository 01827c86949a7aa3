#include "jpegmeta/PhotoFacts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "jpegmeta/ExifReader.h"
#include "jpegmeta/MetaBytes.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

constexpr uint16_t kOrientation = photo_tags::TAG_ORIENTATION;

// IFD0 with the given entries plus an Exif pointer, IFD1, and the Exif IFD.
Bytes Block(bool big, std::vector<TiffBuilder::Entry> ifd0Entries, std::vector<TiffBuilder::Entry> exifEntries = {},
            std::vector<TiffBuilder::Entry> ifd1Entries = {}) {
  TiffBuilder t(big);
  ifd0Entries.insert(ifd0Entries.begin(), t.Ascii(TAG_MAKE, "ACME"));
  ifd0Entries.push_back(t.Long(TAG_EXIF_IFD, 0));
  auto ifd0 = t.AddIfd(ifd0Entries);
  t.SetIfd0(ifd0.offset);
  ifd1Entries.push_back(t.Short(259, 6));
  auto ifd1 = t.AddIfd(ifd1Entries);
  t.SetLong(ifd0.nextField, ifd1.offset);
  exifEntries.push_back(t.Rational(TAG_F_NUMBER, 28, 10));
  auto exif = t.AddIfd(exifEntries);
  t.SetLong(ifd0.valueFields.back(), exif.offset);
  return t.b;
}

int Orientation(const Bytes& b) { return ExifOrientation(b.data(), b.size()); }

TEST(PhotoFactsOrientation, EachValueIsReadInBothByteOrders) {
  for (bool big : {true, false}) {
    TiffBuilder t(big);
    for (uint16_t v = 1; v <= 8; ++v) EXPECT_EQ(Orientation(Block(big, {t.Short(kOrientation, v)})), v) << big;
  }
}

TEST(PhotoFactsOrientation, NoEntryMeansUpright) {
  EXPECT_EQ(Orientation(Block(true, {})), 1);
  EXPECT_EQ(Orientation(Block(false, {})), 1);
}

TEST(PhotoFactsOrientation, ValuesOutsideOneToEightMeanUpright) {
  TiffBuilder t(false);
  for (uint16_t v : {0, 9, 256, 0x0600, 0xFFFF}) EXPECT_EQ(Orientation(Block(false, {t.Short(kOrientation, v)})), 1) << v;
}

TEST(PhotoFactsOrientation, AnotherTypeOrCountMeansUpright) {
  for (bool big : {true, false}) {
    TiffBuilder t(big);
    EXPECT_EQ(Orientation(Block(big, {t.Long(kOrientation, 6)})), 1);
    EXPECT_EQ(Orientation(Block(big, {{kOrientation, 8, 1, t.U16(6)}})), 1);  // SSHORT
    EXPECT_EQ(Orientation(Block(big, {t.Ascii(kOrientation, "6")})), 1);
    EXPECT_EQ(Orientation(Block(big, {t.Rational(kOrientation, 6, 1)})), 1);
    Bytes two = t.U16(6);
    Append(two, t.U16(6));
    EXPECT_EQ(Orientation(Block(big, {{kOrientation, 3, 2, two}})), 1);
    EXPECT_EQ(Orientation(Block(big, {{kOrientation, 3, 0, Bytes(4, 0)}})), 1);
  }
}

TEST(PhotoFactsOrientation, OnlyIfd0Counts) {
  for (bool big : {true, false}) {
    TiffBuilder t(big);
    EXPECT_EQ(Orientation(Block(big, {}, {t.Short(kOrientation, 6)})), 1) << "Exif IFD only";
    EXPECT_EQ(Orientation(Block(big, {}, {}, {t.Short(kOrientation, 8)})), 1) << "IFD1 only";
    EXPECT_EQ(Orientation(Block(big, {t.Short(kOrientation, 3)}, {t.Short(kOrientation, 6)}, {t.Short(kOrientation, 8)})),
              3);
  }
}

TEST(PhotoFactsOrientation, AnExifIfdLaidOutBeforeIfd0StillDoesNotCount) {
  TiffBuilder t(true);
  auto exif = t.AddIfd({t.Short(kOrientation, 6)});
  auto ifd0 = t.AddIfd({t.Ascii(TAG_MAKE, "ACME"), t.Long(TAG_EXIF_IFD, exif.offset)});
  t.SetIfd0(ifd0.offset);
  CExifReader r;
  ASSERT_NE(r.Parse(t.b.data(), t.b.size()), 0);
  ASSERT_NE(r.FindTag(kOrientation), nullptr);  // listed, but from the Exif IFD
  EXPECT_EQ(ExifOrientation(r), 1);
  EXPECT_EQ(Orientation(t.b), 1);
}

TEST(PhotoFactsOrientation, BrokenBlocksMeanUpright) {
  TiffBuilder t(false);
  const Bytes good = Block(false, {t.Short(kOrientation, 6)});
  ASSERT_EQ(Orientation(good), 6);
  EXPECT_EQ(ExifOrientation(good.data(), 7), 1);
  EXPECT_EQ(ExifOrientation(nullptr, 100), 1);
  EXPECT_EQ(ExifOrientation(good.data(), 0), 1);
  Bytes badMark = good;
  badMark[0] = 'X';
  EXPECT_EQ(Orientation(badMark), 1);
  Bytes ifd0Outside = good;
  ifd0Outside[4] = 0xF0;  // IFD0 offset past the end
  EXPECT_EQ(Orientation(ifd0Outside), 1);
  Bytes countTooLarge = good;
  countTooLarge[8] = 0xFF;  // IFD0's entry count runs past the end
  EXPECT_EQ(Orientation(countTooLarge), 1);
}

TEST(PhotoFactsOrientation, TheApp1PayloadWithItsExifHeaderIsTakenToo) {
  TiffBuilder t(true);
  const Bytes tiff = Block(true, {t.Short(kOrientation, 8)});
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  Append(payload, tiff);
  EXPECT_EQ(Orientation(payload), 8);
  Bytes wrongHeader = payload;
  wrongHeader[5] = 'x';
  EXPECT_EQ(Orientation(wrongHeader), 1);
}

// Fixes the local time zone for one test.
class TimeZone {
public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) m_old = old, m_had = true;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~TimeZone() {
    if (m_had) setenv("TZ", m_old.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

private:
  std::string m_old;
  bool m_had = false;
};

constexpr std::time_t k20010203_040506Utc = 981173106;

bool When(const Bytes& b, std::time_t& t) { return ExifShootingTime(b.data(), b.size(), t); }

TEST(PhotoFactsTime, DateTimeOriginalIsReadAsLocalTime) {
  for (bool big : {true, false}) {
    TiffBuilder t(big);
    const Bytes b = Block(big, {}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:02:03 04:05:06")});
    std::time_t when = 0;
    {
      TimeZone utc("UTC0");
      ASSERT_TRUE(When(b, when));
      EXPECT_EQ(when, k20010203_040506Utc);
    }
    {
      TimeZone east("XST-9");
      ASSERT_TRUE(When(b, when));
      EXPECT_EQ(when, k20010203_040506Utc - 9 * 3600);
    }
  }
}

TEST(PhotoFactsTime, DateTimeOriginalWinsOverDateTime) {
  TimeZone utc("UTC0");
  TiffBuilder t(false);
  const Bytes b = Block(false, {t.Ascii(TAG_DATE_TIME, "2010:01:01 00:00:00")},
                        {t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:02:03 04:05:06")});
  std::time_t when = 0;
  ASSERT_TRUE(When(b, when));
  EXPECT_EQ(when, k20010203_040506Utc);
}

TEST(PhotoFactsTime, DateTimeIsTakenWhenDateTimeOriginalIsMissingOrUnreadable) {
  TimeZone utc("UTC0");
  TiffBuilder t(true);
  const std::vector<TiffBuilder::Entry> originals[] = {
      {}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, "                   ")}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, "0000:00:00 00:00:00")},
      {t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:13:03 04:05:06")}, {t.Undefined(TAG_DATE_TIME_ORIGINAL, Bytes(20, '1'))}};
  for (const auto& original : originals) {
    const Bytes b = Block(true, {t.Ascii(TAG_DATE_TIME, "2001:02:03 04:05:06")}, original);
    std::time_t when = 0;
    ASSERT_TRUE(When(b, when));
    EXPECT_EQ(when, k20010203_040506Utc);
  }
}

TEST(PhotoFactsTime, TextsThatAreNoRealDateGiveNothing) {
  TimeZone utc("UTC0");
  TiffBuilder t(false);
  for (const char* text : {"", "                   ", "0000:00:00 00:00:00", "2001:13:03 04:05:06", "2001:00:03 04:05:06",
                           "2001:02:32 04:05:06", "2001:02:00 04:05:06", "2001:02:29 04:05:06", "2001:04:31 04:05:06",
                           "2001:02:03 24:05:06", "2001:02:03 04:60:06", "2001:02:03 04:05:60", "1969:12:31 23:59:59",
                           "2101:01:01 00:00:00", "2001:02:03", "2001:02:03 04:05:0", "2001-02-03 04:05:06",
                           "2001:02:03T04:05:06", "2001:02:03 04:05:06x", "+001:02:03 04:05:06", "2001:02:03 04: 5:06"}) {
    const Bytes b = Block(false, {t.Ascii(TAG_DATE_TIME, text)}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, text)});
    std::time_t when = 12345;
    EXPECT_FALSE(When(b, when)) << '"' << text << '"';
    EXPECT_EQ(when, 12345);
  }
}

TEST(PhotoFactsTime, TheEdgesOfTheRangeAndLeapDaysAreDates) {
  TimeZone utc("UTC0");
  TiffBuilder t(true);
  const std::pair<const char*, std::time_t> good[] = {{"1970:01:01 00:00:00", 0},
                                                      {"2100:12:31 23:59:59", 4133980799},
                                                      {"2004:02:29 12:00:00", 1078056000},
                                                      {"2000:02:29 00:00:00", 951782400},
                                                      {"2001:02:03 04:05:06   ", k20010203_040506Utc}};
  for (const auto& g : good) {
    std::time_t when = 0;
    EXPECT_TRUE(When(Block(true, {}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, g.first)}), when)) << g.first;
    EXPECT_EQ(when, g.second) << g.first;
  }
  std::time_t when = 0;
  EXPECT_FALSE(When(Block(true, {}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, "2100:02:29 00:00:00")}), when));
}

TEST(PhotoFactsTime, AnotherTypeOrABrokenBlockGivesNothing) {
  TiffBuilder t(false);
  const std::string text = "2001:02:03 04:05:06";
  Bytes asBytes(text.begin(), text.end());
  asBytes.push_back(0);
  std::time_t when = 7;
  EXPECT_FALSE(When(Block(false, {t.Undefined(TAG_DATE_TIME, asBytes)}, {t.Undefined(TAG_DATE_TIME_ORIGINAL, asBytes)}), when));
  const Bytes good = Block(false, {}, {t.Ascii(TAG_DATE_TIME_ORIGINAL, text)});
  ASSERT_TRUE(When(good, when));
  when = 7;
  EXPECT_FALSE(ExifShootingTime(good.data(), 7, when));
  EXPECT_FALSE(ExifShootingTime(nullptr, 0, when));
  EXPECT_EQ(when, 7);
}

// SOI, APP0, the given segments, a small picture's remaining bytes.
Bytes JpegWith(const std::vector<Bytes>& segments) {
  Bytes b = {0xFF, 0xD8};
  Append(b, Jfif());
  for (const Bytes& s : segments) Append(b, s);
  const Bytes rest = BaselineJpeg({0x00});
  Append(b, Bytes(rest.begin() + 2 + static_cast<long>(Jfif().size()), rest.end()));
  return b;
}

TEST(PhotoFactsApp1, TheExifBlockIsFoundInTheFilesOwnBytes) {
  TiffBuilder t(true);
  const Bytes tiff = Block(true, {t.Short(kOrientation, 6)});
  const Bytes jpeg = JpegWith({ExifApp1(tiff), Segment(0xE2, Bytes(30, 1))});
  const uint8_t* block = nullptr;
  size_t size = 0;
  ASSERT_TRUE(FindExifApp1(jpeg.data(), jpeg.size(), block, size));
  EXPECT_EQ(block, jpeg.data() + 2 + Jfif().size() + 10);
  EXPECT_EQ(Bytes(block, block + size), tiff);
  EXPECT_EQ(ExifOrientation(block, size), 6);
}

TEST(PhotoFactsApp1, OnlyTheFirstApp1CountsAndOnlyWhenItIsExif) {
  TiffBuilder t(false);
  const Bytes exif = ExifApp1(Block(false, {t.Short(kOrientation, 3)}));
  const std::string xmpHeader = "http://ns.example.com/meta/1.0/";
  Bytes xmp(xmpHeader.begin(), xmpHeader.end());
  xmp.push_back(0);
  const Bytes jpeg = JpegWith({Segment(0xE1, xmp), exif});
  const uint8_t* block = nullptr;
  size_t size = 0;
  EXPECT_FALSE(FindExifApp1(jpeg.data(), jpeg.size(), block, size));
  EXPECT_EQ(block, nullptr);
}

TEST(PhotoFactsApp1, NoApp1ANonJpegOrACutSegmentGiveNothing) {
  TiffBuilder t(false);
  const Bytes exif = ExifApp1(Block(false, {t.Short(kOrientation, 3)}));
  const uint8_t* block = nullptr;
  size_t size = 0;
  const Bytes none = JpegWith({});
  EXPECT_FALSE(FindExifApp1(none.data(), none.size(), block, size));
  Bytes notJpeg = exif;
  EXPECT_FALSE(FindExifApp1(notJpeg.data(), notJpeg.size(), block, size));
  Bytes cut = {0xFF, 0xD8};
  Append(cut, exif);
  cut.resize(cut.size() - 5);
  EXPECT_FALSE(FindExifApp1(cut.data(), cut.size(), block, size));
  EXPECT_FALSE(FindExifApp1(nullptr, 0, block, size));
  EXPECT_EQ(block, nullptr);
}

TEST(PhotoFactsCorpus, CameraFilesTellWhenTheyWereTaken) {
  const std::string corpus = CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "camera corpus not on this machine";
  const auto files = ListJpegFiles(corpus + "/camera");
  if (files.empty()) GTEST_SKIP() << "no camera files in the corpus";
  int dated = 0;
  for (const std::string& path : files) {
    const Bytes bytes = ReadFileBytes(path);
    const uint8_t* block = nullptr;
    size_t size = 0;
    if (!FindExifApp1(bytes.data(), bytes.size(), block, size)) {
      std::cout << "[          ] no Exif: " << path << "\n";
      continue;
    }
    std::time_t when = 0;
    if (!ExifShootingTime(block, size, when)) {
      std::cout << "[          ] no date: " << path << "\n";
      continue;
    }
    ++dated;
    // The time read back as local time is the text the camera wrote.
    CExifReader reader;
    ASSERT_NE(reader.Parse(block, size), 0);
    const CExifEntry* original = reader.FindTag(TAG_DATE_TIME_ORIGINAL);
    const CExifEntry* used = original && original->m_nType == 2 ? original : reader.FindTag(TAG_DATE_TIME);
    ASSERT_NE(used, nullptr);
    char text[32];
    std::strftime(text, sizeof text, "%Y:%m:%d %H:%M:%S", std::localtime(&when));
    EXPECT_EQ(reader.ReadText(*used).substr(0, 19), text) << path;
    std::cout << "[          ] " << (used == original ? "DateTimeOriginal " : "DateTime ") << text << ", orientation "
              << ExifOrientation(block, size) << ": " << path << "\n";
  }
  EXPECT_GT(dated, 0);
}

} // namespace
