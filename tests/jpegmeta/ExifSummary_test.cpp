#include <gtest/gtest.h>

#include "jpegmeta/Charset.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"
#include "jpegmeta/MetaBytes.h"

using namespace qv;
using namespace qv::test;

namespace {

// A reader over one IFD0 holding the given entries (both byte orders are
// covered by the reader's own tests).
class SummaryTest : public ::testing::Test {
protected:
  TiffBuilder t{false};
  CExifReader reader;
  std::string text;

  const CExifReader& With(const std::vector<TiffBuilder::Entry>& entries) {
    t = TiffBuilder(false);
    t.SetIfd0(t.AddIfd(entries).offset);
    EXPECT_NE(reader.Parse(t.b.data(), t.b.size()), 0);
    return reader;
  }
};

TEST_F(SummaryTest, MakerJoinsMakeAndModelWithoutTrailingBlanks) {
  EXPECT_EQ(MakerText(With({t.Ascii(TAG_MAKE, "ACME   "), t.Ascii(TAG_MODEL, "X1\t ")}), text), 1);
  EXPECT_EQ(text, "ACME X1");
  EXPECT_EQ(MakerText(With({t.Ascii(TAG_MODEL, "X1")}), text), 1);
  EXPECT_EQ(text, "X1");
  EXPECT_EQ(MakerText(With({t.Short(274, 1)}), text), 0);
  EXPECT_EQ(text, "");
}

TEST_F(SummaryTest, OpticsShowFocalLengthFNumberAndDistance) {
  EXPECT_EQ(OpticalText(With({t.Rational(TAG_FOCAL_LENGTH, 63, 10), t.Rational(TAG_F_NUMBER, 28, 10),
                              t.SRational(TAG_SUBJECT_DISTANCE, 25, 10)}), text), 1);
  EXPECT_EQ(text, "L=6.3mm F=2.8 D=2.5m");
  // Without FNumber the APEX maximum aperture: sqrt(2)^3 = 2.83.
  OpticalText(With({t.Rational(TAG_MAX_APERTURE, 3, 1), t.SRational(TAG_SUBJECT_DISTANCE, 0, 0)}), text);
  EXPECT_EQ(text, "F=2.8 D=omega");
  OpticalText(With({t.Rational(TAG_F_NUMBER, 40, 10), t.Rational(TAG_MAX_APERTURE, 3, 1)}), text);
  EXPECT_EQ(text, "F=4.0");
  OpticalText(With({t.SRational(TAG_SUBJECT_DISTANCE, 0, 0)}), text);
  EXPECT_EQ(text, "D=omega");
  EXPECT_EQ(OpticalText(With({t.Ascii(TAG_MAKE, "ACME")}), text), 0);
}

TEST_F(SummaryTest, DatePrefersTheOriginalAndDropsTrailingBlanks) {
  DateText(With({t.Ascii(TAG_DATE_TIME, "2000:01:01 00:00:00"), t.Ascii(TAG_DATE_TIME_ORIGINAL, "2001:02:03 04:05:06 ")}), text);
  EXPECT_EQ(text, "2001:02:03 04:05:06");
  EXPECT_EQ(DateText(With({t.Ascii(TAG_DATE_TIME, "2000:01:01 00:00:00")}), text), 1);
  EXPECT_EQ(text, "2000:01:01 00:00:00");
  EXPECT_EQ(DateText(With({t.Ascii(TAG_DATE_TIME_ORIGINAL, "    ")}), text), 0);
}

TEST_F(SummaryTest, ExposureModeNamesProgramAndMeteringInEitherLanguage) {
  const CExifReader& r = With({t.Short(TAG_EXPOSURE_PROGRAM, 3), t.Short(TAG_METERING_MODE, 5)});
  EXPECT_EQ(ExposureModeText(r, text, EXIF_JAPANESE), 1);
  EXPECT_EQ(text, Utf8ToInternal("露出=絞り優先 測光=マルチセグメント"));
  ExposureModeText(r, text, EXIF_ENGLISH);
  EXPECT_EQ(text, "Exposure=Aperture Metering=Multi-seg.");

  ExposureModeText(With({t.Short(TAG_EXPOSURE_PROGRAM, 9), t.Short(TAG_METERING_MODE, 255)}), text, EXIF_ENGLISH);
  EXPECT_EQ(text, "Exposure=(Other)(9) Metering=(Other)(255)");
  ExposureModeText(With({t.Short(TAG_EXPOSURE_PROGRAM, 9)}), text, EXIF_JAPANESE);
  EXPECT_EQ(text, Utf8ToInternal("露出=(その他)(9)"));
  ExposureModeText(With({t.Short(TAG_METERING_MODE, 0)}), text, EXIF_ENGLISH);
  EXPECT_EQ(text, "Metering=(Unknown)");
  ExposureModeText(With({t.Short(TAG_EXPOSURE_PROGRAM, 8), t.Short(TAG_METERING_MODE, 6)}), text, EXIF_ENGLISH);
  EXPECT_EQ(text, "Exposure=Landscape Metering=Partial");
  EXPECT_EQ(ExposureModeText(With({t.Short(274, 1)}), text, EXIF_ENGLISH), 0);
}

TEST_F(SummaryTest, ShutterComesFromTheApexValueBeforeTheExposureTime) {
  ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 1, 60)}), text);
  EXPECT_EQ(text, "1/60sec");
  ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 2, 1)}), text);
  EXPECT_EQ(text, "2.0sec");
  ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 1, 1)}), text);
  EXPECT_EQ(text, "1.0sec");  // a = 1 is not above 1
  ExposureText(With({t.SRational(TAG_SHUTTER_SPEED, 7, 1), t.Rational(TAG_EXPOSURE_TIME, 1, 60)}), text);
  EXPECT_EQ(text, "1/128sec");
  ExposureText(With({t.SRational(TAG_SHUTTER_SPEED, -1, 1)}), text);
  EXPECT_EQ(text, "2.0sec");
}

