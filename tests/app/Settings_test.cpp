#include <gtest/gtest.h>

#include <climits>
#include <sys/stat.h>

#include "app/ConverterApp.h"
#include "support/TestSupport.h"
#include "app/DqtFile.h"

using namespace qv;
using qv::test::TempDir;

namespace {

std::string Ini(const TempDir& dir) { return dir.File("quorvex.ini"); }

TEST(SettingsStore, DefaultsWithoutAFile) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  const CSettings& s = app.m_settings;
  EXPECT_EQ(s.ReadDir, ".");
  EXPECT_EQ(s.MaxMRU, 9);
  EXPECT_EQ(s.Param1, 75);
  EXPECT_EQ(s.Param2, 2);
  EXPECT_EQ(s.WindowPosLeft, INT_MIN);
  EXPECT_EQ(s.ReadCharset, 3);
  EXPECT_EQ(s.AutoWriteCharset, 1);
  EXPECT_DOUBLE_EQ(s.DefaultGamma, 0.45455);
  EXPECT_DOUBLE_EQ(s.ScreenGamma, 2.2);
  EXPECT_EQ(s.DefaultPNGiTXTLang, "ja-jp");
  EXPECT_EQ(s.SaveConfig, 1);
  EXPECT_FALSE(s.TempDir.empty());
  EXPECT_EQ(app.m_zoomRates[0], 10);
  EXPECT_EQ(app.m_zoomRates[11], 1600);
  EXPECT_EQ(app.m_zoomRates[12], 0);
  EXPECT_EQ(app.m_zoomLabels[2], "33%");
  // Without a table file the tables are the standard ones for "Param1".
  uint16_t lum[64];
  MakeStandardTable(0, 75, lum);
  EXPECT_TRUE(std::equal(lum, lum + 64, app.m_customDqt[0].begin()));
  EXPECT_TRUE(sink.messages.empty());
}

TEST(SettingsStore, EveryKeyRoundTripsAndDoublesUseSixDecimals) {
  TempDir dir;
  test::RecordingSink sink;
  {
    CConverterApp app(dir.Path(), sink);
    CSettings& s = app.m_settings;
    s.ReadDir = "/photos/in";
    s.WriteDir = "/photos/out";
    s.ReadFilterIdx = 2;
    s.TempDir = "/var/tmp";
    s.MaxMRU = 4;
    s.Param1 = 60;
    s.RestoreWindowPos = 1;
    s.WindowPosLeft = -20;
    s.WindowPosHeight = 700;
    s.IncludeRST = 1;
    s.DefaultCommentPath = "/c.txt";
    s.WriteCharset = 4;
    s.DefaultGamma = 0.5;
    s.ScreenGamma = 1.8;
    s.pngSaveMode = 3;
    s.colorTransparent = 0x00FF00;
    s.DefaultPNGiTXTLang = "en";
    s.UseCustomDQT = 1;
    s.AllowExtSampling = 1;
    ASSERT_TRUE(app.SaveSettings());
  }
  const std::string text = [&] {
    auto b = test::ReadFileBytes(Ini(dir));
    return std::string(b.begin(), b.end());
  }();
  EXPECT_NE(text.find("DefaultGamma=0.500000\n"), std::string::npos);
  EXPECT_NE(text.find("ScreenGamma=1.800000\n"), std::string::npos);
  // Write order: Param1 before Param2, UseCustomDQT before AllowExtSampling last.
  EXPECT_LT(text.find("ReadDir="), text.find("WriteDir="));
  EXPECT_LT(text.find("Param1="), text.find("Param2="));
  EXPECT_LT(text.find("UseCustomDQT="), text.find("AllowExtSampling="));
  EXPECT_EQ(text.find("ZoomRate"), std::string::npos);

  CConverterApp again(dir.Path(), sink);
  again.LoadSettings();
  const CSettings& s = again.m_settings;
  EXPECT_EQ(s.ReadDir, "/photos/in");
  EXPECT_EQ(s.WriteDir, "/photos/out");
  EXPECT_EQ(s.ReadFilterIdx, 2);
  EXPECT_EQ(s.TempDir, "/var/tmp");
  EXPECT_EQ(s.MaxMRU, 4);
  EXPECT_EQ(s.Param1, 60);
  EXPECT_EQ(s.WindowPosLeft, -20);
  EXPECT_EQ(s.WindowPosHeight, 700);
  EXPECT_EQ(s.WindowPosTop, INT_MIN);
  EXPECT_EQ(s.IncludeRST, 1);
  EXPECT_EQ(s.DefaultCommentPath, "/c.txt");
  EXPECT_EQ(s.WriteCharset, 4);
  EXPECT_DOUBLE_EQ(s.DefaultGamma, 0.5);
  EXPECT_DOUBLE_EQ(s.ScreenGamma, 1.8);
  EXPECT_EQ(s.pngSaveMode, 3);
  EXPECT_EQ(s.colorTransparent, 0x00FF00);
  EXPECT_EQ(s.DefaultPNGiTXTLang, "en");
  EXPECT_EQ(s.UseCustomDQT, 1);
  EXPECT_EQ(s.AllowExtSampling, 1);
}

