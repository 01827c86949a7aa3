// The bulk filter's dialogs and command 439's run in the desktop program.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "app/ConverterApp.h"
#include "app/Profile.h"
#include "batch/BatchSettings.h"
#include "batch/ui/ProgressDlg.h"
#include "gui/BatchHost.h"
#include "gui/CommandIds.h"
#include "gui/FilterHost.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/MetaBytes.h"
#include "jpegmeta/ui/BulkAppnDlg.h"
#include "jpegmeta/ui/BulkExifDlg.h"
#include "jpegmeta/ui/BulkFilterDlg.h"

namespace qv::test {
namespace {

std::string Text(const QAbstractButton* b) { return b->text().toStdString(); }

// On the box itself: a check box stretched over a wide column takes clicks
// only on its indicator and text.
void Click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

// A small photo with an Exif APP1 naming its camera, two more APPn
// segments, a comment and two quantization tables in two DQT segments.
Bytes ExifPhoto(const std::string& model, unsigned seed) {
  TiffBuilder t(seed % 2 == 0);
  const TiffBuilder::Ifd ifd = t.AddIfd({t.Ascii(TAG_MAKE, "ACME"), t.Ascii(TAG_MODEL, model),
                                         t.Rational(TAG_X_RESOLUTION, 300, 1), t.Rational(TAG_Y_RESOLUTION, 300, 1),
                                         t.Ascii(TAG_DATE_TIME, "2024:01:02 03:04:05")});
  t.SetIfd0(ifd.offset);
  const Bytes jpeg = EncodeJpeg(MakeTestPicture(48, 32, seed), 48, 32, 3, 85);
  Bytes b = {0xFF, 0xD8};
  Append(b, ExifApp1(t.b));
  Append(b, Segment(0xE2, {'i', 'c', 'c'}));
  Append(b, Segment(0xED, {'p', 's'}));
  Append(b, Segment(0xFE, {'h', 'i'}));
  b.insert(b.end(), jpeg.begin() + 20, jpeg.end());  // after the encoder's JFIF APP0
  return b;
}

// As a user types a name into Qt's own file dialog.
void TypeName(QFileDialog& d, const std::string& path) {
  if (auto* edit = d.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(QString::fromStdString(path));
}

class BulkFilterDlgTest : public GuiTest {
protected:
  std::string Ini() { return App().App().Profile().Path(); }
};

TEST_F(BulkFilterDlgTest, OpensWithTheSectionsDefaultsAndEachCheckEnablesItsOwnControls) {
  CBulkFilterDlg dlg(App().App(), Frame());
  EXPECT_EQ(dlg.windowTitle().toStdString(), "JPEG 一括フィルタ");
  const std::pair<int, const char*> texts[] = {
      {1206, "ログを出力する"},       {1230, "JFIF ヘッダのサムネールを外す"}, {1232, "JFXX ヘッダを外す"},
      {1233, "APP0 以外の APP セグメントを外す"}, {1234, "DQT セグメントを統合する"},
      {1235, "DHT セグメントを統合する"}, {1236, "COM セグメントを外す"}, {1238, "Exif を JFIF に変換する"},
      {1216, "ディレクトリを再帰(&R)"}, {1217, "拡張子を指定(&E)"}};
  for (const auto& [id, text] : texts) {
    ASSERT_NE(dlg.Check(id), nullptr) << id;
    EXPECT_EQ(Text(dlg.Check(id)), text) << id;
  }
  EXPECT_EQ(Text(dlg.Button(1237)), "詳細...");
  EXPECT_EQ(Text(dlg.Button(1138)), "この設定を保存");
  EXPECT_FALSE(dlg.Button(1299)->isEnabled());
  EXPECT_TRUE(dlg.Button(1299)->isHidden());
  EXPECT_EQ(dlg.Edit(1203)->text().toStdString(), HomeDirectory() + "/Exif/in");
  EXPECT_EQ(dlg.Edit(1205)->text().toStdString(), HomeDirectory() + "/Dcim/100kxcam");
  EXPECT_EQ(dlg.Edit(1208)->text().toStdString(), HomeDirectory() + "/blkflt.htm");
  EXPECT_EQ(dlg.Edit(1218)->text().toStdString(), ".jpg;.jfif;.jpeg");
  EXPECT_TRUE(dlg.Check(1238)->isChecked());
  EXPECT_TRUE(dlg.Check(1217)->isChecked());
  EXPECT_FALSE(dlg.Check(1206)->isChecked());
  // ExtFilter and ConvertExif on, CreateLog and RemoveAppX off.
  EXPECT_TRUE(dlg.Edit(1218)->isEnabled());
  EXPECT_TRUE(dlg.Button(1239)->isEnabled());
  EXPECT_FALSE(dlg.Button(1237)->isEnabled());
  EXPECT_FALSE(dlg.Edit(1208)->isEnabled());
  EXPECT_FALSE(dlg.Button(1209)->isEnabled());

  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  for (int id : {1206, 1233, 1217, 1238}) Click(dlg.Check(id));
  EXPECT_TRUE(dlg.Edit(1208)->isEnabled());
  EXPECT_TRUE(dlg.Button(1209)->isEnabled());
  EXPECT_TRUE(dlg.Button(1237)->isEnabled());
  EXPECT_FALSE(dlg.Edit(1218)->isEnabled());
  EXPECT_FALSE(dlg.Button(1239)->isEnabled());
  Click(dlg.Check(1217));
  Click(dlg.Check(1238));
  Screenshot(&dlg, "bulk-filter-dialog");
}

TEST_F(BulkFilterDlgTest, TheDetailsDialogsEditTheSettingsInPlaceOnOkOnly) {
  CBulkFilterDlg dlg(App().App(), Frame());
  dlg.Check(1233)->setChecked(true);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

  bool seen = false;
  WhenModal<CBulkAppnDlg>([&seen](CBulkAppnDlg& d) {
    seen = true;
    EXPECT_EQ(d.windowTitle().toStdString(), "APPn セグメントの設定");
    EXPECT_EQ(Text(d.SelectAllButton()), "全選択(&A)");
    for (int n = 1; n <= 15; ++n) {
      EXPECT_EQ(Text(d.AppBox(n)), "APP" + std::to_string(n));
      EXPECT_TRUE(d.AppBox(n)->isChecked()) << n;
    }
    // APP1 is checked: all go off; again: all on; then only APP2 and APP13.
    QTest::mouseClick(d.SelectAllButton(), Qt::LeftButton);
    for (int n = 1; n <= 15; ++n) EXPECT_FALSE(d.AppBox(n)->isChecked()) << n;
    QTest::mouseClick(d.SelectAllButton(), Qt::LeftButton);
    for (int n = 1; n <= 15; ++n) EXPECT_TRUE(d.AppBox(n)->isChecked()) << n;
    QTest::mouseClick(d.SelectAllButton(), Qt::LeftButton);
    d.AppBox(2)->setChecked(true);
    d.AppBox(13)->setChecked(true);
    Screenshot(&d, "bulk-filter-appn");
    d.accept();
  });
  QTest::mouseClick(dlg.Button(1237), Qt::LeftButton);
  EXPECT_TRUE(seen);
  for (int n = 1; n <= 15; ++n) EXPECT_EQ(dlg.Settings().RemoveAPP[n], n == 2 || n == 13 ? 1 : 0) << n;

  // Cancel keeps what was there.
  WhenModal<CBulkAppnDlg>([](CBulkAppnDlg& d) {
    QTest::mouseClick(d.SelectAllButton(), Qt::LeftButton);
    d.reject();
  });
  QTest::mouseClick(dlg.Button(1237), Qt::LeftButton);
  EXPECT_EQ(dlg.Settings().RemoveAPP[1], 0);
  EXPECT_EQ(dlg.Settings().RemoveAPP[2], 1);

  seen = false;
  WhenModal<CBulkExifDlg>([&seen](CBulkExifDlg& d) {
    seen = true;
    EXPECT_EQ(d.windowTitle().toStdString(), "Exif->JFIF 変換詳細設定");
    EXPECT_EQ(Text(d.GenCommentBox()), "撮影情報をコメントに埋め込む(&C)");
    EXPECT_EQ(Text(d.UserCommentBox()), "空文以外のユーザーコメントを残す(&U)");
    EXPECT_EQ(Text(d.EnglishBox()), "撮影情報を英文で作成する(&E)");
    EXPECT_TRUE(d.GenCommentBox()->isChecked());
    EXPECT_TRUE(d.UserCommentBox()->isChecked());
    EXPECT_FALSE(d.EnglishBox()->isChecked());
    EXPECT_TRUE(d.EnglishBox()->isEnabled());
    Click(d.EnglishBox());
    Click(d.GenCommentBox());
    EXPECT_FALSE(d.EnglishBox()->isEnabled());
    Click(d.GenCommentBox());
    EXPECT_TRUE(d.EnglishBox()->isEnabled());
    Click(d.UserCommentBox());
    Screenshot(&d, "bulk-filter-exif");
    d.accept();
  });
  QTest::mouseClick(dlg.Button(1239), Qt::LeftButton);
  EXPECT_TRUE(seen);
  EXPECT_EQ(dlg.Settings().ExifGenCmt, 1);
  EXPECT_EQ(dlg.Settings().ExifGenEng, 1);
  EXPECT_EQ(dlg.Settings().ExifUserCmt, 0);
}

TEST_F(BulkFilterDlgTest, TheDetailsHelpButtonsAskForTheirTopics) {
  CBulkFilterSettings s;
  std::vector<int> topics;
  auto help = [&topics](int topic) { topics.push_back(topic); };
  CBulkAppnDlg appn(s, Frame(), help);
  CBulkExifDlg exif(s, Frame(), help);
  QTest::mouseClick(appn.findChild<QPushButton*>(QStringLiteral("1299")), Qt::LeftButton);
  QTest::mouseClick(exif.findChild<QPushButton*>(QStringLiteral("1299")), Qt::LeftButton);
  EXPECT_EQ(topics, (std::vector<int>{1802, 1803}));
}

TEST_F(BulkFilterDlgTest, ANewDestinationTakesTheLogAlongAndTheLogDialogStartsBesideIt) {
  const std::string card = dir.File("card");
  ::mkdir(card.c_str(), 0755);
  CBulkFilterDlg dlg(App().App(), Frame());
  dlg.Check(1206)->setChecked(true);
  dlg.Edit(1208)->setText(QString::fromStdString(dir.File("logs/run.htm")));
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));