TEST_F(SummaryTest, ExposureTimesWithoutAReciprocalAreLeftOut) {
  EXPECT_EQ(ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 0, 1)}), text), 0);
  EXPECT_EQ(ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 0, 0), t.Short(TAG_ISO_SPEED, 50)}), text), 1);
  EXPECT_EQ(text, "ISO=50");
  ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 5, 0)}), text);  // a = 0
  EXPECT_EQ(text, "");
  // A huge Tv saturates instead of overflowing the integer.
  ExposureText(With({t.SRational(TAG_SHUTTER_SPEED, 40, 1)}), text);
  EXPECT_EQ(text, "1/2147483647sec");
  EXPECT_EQ(ExposureText(With({t.SRational(TAG_SHUTTER_SPEED, 100000, 1)}), text), 0);  // 2^100000 is infinite
}

TEST_F(SummaryTest, ExposureJoinsApertureBiasIsoAndFlash) {
  ExposureText(With({t.Rational(TAG_EXPOSURE_TIME, 1, 250), t.Rational(TAG_APERTURE, 3, 1),
                     t.SRational(TAG_EXPOSURE_BIAS, -1, 3), t.Short(TAG_ISO_SPEED, 200), t.Short(TAG_FLASH, 1)}),
               text);
  EXPECT_EQ(text, "1/250sec F=2.8 EV=-0.33 ISO=200 +F");
  ExposureText(With({t.SRational(TAG_EXPOSURE_BIAS, 2, 3), t.Short(TAG_FLASH, 0)}), text);
  EXPECT_EQ(text, "EV=0.67");
  EXPECT_EQ(ExposureText(With({t.Short(TAG_FLASH, 1)}), text), 1);
  EXPECT_EQ(text, " +F");
  EXPECT_EQ(ExposureText(With({t.Short(TAG_FLASH, 0)}), text), 0);
}

TEST_F(SummaryTest, InfoLinesFallBackWhenThereIsNoReaderOrNoText) {
  const char* fallbacks[] = {"- No maker info -", "- No optical info -", "- No Date -", "- No exposure mode -",
                             "- No exposure info -"};
  const CExifReader& r = With({t.Ascii(TAG_MAKE, "ACME"), t.Short(TAG_METERING_MODE, 3)});
  for (int line = 0; line < EL_COUNT; ++line) {
    EXPECT_STREQ(ExifFallbackText(line), fallbacks[line]);
    EXPECT_EQ(ExifInfoLine(nullptr, line), fallbacks[line]);
  }
  EXPECT_EQ(ExifInfoLine(&r, EL_MAKER), "ACME");
  EXPECT_EQ(ExifInfoLine(&r, EL_OPTICAL), fallbacks[EL_OPTICAL]);
  EXPECT_EQ(ExifInfoLine(&r, EL_EXPOSURE_MODE), Utf8ToInternal("測光=スポット"));
  EXPECT_EQ(ExifInfoLine(&r, EL_EXPOSURE_MODE, EXIF_ENGLISH), "Metering=Spot");
  EXPECT_EQ(ExifFallbackText(5), nullptr);
}

TEST(ExifSummaryStrings, JapaneseTextsAreCp932AndEnglishOnesSitFourHundredAbove) {
  const struct { int id; const char* ja; const char* en; } kTable[] = {
      {2101, "露出=", "Exposure="}, {2102, "測光=", "Metering="}, {2103, "(その他)", "(Other)"},
      {2200, "(不明)", "(Unknown)"}, {2201, "マニュアル", "Manual"}, {2202, "プログラムAE", "Program-AE"},
      {2203, "絞り優先", "Aperture"}, {2204, "シャッター優先", "Shutter"}, {2205, "低速プログラム", "Slow-AE"},
      {2206, "高速プログラム", "Fast-AE"}, {2207, "ポートレート", "Portrait"}, {2208, "風景モード", "Landscape"},
      {2300, "(不明)", "(Unknown)"}, {2301, "平均", "Average"}, {2302, "中央重点", "Center-w."},
      {2303, "スポット", "Spot"}, {2304, "多点スポット", "Multi-spot"}, {2305, "マルチセグメント", "Multi-seg."},
      {2306, "部分", "Partial"},
  };
  for (const auto& e : kTable) {
    const std::string ja = ExifSummaryString(e.id);
    EXPECT_EQ(InternalToUtf8(ja), e.ja) << e.id;
    EXPECT_NE(ja, e.ja) << "not converted: " << e.id;  // CP932 bytes differ from UTF-8
    EXPECT_EQ(ExifSummaryString(e.id + EXIF_ENGLISH), e.en) << e.id;
  }
  // The "露" of 2101 in CP932.
  EXPECT_EQ(ExifSummaryString(2101).substr(0, 2), "\x98\x49");
  EXPECT_EQ(ExifSummaryString(2209), "");
  EXPECT_EQ(ExifSummaryString(2104), "");
}

} // namespace
