#include "view/SettingsPages.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "app/ConverterApp.h"
#include "app/Settings.h"
#include "support/TestSupport.h"

using namespace qv;
using namespace qv::test;

namespace {

TEST(SettingsPageText, signedNumbersReadAsTheDialogManagerReadsThem) {
  EXPECT_EQ(ReadSignedText("15"), 15);
  EXPECT_EQ(ReadSignedText(" -3 "), -3);
  EXPECT_EQ(ReadSignedText("2147483647"), INT_MAX);
  EXPECT_EQ(ReadSignedText("-2147483648"), INT_MIN);
  EXPECT_EQ(ReadSignedText("2147483648"), 0);
  EXPECT_EQ(ReadSignedText(""), 0);
  EXPECT_EQ(ReadSignedText("-"), 0);
  EXPECT_EQ(ReadSignedText("12dpi"), 0);
}

TEST(SettingsPageText, gammaTextsReadLikeAtofAndShowSixDecimals) {
  EXPECT_DOUBLE_EQ(ReadDoubleText("2.2"), 2.2);
  EXPECT_DOUBLE_EQ(ReadDoubleText("  0.45455xyz"), 0.45455);
  EXPECT_DOUBLE_EQ(ReadDoubleText("+1.5"), 1.5);
  EXPECT_DOUBLE_EQ(ReadDoubleText("-0.5"), -0.5);
  EXPECT_DOUBLE_EQ(ReadDoubleText(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadDoubleText("1e1"), 10.0);
  EXPECT_DOUBLE_EQ(ReadDoubleText("gamma"), 0.0);
  EXPECT_DOUBLE_EQ(ReadDoubleText(""), 0.0);
  EXPECT_DOUBLE_EQ(ReadDoubleText("inf"), 0.0);
  EXPECT_DOUBLE_EQ(ReadDoubleText("1e999"), 0.0);
  EXPECT_EQ(DoubleText(0.45455), "0.454550");
  EXPECT_EQ(DoubleText(2.2), "2.200000");
  EXPECT_EQ(DoubleText(-1.0), "-1.000000");
}

TEST(GeneralPage, readsTheSettingsAndClampsTheRecentCountOnStore) {
  CSettings s;
  s.MaxMRU = 4;
  s.bUseHalfToneStretch = 1;
  s.SaveConfig = 7;  // any non-zero value shows as checked
  GeneralPageValues v = ReadGeneralPage(s);
  EXPECT_EQ(v.maxMru, "4");
  EXPECT_EQ(v.halftone, 1);
  EXPECT_EQ(v.saveConfig, 1);
  EXPECT_EQ(v.autoFitting, 0);
  for (const auto& [text, stored] : {std::pair<const char*, int>{"15", 9}, {"-3", 0}, {"5", 5}, {"x", 0}}) {
    v.maxMru = text;
    StoreGeneralPage(v, s);
    EXPECT_EQ(s.MaxMRU, stored) << text;
  }
  v.autoUpdateClipboard = 1;
  v.restoreWindowPos = 1;
  v.autoFitting = 1;
  v.ditherFor16bit = 1;
  v.saveConfig = 0;
  StoreGeneralPage(v, s);
  EXPECT_EQ(s.AutoUpdateClipboard, 1);
  EXPECT_EQ(s.RestoreWindowPos, 1);
  EXPECT_EQ(s.AutoFitting, 1);
  EXPECT_EQ(s.UseDitherFor16bitColor, 1);
  EXPECT_EQ(s.SaveConfig, 0);
  EXPECT_TRUE(DitherBoxEnabled(15));
  EXPECT_TRUE(DitherBoxEnabled(16));
  EXPECT_FALSE(DitherBoxEnabled(24));
  EXPECT_FALSE(DitherBoxEnabled(32));
}

TEST(CommentPage, theCharsetChoicesAreCodesZeroToFour) {
  EXPECT_EQ(CharsetChoices(), (std::vector<std::string>{"us-ascii", "iso-2022-jp", "euc-jp", "shift_jis", "utf-8"}));
  CSettings s;
  s.ReadCharset = 6;  // UCS-2 has no item: no selection
  s.WriteCharset = 4;
  const CommentPageValues v = ReadCommentPage(s);
  EXPECT_EQ(v.readCharset, -1);
  EXPECT_EQ(v.writeCharset, 4);
  EXPECT_EQ(v.autoWriteCharset, 1);
}

TEST(CommentPage, storeReadsTheCommentWithTheOldCharsetsThenStoresTheNewOnes) {
  TempDir dir;
  RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  // "日本" in EUC-JP; read as EUC-JP it becomes Shift_JIS inside.
  WriteFileBytes(dir.File("c.txt"), {0xC6, 0xFC, 0xCB, 0xDC, '\n'});
  app.m_settings.AutoReadCharset = 0;
  app.m_settings.ReadCharset = 2;
  CommentPageValues v = ReadCommentPage(app.m_settings);
  v.path = dir.File("c.txt");
  v.defaultComment = 1;
  v.autoReadCharset = 1;
  v.readCharset = 4;
  v.autoWriteCharset = 0;
  v.writeCharset = -1;  // no selection keeps the code
  StoreCommentPage(v, app);
  EXPECT_EQ(app.m_defaultComment, std::string("\x93\xFA\x96\x7B\r\n"));
  EXPECT_EQ(app.m_settings.DefaultCommentPath, dir.File("c.txt"));
  EXPECT_EQ(app.m_settings.DefaultComment, 1);
  EXPECT_EQ(app.m_settings.AutoReadCharset, 1);
  EXPECT_EQ(app.m_settings.ReadCharset, 4);
  EXPECT_EQ(app.m_settings.AutoWriteCharset, 0);
  EXPECT_EQ(app.m_settings.WriteCharset, 3);
}

TEST(CommentPage, aCommentFileThatCannotBeReadEmptiesTheCommentAndTheRestStores) {
  TempDir dir;
  RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  app.m_defaultComment = "old";
  CommentPageValues v = ReadCommentPage(app.m_settings);
  v.path = dir.File("missing.txt");
  v.defaultComment = 1;
  v.writeCharset = 1;
  StoreCommentPage(v, app);
  EXPECT_EQ(app.m_defaultComment, "");
  EXPECT_EQ(app.m_settings.DefaultCommentPath, dir.File("missing.txt"));
  EXPECT_EQ(app.m_settings.DefaultComment, 1);
  EXPECT_EQ(app.m_settings.WriteCharset, 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "DefaultComment:Can't open the file.\n" + dir.File("missing.txt"));
  // A folder is no comment file either; an empty name is no comment.
  v.path = dir.Path();
  StoreCommentPage(v, app);
  EXPECT_EQ(sink.messages.size(), 2u);
  v.path.clear();
  StoreCommentPage(v, app);
  EXPECT_EQ(sink.messages.size(), 2u);
}

TEST(JpegPage, resolutionsAreSignedWithoutRangeAndTheUnitKeepsItsValueWithoutASelection) {
  CSettings s;
  s.ResolutionUnit = 1;
  JpegPageValues v = ReadJpegPage(s);
  EXPECT_EQ(v.resolutionH, "1");
  EXPECT_EQ(v.resolutionUnit, 1);
  v.tempDir = "/var/tmp";
  v.resolutionH = "-72";
  v.resolutionV = "dpi";
  v.resolutionUnit = 2;
  v.includeRst = 1;
  v.useCustomDqt = 1;
  StoreJpegPage(v, s);
  EXPECT_EQ(s.TempDir, "/var/tmp");
  EXPECT_EQ(s.ResolutionH, -72);
  EXPECT_EQ(s.ResolutionV, 0);
  EXPECT_EQ(s.ResolutionUnit, 2);
  EXPECT_EQ(s.IncludeRST, 1);
  EXPECT_EQ(s.UseCustomDQT, 1);
  s.ResolutionUnit = 9;  // from a hand-edited file
  v = ReadJpegPage(s);
  EXPECT_EQ(v.resolutionUnit, -1);
  StoreJpegPage(v, s);
  EXPECT_EQ(s.ResolutionUnit, 9);
}

TEST(PngPage, gammaValuesRoundTripAndTheWriteGammaFlagIsLeftAlone) {
  CSettings s;
  s.UseWriteGammaValue = 0;
  PngPageValues v = ReadPngPage(s);
  EXPECT_EQ(v.defaultGamma, "0.454550");
  EXPECT_EQ(v.screenGamma, "2.200000");
  EXPECT_EQ(v.gammaCorrection, 1);
  EXPECT_EQ(v.iTxtLang, "ja-jp");
  v.transparentOnLoad = 1;
  v.gammaCorrection = 0;
  v.defaultGammaOnLoad = 1;
  v.defaultGammaOnSave = 1;
  v.defaultGamma = "1.0";
  v.screenGamma = "none";
  v.useITxt = 1;
  v.iTxtLang = "en-us";
  StorePngPage(v, s);
  EXPECT_EQ(s.UseTransparentOnLoad, 1);
  EXPECT_EQ(s.UseGammaCorrection, 0);
  EXPECT_EQ(s.UseDefaultGammaOnLoad, 1);
  EXPECT_EQ(s.UseDefaultGammaOnSave, 1);
  EXPECT_DOUBLE_EQ(s.DefaultGamma, 1.0);
  EXPECT_DOUBLE_EQ(s.ScreenGamma, 0.0);
  EXPECT_EQ(s.UsePNGiTXT, 1);
  EXPECT_EQ(s.DefaultPNGiTXTLang, "en-us");
  EXPECT_EQ(s.UseWriteGammaValue, 0);
}

} // namespace