TEST(SettingsStore, EncoderChoicesAreAlwaysSavedAsTwoAndZero) {
  TempDir dir;
  test::RecordingSink sink;
  test::WriteFileText(Ini(dir), "[default]\nParam2=4\nParam3=1\n");
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param2, 4);
  app.ResetEncoderChoices();
  ASSERT_TRUE(app.SaveSettings());
  EXPECT_EQ(app.Profile().GetInt("default", "Param2", -1), 2);
  EXPECT_EQ(app.Profile().GetInt("default", "Param3", -1), 0);
}

TEST(SettingsStore, SaveConfigOffWritesOnlyTheSwitchOnce) {
  TempDir dir;
  test::RecordingSink sink;
  test::WriteFileText(Ini(dir), "[default]\nSaveConfig=1\nParam1=80\n");
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  app.m_settings.SaveConfig = 0;
  app.m_settings.Param1 = 10;
  ASSERT_TRUE(app.SaveSettings());
  EXPECT_EQ(app.Profile().GetInt("default", "SaveConfig", -1), 0);
  EXPECT_EQ(app.Profile().GetInt("default", "Param1", -1), 80);
  EXPECT_FALSE(app.Profile().Read("default", "ReadDir").has_value());

  // From then on nothing at all is written.
  const auto before = test::ReadFileBytes(Ini(dir));
  CConverterApp later(dir.Path(), sink);
  later.LoadSettings();
  EXPECT_EQ(later.m_settings.SaveConfig, 0);
  later.m_settings.Param1 = 33;
  ASSERT_TRUE(later.SaveSettings());
  EXPECT_EQ(test::ReadFileBytes(Ini(dir)), before);
}

TEST(SettingsStore, WritingKeepsOtherSectionsKeysAndComments) {
  TempDir dir;
  test::RecordingSink sink;
  test::WriteFileText(Ini(dir),
                      "; user notes\n[bulkconv]\nStartNo=17\n\n[default]\nParam1=50\nUnknownKey=keep me\n"
                      "[other]\nx=1\n");
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  ASSERT_TRUE(app.SaveSettings());
  CProfile& p = app.Profile();
  EXPECT_EQ(p.GetInt("bulkconv", "StartNo", 0), 17);
  EXPECT_EQ(p.GetString("default", "UnknownKey", ""), "keep me");
  EXPECT_EQ(p.GetInt("other", "x", 0), 1);
  EXPECT_EQ(p.GetInt("default", "Param1", 0), 50);
  auto bytes = test::ReadFileBytes(Ini(dir));
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 12), "; user notes");
  // Section and key names match without regard to case.
  EXPECT_EQ(p.GetInt("DEFAULT", "param1", 0), 50);
}

