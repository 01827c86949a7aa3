#include <string>
#include <vector>

#include <sys/stat.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "app/DqtFile.h"
#include "app/Profile.h"
#include "gui/CommandIds.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/RecentFileList.h"
#include "view/ui/CommentPage.h"
#include "view/ui/DqtDlg.h"
#include "view/ui/GeneralPage.h"
#include "view/ui/JpegPage.h"
#include "view/ui/PngPage.h"
#include "platform/ui/HelpWindow.h"
#include "view/ui/SettingsSheet.h"

namespace qv::test {
namespace {

QuantTable Standard(int k, int quality) {
  QuantTable t{};
  MakeStandardTable(k, quality, t.data());
  return t;
}

void Flip(QCheckBox* box) { box->click(); }

class SettingsSheetTest : public GuiTest {
protected:
  // Command 441 with `fn` acting on the sheet; fn ends it.
  void RunSheet(std::function<void(CSettingsSheet&)> fn) {
    bool ran = false;
    WhenModal<CSettingsSheet>([&ran, fn](CSettingsSheet& sheet) {
      ran = true;
      fn(sheet);
    });
    Trigger(ID_SETTINGS);
    EXPECT_TRUE(ran);
  }
  // The settings as a fresh start reads them from the files the exit wrote.
  CSettings Restarted() {
    App().ExitInstance();
    CQuorvexApp again(dir.File("config"));
    StartOptions o;
    o.singleInstance = false;
    o.show = false;
    EXPECT_EQ(again.InitInstance(o), CQuorvexApp::StartResult::Running);
    const CSettings s = again.App().m_settings;
    restartedTables[0] = again.App().m_customDqt[0];
    restartedTables[1] = again.App().m_customDqt[1];
    again.ExitInstance();
    return s;
  }
  CSettings& Settings() { return App().App().m_settings; }
  QuantTable restartedTables[2];
};

TEST_F(SettingsSheetTest, theSheetHasFourPagesInOrderOkCancelAndHelpButNoApply) {
  int helpTopic = 0;
  EXPECT_TRUE(Enabled(ID_SETTINGS));
  RunSheet([&](CSettingsSheet& sheet) {
    EXPECT_EQ(sheet.windowTitle().toStdString(), "環境設定");
    QTabWidget* tabs = sheet.Tabs();
    ASSERT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0).toStdString(), "一般");
    EXPECT_EQ(tabs->tabText(1).toStdString(), "コメント");
    EXPECT_EQ(tabs->tabText(2).toStdString(), "JPEG");
    EXPECT_EQ(tabs->tabText(3).toStdString(), "PNG");
    auto* box = sheet.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->buttons().size(), 3);  // OK, Cancel, Help: no Apply
    EXPECT_EQ(box->button(QDialogButtonBox::Apply), nullptr);
    EXPECT_TRUE(sheet.HelpButton()->isEnabled());
    tabs->setCurrentIndex(3);
    sheet.HelpButton()->click();
    ASSERT_NE(CHelpWindow::Current(), nullptr);
    helpTopic = CHelpWindow::Current()->Topic();
    CHelpWindow::Current()->close();
    Screenshot(&sheet, "settings-png");
    tabs->setCurrentIndex(2);
    Screenshot(&sheet, "settings-jpeg");
    tabs->setCurrentIndex(1);
    Screenshot(&sheet, "settings-comment");
    tabs->setCurrentIndex(0);
    Screenshot(&sheet, "settings-general");
    sheet.CancelButton()->click();
  });
  EXPECT_EQ(helpTopic, 1304);
}

TEST_F(SettingsSheetTest, eachPageHasItsHelpTopicAndTheDitherBoxWorksOnSixteenBitScreens) {
  std::vector<int> topics;
  SettingsSheetHost host;
  host.help = [&topics](int topic) { topics.push_back(topic); };
  host.screenDepth = 16;
  Settings().UseDitherFor16bitColor = 1;
  CSettingsSheet sheet(Frame(), App().App(), host);
  EXPECT_TRUE(sheet.General()->DitherBox()->isEnabled());
  EXPECT_TRUE(sheet.General()->DitherBox()->isChecked());
  for (int i = 0; i < 4; ++i) {
    sheet.Tabs()->setCurrentIndex(i);
    sheet.HelpButton()->click();
  }
  EXPECT_EQ(topics, (std::vector<int>{1301, 1302, 1303, 1304}));
  sheet.General()->DitherBox()->setChecked(false);
  sheet.OkButton()->click();
  EXPECT_EQ(Settings().UseDitherFor16bitColor, 0);
}