  std::string title;
  WhenModal<QFileDialog>([&](QFileDialog& d) {
    title = d.windowTitle().toStdString();
    TypeName(d, card);
    static_cast<QDialog&>(d).accept();
    if (d.isVisible()) d.reject();
  });
  QTest::mouseClick(dlg.Button(1207), Qt::LeftButton);
  EXPECT_EQ(title, "Output file directory");
  EXPECT_EQ(dlg.Edit(1205)->text().toStdString(), card);
  EXPECT_EQ(dlg.Edit(1208)->text().toStdString(), card + "/run.htm");

  // Cancelled: nothing moves.
  WhenModal<QFileDialog>([&](QFileDialog& d) {
    title = d.windowTitle().toStdString();
    d.reject();
  });
  QTest::mouseClick(dlg.Button(1204), Qt::LeftButton);
  EXPECT_EQ(title, "Input file directory");
  EXPECT_EQ(dlg.Edit(1203)->text().toStdString(), HomeDirectory() + "/Exif/in");

  std::string folder;
  WhenModal<QFileDialog>([&](QFileDialog& d) {
    title = d.windowTitle().toStdString();
    folder = d.directory().absolutePath().toStdString();
    TypeName(d, card + "/other.html");
    static_cast<QDialog&>(d).accept();
    if (d.isVisible()) d.reject();
  });
  QTest::mouseClick(dlg.Button(1209), Qt::LeftButton);
  EXPECT_EQ(title, "ログファイルの設定");
  EXPECT_EQ(folder, card);
  EXPECT_EQ(dlg.Edit(1208)->text().toStdString(), card + "/other.html");
}

TEST_F(BulkFilterDlgTest, SavingWritesEveryKeyWhileOkAndCancelWriteNothing) {
  {
    CBulkFilterDlg dlg(App().App(), Frame());
    dlg.Edit(1205)->setText(QStringLiteral("/media/card"));
    dlg.Check(1236)->setChecked(true);
    dlg.Check(1216)->setChecked(true);
    dlg.Check(1238)->setChecked(false);
    QTest::mouseClick(dlg.Button(1138), Qt::LeftButton);
    EXPECT_TRUE(sink.messages.empty());
  }
  const std::string saved = ReadFileText(Ini());
  CProfile reread(Ini());
  const char* keys[] = {"SrcDirectory", "DstDirectory", "CreateLog",   "LogFilePath", "RemoveThumb", "RemoveJFXX",
                        "RemoveAppX",   "UniteDQT",     "UniteDHT",    "RemoveCOM",   "ConvertExif", "ExifGenCmt",
                        "ExifGenEng",   "ExifUserCmt",  "RecurseDir",  "ExtFilter",   "StrExtFilter"};
  for (const char* key : keys) EXPECT_TRUE(reread.Read("bulkfilter", key).has_value()) << key;
  for (int n = 1; n <= 15; ++n) EXPECT_EQ(reread.GetInt("bulkfilter", "RemoveAPP" + std::to_string(n), -1), 1);
  EXPECT_EQ(reread.Read("bulkfilter", "DstDirectory").value_or(""), "/media/card");
  EXPECT_EQ(reread.GetInt("bulkfilter", "RemoveCOM", -1), 1);
  EXPECT_EQ(reread.GetInt("bulkfilter", "RecurseDir", -1), 1);
  EXPECT_EQ(reread.GetInt("bulkfilter", "ConvertExif", -1), 0);

  // Reopened, the dialog shows what was saved; OK keeps a change for the
  // run without writing it.
  CBulkFilterDlg dlg(App().App(), Frame());
  EXPECT_EQ(dlg.Edit(1205)->text().toStdString(), "/media/card");
  EXPECT_TRUE(dlg.Check(1236)->isChecked());
  EXPECT_FALSE(dlg.Button(1239)->isEnabled());
  dlg.Check(1230)->setChecked(true);
  dlg.accept();
  EXPECT_EQ(dlg.Settings().RemoveThumb, 1);
  EXPECT_EQ(dlg.Settings().RemoveCOM, 1);
  EXPECT_EQ(ReadFileText(Ini()), saved);
}

// ---- the run ----

class BulkFilterRunTest : public GuiTest {
protected:
  std::string in = dir.File("in"), out = dir.File("out");