TEST(SettingsStore, GarbageFallsBackToDefaults) {
  TempDir dir;
  test::RecordingSink sink;
  test::WriteFileText(Ini(dir),
                      "[default]\nParam1=seventy\nMaxMRU=\nResolutionH=99999999999999\nScreenGamma=abc\n"
                      "garbage line without equals\n\x01\x02\xff\n[default\nAutoFitting= 1 \n");
  // A ".dqt" file full of junk gives no tables: the standard ones are used.
  test::WriteFileText(dir.File("quorvex.dqt"), "!!!! just words, not numbers ~~~~\n");
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param1, 75);
  EXPECT_EQ(app.m_settings.MaxMRU, 9);
  EXPECT_EQ(app.m_settings.ResolutionH, 1);
  EXPECT_DOUBLE_EQ(app.m_settings.ScreenGamma, 0.0);  // text that is not a number gives 0
  EXPECT_EQ(app.m_settings.AutoFitting, 1);
  uint16_t lum[64];
  MakeStandardTable(0, 75, lum);
  EXPECT_TRUE(std::equal(lum, lum + 64, app.m_customDqt[0].begin()));
}

TEST(SettingsStore, UnreadableFileGivesDefaults) {
  TempDir dir;
  test::RecordingSink sink;
  ::mkdir(Ini(dir).c_str(), 0755);  // a folder where the file should be
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_settings.Param1, 75);
  EXPECT_FALSE(app.SaveSettings());
}

TEST(SettingsStore, TableFileRulesForSixtyFourAndOneHundredTwentyEightValues) {
  TempDir dir;
  test::RecordingSink sink;
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += std::to_string(i + 1) + ",";
  test::WriteFileText(dir.File("quorvex.dqt"), hundred + "\n");
  test::WriteFileText(Ini(dir), "[default]\nParam1=50\n");
  CConverterApp app(dir.Path(), sink);
  app.LoadSettings();
  EXPECT_EQ(app.m_customDqt[0][0], 1);
  EXPECT_EQ(app.m_customDqt[0][63], 64);
  uint16_t chrom[64];
  MakeStandardTable(1, 50, chrom);
  EXPECT_TRUE(std::equal(chrom, chrom + 64, app.m_customDqt[1].begin()));
  EXPECT_FALSE(app.m_bDqtModified);

  // Modified tables are written at exit, luminance first.
  app.m_customDqt[1].fill(7);
  app.m_bDqtModified = true;
  ASSERT_TRUE(app.SaveSettings());
  uint16_t values[128];
  ASSERT_EQ(ReadDqtFile(dir.File("quorvex.dqt"), values), 128);
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[64], 7);
}

TEST(SettingsStore, DocumentIdsAreUniqueAmongRegistered) {
  TempDir dir;
  test::RecordingSink sink;
  CConverterApp app(dir.Path(), sink);
  std::srand(1);
  const int first = app.NewDocumentId();
  app.RegisterDocumentId(first);
  for (int i = 0; i < 2000; ++i) {
    std::srand(1);  // the same draws again: the taken one must be skipped
    EXPECT_NE(app.NewDocumentId(), first);
  }
  EXPECT_GE(first, 0);
  EXPECT_LE(first, 32767);
}

TEST(ConfigFolder, OverridesAndDefaultPaths) {
  EXPECT_EQ(ConfigDirectory("/x/y"), "/x/y");
  setenv("QUORVEX_CONFIG_DIR", "/from/env", 1);
  EXPECT_EQ(ConfigDirectory(), "/from/env");
  unsetenv("QUORVEX_CONFIG_DIR");
  setenv("XDG_CONFIG_HOME", "/xdg", 1);
  EXPECT_EQ(ConfigDirectory(), "/xdg/quorvex");
  unsetenv("XDG_CONFIG_HOME");
  const std::string home = HomeDirectory();
  EXPECT_EQ(MapDefaultPath("C:\\DCIM\\100KXCAM"), home + "/DCIM/100KXCAM");
  EXPECT_EQ(MapDefaultPath("C:\\blkcnv.htm"), home + "/blkcnv.htm");
}

} // namespace