TEST_F(SettingsSheetTest, generalPageStoresEveryControlAndTheIniKeepsThem) {
  RunSheet([](CSettingsSheet& sheet) {
    CGeneralPage* p = sheet.General();
    EXPECT_EQ(p->MaxMruEdit()->text().toStdString(), "9");
    EXPECT_TRUE(p->SaveConfigBox()->isChecked());
    EXPECT_EQ(p->AutoClipboardBox()->text().toStdString(), "クリップボードの自動更新(&L)");
    // 24 or 32 bits here: disabled, still showing the stored value.
    EXPECT_FALSE(p->DitherBox()->isEnabled());
    Type(p->MaxMruEdit(), "15");
    for (QCheckBox* c : {p->AutoClipboardBox(), p->RestoreWindowBox(), p->HalftoneBox(), p->AutoFitBox()}) Flip(c);
    p->DitherBox()->setChecked(true);
    sheet.OkButton()->click();
  });
  EXPECT_EQ(Settings().MaxMRU, 9);
  EXPECT_EQ(Settings().AutoUpdateClipboard, 1);
  EXPECT_EQ(Settings().bUseHalfToneStretch, 1);
  const CSettings s = Restarted();
  EXPECT_EQ(s.MaxMRU, 9);
  EXPECT_EQ(s.AutoUpdateClipboard, 1);
  EXPECT_EQ(s.RestoreWindowPos, 1);
  EXPECT_EQ(s.bUseHalfToneStretch, 1);
  EXPECT_EQ(s.AutoFitting, 1);
  EXPECT_EQ(s.UseDitherFor16bitColor, 1);
  EXPECT_EQ(s.SaveConfig, 1);
}

TEST_F(SettingsSheetTest, aNegativeRecentCountStoresZeroAndSwitchingSavingOffIsRemembered) {
  App().App().Profile().WriteInt("default", "SaveConfig", 1);  // as an earlier exit left it
  RunSheet([](CSettingsSheet& sheet) {
    Type(sheet.General()->MaxMruEdit(), "-3");
    Flip(sheet.General()->SaveConfigBox());
    sheet.OkButton()->click();
  });
  EXPECT_EQ(Settings().MaxMRU, 0);
  EXPECT_EQ(Settings().SaveConfig, 0);
  App().ExitInstance();
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetInt("default", "SaveConfig", -1), 0);
  EXPECT_EQ(ini.GetInt("default", "MaxMRU", -1), -1);  // nothing else is written
}

TEST_F(SettingsSheetTest, clearingTheRecentFilesActsAtOnceEvenWhenTheSheetIsCancelled) {
  Open(Photo("p.jpg", 32, 24));
  App().Recent().Save(App().App().Profile());
  ASSERT_TRUE(App().App().Profile().Read(kRecentSection, "File1"));
  RunSheet([](CSettingsSheet& sheet) {
    EXPECT_EQ(sheet.General()->ClearRecentButton()->text().toStdString(), "ファイル履歴のクリア");
    sheet.General()->ClearRecentButton()->click();
    sheet.CancelButton()->click();
  });
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetString(kRecentSection, "File1", ""), "");
  EXPECT_EQ(App().Recent().ApplyPendingClear(), true);
  EXPECT_EQ(App().Recent().Size(), 0);
}

TEST_F(SettingsSheetTest, theClearHoldsAtExitWithoutTheMenuShown) {
  Open(Photo("p.jpg", 32, 24));
  RunSheet([](CSettingsSheet& sheet) {
    sheet.General()->ClearRecentButton()->click();
    sheet.OkButton()->click();
  });
  App().ExitInstance();
  CProfile ini(dir.File("config/quorvex.ini"));
  EXPECT_EQ(ini.GetString(kRecentSection, "File1", ""), "");
}