  void SetUp() override {
    GuiTest::SetUp();
    ::mkdir(in.c_str(), 0755);
    ::mkdir(out.c_str(), 0755);
  }
  void TearDown() override {
    App().FilterHost().onPump = nullptr;
    GuiTest::TearDown();
  }
  void Photos(const std::string& folder, int count) {
    ::mkdir(folder.c_str(), 0755);
    for (int i = 0; i < count; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "/p%02d.jpg", i);
      WriteFileBytes(folder + name, ExifPhoto("X" + std::to_string(i), static_cast<unsigned>(i + 1)));
    }
  }
  CBulkFilterSettings Settings() const {
    CBulkFilterSettings s;
    s.SrcDirectory = in;
    s.DstDirectory = out;
    return s;
  }
  CFilterHost& Host() { return App().FilterHost(); }
  const RecordedMessage* LastMessage() const { return sink.messages.empty() ? nullptr : &sink.messages.back(); }
};

// Every file of a tree, by its path below the root, with its bytes.
void CollectTree(const std::string& root, const std::string& rel, std::vector<std::pair<std::string, Bytes>>& out) {
  for (const std::string& name : FolderEntries(root + rel)) {
    const std::string path = root + rel + "/" + name;
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    if (S_ISDIR(st.st_mode))
      CollectTree(root, rel + "/" + name, out);
    else
      out.emplace_back(rel + "/" + name, ReadFileBytes(path));
  }
}