TEST_F(SettingsSheetTest, commentPageEnablesTheCombosByTheirBoxesAndStoresWithTheReload) {
  WriteFileText(dir.File("comment.txt"), "hello\n");
  SeenFileDialog seen;
  RunSheet([&](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(1);
    CCommentPage* p = sheet.Comment();
    EXPECT_EQ(p->ReadCharsetList()->count(), 5);
    EXPECT_EQ(p->ReadCharsetList()->itemText(1).toStdString(), "iso-2022-jp");
    EXPECT_EQ(p->ReadCharsetList()->currentIndex(), 3);
    EXPECT_TRUE(p->ReadCharsetList()->isEnabled());   // AutoReadCharset 0
    EXPECT_FALSE(p->WriteCharsetList()->isEnabled()); // AutoWriteCharset 1
    Flip(p->AutoReadBox());
    EXPECT_FALSE(p->ReadCharsetList()->isEnabled());
    Flip(p->AutoWriteBox());
    EXPECT_TRUE(p->WriteCharsetList()->isEnabled());
    p->WriteCharsetList()->setCurrentIndex(4);
    AnswerFileDialog(dir.File("comment.txt"), &seen);
    p->BrowseButton()->click();
    EXPECT_EQ(p->FileEdit()->text().toStdString(), dir.File("comment.txt"));
    Flip(p->DefaultCommentBox());
    sheet.OkButton()->click();
  });
  EXPECT_EQ(seen.title, "コメントファイルを開く");
  EXPECT_EQ(App().App().m_defaultComment, "hello\r\n");
  const CSettings s = Restarted();
  EXPECT_EQ(s.DefaultCommentPath, dir.File("comment.txt"));
  EXPECT_EQ(s.DefaultComment, 1);
  EXPECT_EQ(s.AutoReadCharset, 1);
  EXPECT_EQ(s.ReadCharset, 3);
  EXPECT_EQ(s.AutoWriteCharset, 0);
  EXPECT_EQ(s.WriteCharset, 4);
}

TEST_F(SettingsSheetTest, aCommentFileThatIsMissingLeavesAnEmptyCommentAndTheRestStored) {
  App().App().m_defaultComment = "old";
  RunSheet([this](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(1);
    sheet.Comment()->FileEdit()->setText(QString::fromStdString(dir.File("gone.txt")));
    Flip(sheet.Comment()->DefaultCommentBox());
    sheet.Tabs()->setCurrentIndex(0);
    Type(sheet.General()->MaxMruEdit(), "4");
    sheet.OkButton()->click();
  });
  EXPECT_EQ(App().App().m_defaultComment, "");
  EXPECT_EQ(Settings().DefaultCommentPath, dir.File("gone.txt"));
  EXPECT_EQ(Settings().DefaultComment, 1);
  EXPECT_EQ(Settings().MaxMRU, 4);
}

TEST_F(SettingsSheetTest, jpegPageStoresItsControlsAndTheDqtButtonFollowsItsBox) {
  ::mkdir(dir.File("work").c_str(), 0755);
  SeenFileDialog seen;
  RunSheet([&](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(2);
    CJpegPage* p = sheet.Jpeg();
    EXPECT_FALSE(p->CustomDqtBox()->isChecked());
    EXPECT_FALSE(p->DqtButton()->isEnabled());
    Flip(p->CustomDqtBox());
    EXPECT_TRUE(p->DqtButton()->isEnabled());
    Flip(p->CustomDqtBox());
    EXPECT_FALSE(p->DqtButton()->isEnabled());
    Flip(p->CustomDqtBox());
    EXPECT_EQ(p->UnitList()->count(), 3);
    EXPECT_EQ(p->UnitList()->itemText(1).toStdString(), "dot/inch");
    AnswerFileDialog(dir.File("work"), &seen);
    p->BrowseButton()->click();
    EXPECT_EQ(p->TempDirEdit()->text().toStdString(), dir.File("work"));
    Type(p->ResolutionHEdit(), "300");
    Type(p->ResolutionVEdit(), "-2");
    p->UnitList()->setCurrentIndex(1);
    Flip(p->RstBox());
    sheet.OkButton()->click();
  });
  EXPECT_EQ(seen.title, "中間ファイル展開ディレクトリの指定");
  const CSettings s = Restarted();
  EXPECT_EQ(s.TempDir, dir.File("work"));
  EXPECT_EQ(s.ResolutionH, 300);
  EXPECT_EQ(s.ResolutionV, -2);
  EXPECT_EQ(s.ResolutionUnit, 1);
  EXPECT_EQ(s.IncludeRST, 1);
  EXPECT_EQ(s.UseCustomDQT, 1);
}

TEST_F(SettingsSheetTest, tablesFromTheDqtButtonStayAfterCancelAndReachTheDqtFile) {
  Settings().UseCustomDQT = 1;
  RunSheet([](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(2);
    ASSERT_TRUE(sheet.Jpeg()->DqtButton()->isEnabled());
    WhenModal<CDqtDialog>([](CDqtDialog& dlg) {
      EXPECT_EQ(dlg.Table(0), Standard(0, 75));
      Type(dlg.QualityEdit(0), "40");
      dlg.MakeButton(0)->click();
      Type(dlg.QualityEdit(1), "60");
      dlg.MakeButton(1)->click();
      dlg.OkButton()->click();
    });
    sheet.Jpeg()->DqtButton()->click();
    sheet.CancelButton()->click();
  });
  EXPECT_EQ(App().App().m_customDqt[0], Standard(0, 40));
  EXPECT_EQ(App().App().m_customDqt[1], Standard(1, 60));
  EXPECT_TRUE(App().App().m_bDqtModified);
  Restarted();
  EXPECT_EQ(restartedTables[0], Standard(0, 40));
  EXPECT_EQ(restartedTables[1], Standard(1, 60));
}