TEST_F(BulkFilterRunTest, CommandRunsTheTreeLikeTheCommandLineWithTheWindowDisabledMeanwhile) {
  Photos(in, 3);
  Photos(in + "/sub", 2);
  WriteFileText(in + "/notes.txt", "not a photo");
  bool searched = false, converted = false, disabled = true, shot = false;
  int pumps = 0, maxBar = 0, range = 0;
  Host().onPump = [&] {
    ++pumps;
    CProgressDlg* p = Host().Progress();
    if (!p) return;
    const std::string line = p->TitleLine()->text().toStdString();
    searched |= line == "ファイルを検索しています...";
    converted |= line == "Converting...";
    disabled &= !Frame()->isEnabled();
    maxBar = std::max(maxBar, p->Bar()->value());
    range = p->Bar()->maximum();
    if (line == "Converting..." && p->Bar()->value() == 3 && !shot) {
      shot = true;
      Screenshot(p, "bulk-filter-progress");
    }
  };
  WhenModal<CBulkFilterDlg>([this](CBulkFilterDlg& d) {
    d.Edit(1203)->setText(QString::fromStdString(in));
    d.Edit(1205)->setText(QString::fromStdString(out));
    d.Check(1216)->setChecked(true);
    d.Check(1230)->setChecked(true);
    d.Check(1234)->setChecked(true);
    d.Check(1235)->setChecked(true);
    d.Check(1233)->setChecked(true);
    WhenModal<CBulkAppnDlg>([](CBulkAppnDlg& a) {
      QTest::mouseClick(a.SelectAllButton(), Qt::LeftButton);
      a.AppBox(2)->setChecked(true);
      a.AppBox(13)->setChecked(true);
      a.accept();
    });
    QTest::mouseClick(d.Button(1237), Qt::LeftButton);
    QTest::mouseClick(d.Button(1), Qt::LeftButton);
  });
  EXPECT_TRUE(Enabled(ID_BULK_FILTER));
  Trigger(ID_BULK_FILTER);

  EXPECT_GT(pumps, 5);
  EXPECT_TRUE(searched);
  EXPECT_TRUE(converted);
  EXPECT_TRUE(disabled);
  EXPECT_TRUE(shot);
  EXPECT_EQ(range, 5);
  EXPECT_EQ(maxBar, 4);  // the last step comes after the last pass
  EXPECT_TRUE(Frame()->isEnabled());
  EXPECT_EQ(Host().Progress(), nullptr);
  EXPECT_FALSE(Host().Running());
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->text.rfind("5 files converted     (", 0), 0u) << LastMessage()->text;
  EXPECT_EQ(LastMessage()->caption, "Quorvex");
  EXPECT_EQ(LastMessage()->style & 0xF0u, static_cast<unsigned>(MB_ICONINFORMATION));
  // OK ran the settings without writing them.
  EXPECT_FALSE(FileExists(App().App().Profile().Path()) &&
               ReadFileText(App().App().Profile().Path()).find("[bulkfilter]") != std::string::npos);

  const std::string cliOut = dir.File("cli-out"), cliConfig = dir.File("cli-config");
  ::mkdir(cliOut.c_str(), 0755);
  ::mkdir(cliConfig.c_str(), 0755);
  const CliResult cli = RunCli(cliConfig, {"filter", "--in", in, "--out", cliOut, "--recurse", "--remove-thumb",
                                           "--unite-dqt", "--unite-dht", "--remove-app", "2,13"});
  ASSERT_EQ(cli.status, 0) << cli.err;
  std::vector<std::pair<std::string, Bytes>> mine, theirs;
  CollectTree(out, "", mine);
  CollectTree(cliOut, "", theirs);
  ASSERT_EQ(mine.size(), 5u);
  ASSERT_EQ(mine.size(), theirs.size());
  for (size_t i = 0; i < mine.size(); ++i) {
    EXPECT_EQ(mine[i].first, theirs[i].first);
    EXPECT_TRUE(mine[i].second == theirs[i].second) << mine[i].first;
  }
  // The run did what was asked: no APP2, no APP13, Exif turned into JFIF.
  const Bytes& first = mine.front().second;
  const std::vector<uint8_t> icc = {0xFF, 0xE2, 0x00, 0x05, 'i', 'c', 'c'};
  EXPECT_EQ(std::search(first.begin(), first.end(), icc.begin(), icc.end()), first.end());
  EXPECT_EQ(first[2], 0xFF);
  EXPECT_EQ(first[3], 0xE0);
}