TEST_F(SettingsSheetTest, aCancelledDqtDialogLeavesTheTablesUnmarked) {
  RunSheet([](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(2);
    Flip(sheet.Jpeg()->CustomDqtBox());
    WhenModal<CDqtDialog>([](CDqtDialog& dlg) {
      Type(dlg.QualityEdit(0), "5");
      dlg.MakeButton(0)->click();
      dlg.CancelButton()->click();
    });
    sheet.Jpeg()->DqtButton()->click();
    sheet.CancelButton()->click();
  });
  EXPECT_EQ(App().App().m_customDqt[0], Standard(0, 75));
  EXPECT_FALSE(App().App().m_bDqtModified);
  EXPECT_EQ(Settings().UseCustomDQT, 0);
}

TEST_F(SettingsSheetTest, pngPageStoresEveryControlAndItsEnabling) {
  RunSheet([](CSettingsSheet& sheet) {
    sheet.Tabs()->setCurrentIndex(3);
    CPngPage* p = sheet.Png();
    EXPECT_EQ(p->DefaultGammaEdit()->text().toStdString(), "0.454550");
    EXPECT_EQ(p->ScreenGammaEdit()->text().toStdString(), "2.200000");
    EXPECT_TRUE(p->DefaultGammaOnLoadBox()->isEnabled());
    EXPECT_FALSE(p->LanguageEdit()->isEnabled());
    Flip(p->GammaOnLoadBox());
    EXPECT_FALSE(p->DefaultGammaOnLoadBox()->isEnabled());
    Flip(p->ITxtBox());
    EXPECT_TRUE(p->LanguageEdit()->isEnabled());
    Flip(p->TransparentOnLoadBox());
    Flip(p->DefaultGammaOnSaveBox());
    p->DefaultGammaOnLoadBox()->setChecked(true);
    Type(p->DefaultGammaEdit(), "1.8");
    Type(p->ScreenGammaEdit(), "abc");
    Type(p->LanguageEdit(), "en-us");
    sheet.OkButton()->click();
  });
  const CSettings s = Restarted();
  EXPECT_EQ(s.UseTransparentOnLoad, 1);
  EXPECT_EQ(s.UseGammaCorrection, 0);
  EXPECT_EQ(s.UseDefaultGammaOnLoad, 1);
  EXPECT_EQ(s.UseDefaultGammaOnSave, 1);
  EXPECT_DOUBLE_EQ(s.DefaultGamma, 1.8);
  EXPECT_DOUBLE_EQ(s.ScreenGamma, 0.0);
  EXPECT_EQ(s.UsePNGiTXT, 1);
  EXPECT_EQ(s.DefaultPNGiTXTLang, "en-us");
  EXPECT_EQ(s.UseWriteGammaValue, 1);
}

TEST_F(SettingsSheetTest, pagesNeverShownAndACancelledSheetStoreNothing) {
  Settings().DefaultGamma = 1.2345678;
  Settings().TempDir = "/odd/place";
  Settings().DefaultCommentPath = "/keep/me.txt";
  RunSheet([](CSettingsSheet& sheet) {
    Type(sheet.General()->MaxMruEdit(), "3");
    sheet.OkButton()->click();
  });
  EXPECT_EQ(Settings().MaxMRU, 3);
  EXPECT_DOUBLE_EQ(Settings().DefaultGamma, 1.2345678);  // shown, it would round to 1.234568
  EXPECT_EQ(Settings().TempDir, "/odd/place");
  EXPECT_EQ(Settings().DefaultCommentPath, "/keep/me.txt");

  RunSheet([](CSettingsSheet& sheet) {
    Type(sheet.General()->MaxMruEdit(), "7");
    Flip(sheet.General()->HalftoneBox());
    sheet.Tabs()->setCurrentIndex(3);
    Type(sheet.Png()->DefaultGammaEdit(), "3.0");
    sheet.CancelButton()->click();
  });
  EXPECT_EQ(Settings().MaxMRU, 3);
  EXPECT_EQ(Settings().bUseHalfToneStretch, 0);
  EXPECT_DOUBLE_EQ(Settings().DefaultGamma, 1.2345678);
}

} // namespace
} // namespace qv::test