TEST_F(BulkFilterRunTest, AbortStopsAfterTheCurrentFileAndTheCountSaysHowManyWereWritten) {
  Photos(in, 6);
  Host().onPump = [this] {
    CProgressDlg* p = Host().Progress();
    if (p && p->CounterLine()->text() == QStringLiteral("2 / 6") && p->AbortButton()->isVisible())
      QTest::mouseClick(p->AbortButton(), Qt::LeftButton);
  };
  EXPECT_FALSE(Host().Run(Settings()));
  EXPECT_EQ(FolderEntries(out), (std::vector<std::string>{"p00.jpg", "p01.jpg"}));
  ASSERT_NE(LastMessage(), nullptr);
  EXPECT_EQ(LastMessage()->text.rfind("2 files converted     (", 0), 0u) << LastMessage()->text;
  EXPECT_TRUE(Frame()->isEnabled());

  // Escape closes the dialog: the run stops as for Abort.
  const std::string escaped = dir.File("escaped");
  ::mkdir(escaped.c_str(), 0755);
  Host().onPump = [this] {
    CProgressDlg* p = Host().Progress();
    if (p && p->CounterLine()->text() == QStringLiteral("3 / 6") && p->isVisible())
      QTest::keyClick(p, Qt::Key_Escape);
  };
  CBulkFilterSettings es = Settings();
  es.DstDirectory = escaped;
  EXPECT_FALSE(Host().Run(es));
  EXPECT_EQ(FolderEntries(escaped).size(), 3u);

  // Aborted while counting: nothing is written.
  ::mkdir(dir.File("out2").c_str(), 0755);
  Host().onPump = [this] {
    if (CProgressDlg* p = Host().Progress())
      if (p->AbortButton()->isVisible()) QTest::mouseClick(p->AbortButton(), Qt::LeftButton);
  };
  CBulkFilterSettings s = Settings();
  s.DstDirectory = dir.File("out2");
  EXPECT_FALSE(Host().Run(s));
  EXPECT_TRUE(FolderEntries(dir.File("out2")).empty());
  EXPECT_EQ(LastMessage()->text, "0 files converted     (0 バイトの削減)");
}

TEST_F(BulkFilterRunTest, BrokenFilesAreSkippedMissingRootsAnsweredAndAClosedWindowWaitsForTheRun) {
  Photos(in, 2);
  WriteFileText(in + "/broken.jpg", "not a JPEG at all");
  EXPECT_FALSE(Host().Run(Settings()));
  EXPECT_EQ(FolderEntries(out), (std::vector<std::string>{"p00.jpg", "p01.jpg"}));
  EXPECT_EQ(LastMessage()->text.rfind("2 files converted     (", 0), 0u) << LastMessage()->text;
  EXPECT_EQ(ReadFileText(in + "/broken.jpg"), "not a JPEG at all");

  // A missing destination is named in a box the user can answer.
  sink.messages.clear();
  CBulkFilterSettings s = Settings();
  s.DstDirectory = dir.File("nowhere");
  bool enabledForBox = false;
  struct EnabledProbe : IMessageSink {
    RecordingSink& inner;
    QWidget* main;
    bool& seen;
    EnabledProbe(RecordingSink& r, QWidget* m, bool& s) : inner(r), main(m), seen(s) {}
    int MessageBox(const std::string& t, const std::string& c, unsigned st) override {
      seen |= main->isEnabled();
      return inner.MessageBox(t, c, st);
    }
  } probe(sink, Frame(), enabledForBox);
  App().App().SetMessageSink(probe);
  EXPECT_FALSE(Host().Run(s));
  App().App().SetMessageSink(sink);
  ASSERT_GE(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages.front().text.find("転送先ディレクトリが存在しません"), std::string::npos);
  EXPECT_TRUE(enabledForBox);

  // Closing the main window mid-run ends the run first, then the window.
  sink.messages.clear();
  const std::string out3 = dir.File("out3");
  ::mkdir(out3.c_str(), 0755);
  s.DstDirectory = out3;
  bool closed = false;
  Host().onPump = [this, &closed] {
    if (!closed && Host().Progress() && Host().Progress()->CounterLine()->text() == QStringLiteral("2 / 3")) {
      closed = true;
      Frame()->close();
    }
  };
  EXPECT_FALSE(Host().Run(s));
  EXPECT_TRUE(closed);
  EXPECT_EQ(FolderEntries(out3), (std::vector<std::string>{"p00.jpg"}));
  EXPECT_TRUE(sink.messages.empty());  // nothing more is asked of a closing program
  EXPECT_TRUE(Frame()->isVisible());
  Settle(20);
  EXPECT_FALSE(Frame()->isVisible());
}

TEST_F(BulkFilterRunTest, ItWaitsForABatchRunAndHoldsBackLoadErrorsUntilItEnds) {
  Photos(in, 2);
  Frame()->BatchTimer()->stop();
  BatchRunRequest req;
  req.files = {"p00.jpg"};
  req.srcDir = in;
  req.dstDir = out;
  ASSERT_TRUE(App().BatchHost().Run().Start(req));
  EXPECT_FALSE(Enabled(ID_BULK_FILTER));
  App().OnBulkFilter();  // refused: no dialog comes up
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  App().BatchHost().AbandonRun();
  EXPECT_TRUE(Enabled(ID_BULK_FILTER));

  WriteFileText(dir.File("bad.jpg"), "no picture");
  bool opened = false;
  size_t shownDuringRun = 0;
  Host().onPump = [&] {
    if (opened) return;
    opened = true;
    // A file handed over by a second start while the run goes on.
    App().OpenDocumentFile(dir.File("bad.jpg"));
    App().ReportLoadError();
    shownDuringRun = sink.messages.size();
  };
  Host().Run(Settings());
  EXPECT_TRUE(opened);
  EXPECT_EQ(shownDuringRun, 0u);
  ASSERT_EQ(sink.messages.size(), 1u);  // the closing count only
  App().ReportLoadError();
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_NE(sink.messages.back().text.find("bad.jpg"), std::string::npos);
}

// Not a test: how long the window waits for the run between two passes of
// the event loop, and how long Abort takes, over 2,000 files. Run by hand
// with --gtest_also_run_disabled_tests.
TEST_F(BulkFilterRunTest, DISABLED_ResponsivenessOfATwoThousandFileRun) {
  const Bytes photo = ExifPhoto("R", 7);
  for (int i = 0; i < 2000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/r%04d.jpg", i);
    WriteFileBytes(in + name, photo);
  }
  using Clock = std::chrono::steady_clock;
  Clock::time_point last = Clock::now(), clicked{};
  double maxGapMs = 0;
  int pumps = 0;
  Host().onPump = [&] {
    const Clock::time_point now = Clock::now();
    maxGapMs = std::max(maxGapMs, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
    ++pumps;
    CProgressDlg* p = Host().Progress();
    if (p && p->CounterLine()->text() == QStringLiteral("1900 / 2000") && clicked == Clock::time_point{}) {
      clicked = Clock::now();
      QTest::mouseClick(p->AbortButton(), Qt::LeftButton);
    }
  };
  const Clock::time_point start = Clock::now();
  Host().Run(Settings());
  const Clock::time_point end = Clock::now();
  std::printf("bulk filter GUI run: %d pumps, longest wait between two %.2f ms, Abort answered in %.2f ms, "
              "%zu files in %.0f ms\n",
              pumps, maxGapMs, std::chrono::duration<double, std::milli>(end - clicked).count(),
              FolderEntries(out).size(), std::chrono::duration<double, std::milli>(end - start).count());
}

} // namespace
} // namespace qv::test
