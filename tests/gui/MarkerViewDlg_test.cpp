#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "jpegmeta/MarkerEditForm.h"
#include "jpegmeta/SegmentList.h"
#include "jpegmeta/ui/MarkerViewDlg.h"
#include "view/ui/DqtPreview.h"

namespace qv::test {
namespace {

std::vector<std::string> TopTexts(QTreeWidget* tree) {
  std::vector<std::string> out;
  for (int i = 0; i < tree->topLevelItemCount(); ++i) out.push_back(tree->topLevelItem(i)->text(0).toStdString());
  return out;
}

QTreeWidgetItem* FindItem(QTreeWidget* tree, const std::string& prefix, QTreeWidgetItem* under = nullptr) {
  const int n = under ? under->childCount() : tree->topLevelItemCount();
  for (int i = 0; i < n; ++i) {
    QTreeWidgetItem* item = under ? under->child(i) : tree->topLevelItem(i);
    if (item->text(0).toStdString().rfind(prefix, 0) == 0) return item;
    if (QTreeWidgetItem* deeper = FindItem(tree, prefix, item)) return deeper;
  }
  return nullptr;
}

std::vector<int> CodesOf(const std::string& path) {
  SegmentList list;
  CSegmentFile f;
  if (f.Open(path)) ParseJpeg(f, list);
  std::vector<int> c;
  for (const auto& r : list) c.push_back(r->Has(SF_NOT_LOADED) ? 0 : r->MarkerCode());
  return c;
}

std::string CameraJpeg() {
  const std::string corpus = CorpusDir();
  if (!corpus.empty() && FileExists(corpus + "/camera/Canon_40D.jpg")) return corpus + "/camera/Canon_40D.jpg";
  return std::string(QUORVEX_SAMPLES_DIR) + "/../fuzz/seeds/parse_jpeg/Canon_40D.jpg";
}

class MarkerViewTest : public GuiTest {
protected:
  std::unique_ptr<CMarkerViewDlg> Dialog(const std::string& path) {
    auto dlg = std::make_unique<CMarkerViewDlg>(Frame(), path, sink, dir.Path());
    dlg->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    return dlg;
  }
  std::string Copy(const std::string& from, const std::string& name) {
    const std::string path = dir.File(name);
    WriteFileBytes(path, ReadFileBytes(from));
    return path;
  }
  static std::string Selected(CMarkerViewDlg& dlg) {
    return dlg.HexEdit()->textCursor().selectedText().toStdString();
  }
};

TEST_F(MarkerViewTest, ABaselineJpegShowsEveryRecordFromSoiToEoi) {
  const std::string path = Photo("photo.jpg", 64, 48);
  auto dlg = Dialog(path);
  EXPECT_EQ(dlg->windowTitle().toStdString(), "JPEG marker view");
  const auto texts = TopTexts(dlg->Tree());
  ASSERT_GE(texts.size(), 8u);
  EXPECT_EQ(texts.front(), "SOI   (Start of image)(2)");
  EXPECT_EQ(texts[1], "APP0(18)");
  EXPECT_EQ(texts.back(), "EOI   (End of image)(2)");
  EXPECT_EQ(texts[texts.size() - 2].rfind("Scan data(", 0), 0u);
  EXPECT_EQ(texts[texts.size() - 3], "SOS   (Start of scan)(14)");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "SOF0  (Baseline DCT/Huffman)(19)"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "DHT   (Huffman table)(33)"), texts.end());
  // Nothing edited yet: only the structure buttons work.
  EXPECT_TRUE(dlg->InsButton()->isEnabled());
  EXPECT_TRUE(dlg->DelButton()->isEnabled());
  EXPECT_FALSE(dlg->OkButton()->isEnabled());
  EXPECT_FALSE(dlg->CancelButton()->isEnabled());
  EXPECT_FALSE(dlg->SaveButton()->isEnabled());
  EXPECT_EQ(dlg->SaveButton()->text().toStdString(), "Save && Reload...");
  EXPECT_TRUE(dlg->HexEdit()->font().fixedPitch());
  EXPECT_EQ(dlg->HexEdit()->font().families().front().toStdString(), "ＭＳ ゴシック");
}

TEST_F(MarkerViewTest, SelectingColumnsMarksTheTwoBytesAfterTheRows) {
  auto dlg = Dialog(Photo("photo.jpg", 300, 48));
  QTreeWidgetItem* columns = FindItem(dlg->Tree(), "Columns=");
  ASSERT_NE(columns, nullptr);
  EXPECT_EQ(columns->text(0).toStdString(), "Columns=300");
  dlg->Tree()->setCurrentItem(columns);
  EXPECT_EQ(Selected(*dlg), "01 2c");
  const QTextCursor c = dlg->HexEdit()->textCursor();
  EXPECT_EQ(c.selectionStart(), 21);
  EXPECT_EQ(c.selectionEnd(), 26);
  EXPECT_EQ(dlg->HexEdit()->toPlainText().toStdString().substr(0, 24), "ff c0 00 11 08 00 30 01 ");
  // The segment's own item marks its marker and length field.
  dlg->Tree()->setCurrentItem(columns->parent());
  EXPECT_EQ(Selected(*dlg), "ff c0 00 11");
  // A data run shows a placeholder, wholly selected, that cannot be edited.
  dlg->Tree()->setCurrentItem(FindItem(dlg->Tree(), "Scan data("));
  EXPECT_EQ(dlg->HexEdit()->toPlainText().toStdString(), "(scan data...)");
  EXPECT_EQ(Selected(*dlg), "(scan data...)");
  EXPECT_TRUE(dlg->HexEdit()->isReadOnly());
}

TEST_F(MarkerViewTest, ADqtOneByteShortAskesForTheLengthAndYesCorrectsIt) {
  const std::string path = Photo("photo.jpg", 64, 48);
  for (int answer : {IDYES, IDNO, IDCANCEL}) {
    SCOPED_TRACE(answer);
    auto dlg = Dialog(path);
    QTreeWidgetItem* dqt = FindItem(dlg->Tree(), "DQT");
    ASSERT_NE(dqt, nullptr);
    const int index = dlg->Tree()->indexOfTopLevelItem(dqt);
    EXPECT_EQ(dqt->text(0).toStdString(), "DQT   (Quantization table)(69)");
    dlg->Tree()->setCurrentItem(dqt);
    // The last byte typed away.
    dlg->HexEdit()->setFocus();
    QTextCursor end(dlg->HexEdit()->document());
    end.movePosition(QTextCursor::End);
    dlg->HexEdit()->setTextCursor(end);
    for (int i = 0; i < 4; ++i) QTest::keyClick(dlg->HexEdit(), Qt::Key_Backspace);
    EXPECT_TRUE(dlg->IsEdited());
    EXPECT_TRUE(dlg->OkButton()->isEnabled());
    EXPECT_TRUE(dlg->CancelButton()->isEnabled());
    sink.messages.clear();
    sink.answer = answer;
    QTest::mouseClick(dlg->OkButton(), Qt::LeftButton);
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0].text, kMarkerLengthQuestion);
    QTreeWidgetItem* now = dlg->Tree()->topLevelItem(index);
    if (answer == IDCANCEL) {
      EXPECT_EQ(now, dqt);
      EXPECT_FALSE(dlg->SaveButton()->isEnabled());
      EXPECT_TRUE(dlg->IsEdited());  // the typed text stays for another try
      QTest::mouseClick(dlg->CancelButton(), Qt::LeftButton);
      EXPECT_FALSE(dlg->IsEdited());
      EXPECT_EQ(dlg->HexEdit()->toPlainText().count(QLatin1Char(' ')), 69);
      continue;
    }
    EXPECT_EQ(now->text(0).toStdString(), answer == IDYES ? "DQT   (Quantization table)(68)" : "DQT   (Quantization table)(69)");
    EXPECT_EQ(dlg->Tree()->currentItem(), now);
    EXPECT_TRUE(dlg->SaveButton()->isEnabled());
    EXPECT_FALSE(dlg->OkButton()->isEnabled());
    const MarkerItem m = CMarkerViewDlg::ItemOf(now);
    EXPECT_EQ(m.record->m_nLength, 68);
    EXPECT_EQ(m.record->LengthField(), answer == IDYES ? 66 : 67);
    EXPECT_EQ(TopTexts(dlg->Tree()).size(), static_cast<size_t>(dlg->Tree()->topLevelItemCount()));
  }
}

TEST_F(MarkerViewTest, TypingStopsAtTheTextLimitAndHelpNamesItsTopic) {
  auto dlg = Dialog(Photo("photo.jpg", 64, 48));
  dlg->Tree()->setCurrentItem(dlg->Tree()->topLevelItem(0));
  QPlainTextEdit* hex = dlg->HexEdit();
  hex->setPlainText(QString(kMarkerHexTextLimit - 1, QLatin1Char('0')));
  hex->setFocus();
  hex->moveCursor(QTextCursor::End);
  QTest::keyClicks(hex, QStringLiteral("abc"));
  EXPECT_EQ(hex->toPlainText().size(), kMarkerHexTextLimit);
  EXPECT_TRUE(hex->toPlainText().endsWith(QStringLiteral("0a")));
  QGuiApplication::clipboard()->setText(QStringLiteral("ff ff"));
  hex->paste();  // nothing fits any more
  EXPECT_EQ(hex->toPlainText().size(), kMarkerHexTextLimit);
  QTest::keyClick(hex, Qt::Key_Backspace);
  QTest::keyClick(hex, Qt::Key_F);
  EXPECT_TRUE(hex->toPlainText().endsWith(QStringLiteral("0f")));

  int topic = 0;
  CMarkerViewDlg withHelp(Frame(), dir.File("photo.jpg"), sink, dir.Path(), [&](int t) { topic = t; });
  ASSERT_TRUE(withHelp.HelpButton()->isEnabled());
  EXPECT_EQ(withHelp.HelpButton()->text().toStdString(), "&Help...");
  withHelp.HelpButton()->click();
  EXPECT_EQ(topic, 1900);
}

TEST_F(MarkerViewTest, InsThenSaveWritesAnEmptyCommentAfterTheSelectedSegment) {
  const std::string path = Photo("photo.jpg", 64, 48);
  auto dlg = Dialog(path);
  dlg->Tree()->setCurrentItem(FindItem(dlg->Tree(), "APP0"));
  QTest::mouseClick(dlg->InsButton(), Qt::LeftButton);
  const auto texts = TopTexts(dlg->Tree());
  EXPECT_EQ(texts[2], "COM   (Comment)(4)");
  EXPECT_EQ(dlg->Tree()->currentItem(), dlg->Tree()->topLevelItem(2));
  EXPECT_EQ(dlg->HexEdit()->toPlainText().toStdString(), "ff fe 00 02 \n");
  EXPECT_TRUE(dlg->SaveButton()->isEnabled());
  sink.answer = IDNO;
  QTest::mouseClick(dlg->SaveButton(), Qt::LeftButton);
  EXPECT_TRUE(dlg->isVisible());
  EXPECT_EQ(CodesOf(path)[2], 0xDB);
  sink.answer = IDYES;
  QTest::mouseClick(dlg->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dlg->result(), 1);
  EXPECT_FALSE(dlg->isVisible());
  const auto codes = CodesOf(path);
  ASSERT_GE(codes.size(), 4u);
  EXPECT_EQ(codes[0], 0xD8);
  EXPECT_EQ(codes[1], 0xE0);
  EXPECT_EQ(codes[2], 0xFE);
  EXPECT_EQ(codes.back(), 0xD9);
}

TEST_F(MarkerViewTest, DelOnTheScanDataThenSaveWritesAFileWithoutIt) {
  const std::string path = Photo("photo.jpg", 64, 48);
  auto dlg = Dialog(path);
  const size_t before = TopTexts(dlg->Tree()).size();
  dlg->Tree()->setCurrentItem(FindItem(dlg->Tree(), "Scan data("));
  QTest::mouseClick(dlg->DelButton(), Qt::LeftButton);
  const auto texts = TopTexts(dlg->Tree());
  EXPECT_EQ(texts.size(), before - 1);
  EXPECT_EQ(texts[texts.size() - 2], "SOS   (Start of scan)(14)");
  // The item after it is shown now.
  EXPECT_EQ(dlg->HexEdit()->toPlainText().toStdString(), "ff d9 \n");
  sink.answer = IDYES;
  QTest::mouseClick(dlg->SaveButton(), Qt::LeftButton);
  EXPECT_EQ(dlg->result(), 1);
  const auto codes = CodesOf(path);
  EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 0);
  EXPECT_EQ(codes[codes.size() - 2], 0xDA);
}

TEST_F(MarkerViewTest, APngIsShownReadOnlyWithItsChunks) {
  const std::string path = Copy(std::string(QUORVEX_SAMPLES_DIR) + "/../fuzz/seeds/parse_png/truecolor.png", "t.png");
  auto dlg = Dialog(path);
  const auto texts = TopTexts(dlg->Tree());
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts.front(), "IHDR(13)");
  EXPECT_EQ(texts.back(), "IEND(0)");
  QTreeWidgetItem* ihdr = dlg->Tree()->topLevelItem(0);
  EXPECT_EQ(ihdr->child(ihdr->childCount() - 1)->text(0).toStdString().rfind("CRC=0x", 0), 0u);
  for (QPushButton* b : {dlg->InsButton(), dlg->DelButton(), dlg->OkButton(), dlg->CancelButton(), dlg->SaveButton()})
    EXPECT_FALSE(b->isEnabled()) << b->text().toStdString();
  dlg->Tree()->expandAll();
  dlg->Tree()->setCurrentItem(FindItem(dlg->Tree(), "Width="));
  EXPECT_EQ(Selected(*dlg).size(), 11u);  // four bytes
  EXPECT_TRUE(dlg->HexEdit()->isReadOnly());
  QTest::keyClicks(dlg->HexEdit(), QStringLiteral("00"));
  EXPECT_FALSE(dlg->IsEdited());
  EXPECT_FALSE(dlg->OkButton()->isEnabled());
  EXPECT_EQ(dlg->QfLabel(0)->text().toStdString(), "N/A");
  Screenshot(dlg.get(), "marker-view-png");
}

TEST_F(MarkerViewTest, ACameraJpegShowsItsTablesAsPicturesWithTheirQuality) {
  const std::string path = Copy(CameraJpeg(), "camera.jpg");
  auto dlg = Dialog(path);
  dlg->resize(860, 560);
  CMarkerEditForm form;
  ASSERT_TRUE(form.Open(path, sink));
  uint32_t sums[2] = {0, 0};
  for (const auto& rec : form.List())
    for (const DqtPicture& pic : DqtPicturesOf(*rec)) {
      sums[pic.id] = 0;
      for (uint16_t v : pic.values) sums[pic.id] += v;
    }
  for (int k = 0; k < 2; ++k) {
    EXPECT_TRUE(dlg->TablePicture(k)->IsReady());
    EXPECT_EQ(dlg->QfLabel(k)->text().toStdString(), QfLabelOf(sums[k]));
  }
  EXPECT_TRUE(dlg->ColourScale()->IsReady());
  // The camera's Exif block is long: filled in with the edit hidden.
  dlg->Tree()->setCurrentItem(FindItem(dlg->Tree(), "APP1"));
  EXPECT_TRUE(dlg->LastFillHidden());
  EXPECT_TRUE(dlg->HexEdit()->isVisible());
  QTreeWidgetItem* dqt = FindItem(dlg->Tree(), "DQT");
  ASSERT_NE(dqt, nullptr);
  dqt->setExpanded(true);
  QTreeWidgetItem* data = FindItem(dlg->Tree(), " QT data(64)", dqt);
  ASSERT_NE(data, nullptr);
  dlg->Tree()->setCurrentItem(data);
  EXPECT_FALSE(dlg->LastFillHidden());
  // 64 bytes over five lines: the digits, the blanks between, four line ends.
  EXPECT_EQ(dlg->HexEdit()->textCursor().selectedText().size(), 64 * 3 - 1 + 4);
  Screenshot(dlg.get(), "marker-view");
}

TEST_F(MarkerViewTest, AFileThatCannotBeOpenedLeavesTheTreeEmpty) {
  auto dlg = Dialog(dir.File("gone.jpg"));
  EXPECT_EQ(dlg->Tree()->topLevelItemCount(), 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "JpegMarker:Can't open the file.\n" + dir.File("gone.jpg"));
  QTest::mouseClick(dlg->InsButton(), Qt::LeftButton);
  QTest::mouseClick(dlg->DelButton(), Qt::LeftButton);
  EXPECT_FALSE(dlg->SaveButton()->isEnabled());
}

TEST_F(MarkerViewTest, BrokenFilesShowTheRecordsThatParse) {
  std::vector<std::string> files;
  const std::string seeds = std::string(QUORVEX_SAMPLES_DIR) + "/../fuzz/seeds/parse_jpeg";
  for (const std::string& n : FolderEntries(seeds)) files.push_back(seeds + "/" + n);
  if (!CorpusDir().empty())
    for (const std::string& n : FolderEntries(CorpusDir() + "/invalid")) files.push_back(CorpusDir() + "/invalid/" + n);
  for (const std::string& f : files) {
    SCOPED_TRACE(f);
    auto dlg = Dialog(Copy(f, "broken.jpg"));
    CMarkerEditForm form;
    form.Open(dir.File("broken.jpg"), sink);
    EXPECT_EQ(static_cast<size_t>(dlg->Tree()->topLevelItemCount()), form.List().size());
    // Every item can be shown.
    for (QTreeWidgetItemIterator it(dlg->Tree()); *it; ++it) dlg->Tree()->setCurrentItem(*it);
  }
}

TEST_F(MarkerViewTest, MarkerEditOnADocumentReloadsItAfterASave) {
  const std::string path = Photo("photo.jpg", 64, 48);
  CDocument* doc = Open(path);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(Enabled(ID_MARKER_EDIT));
  // JPEG and PNG documents only.
  doc->Doc().m_nFileType = FT_BMP;
  EXPECT_FALSE(Enabled(ID_MARKER_EDIT));
  doc->Doc().m_nFileType = FT_PNG;
  EXPECT_TRUE(Enabled(ID_MARKER_EDIT));
  doc->Doc().m_nFileType = FT_JPEG;
  const int64_t size = doc->Doc().m_nFileSize;
  sink.answer = IDYES;
  bool ran = false;
  WhenModal<CMarkerViewDlg>([&](CMarkerViewDlg& dlg) {
    ran = true;
    dlg.Tree()->setCurrentItem(dlg.Tree()->topLevelItem(0));
    QTest::mouseClick(dlg.InsButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
    if (dlg.isVisible()) dlg.reject();
  });
  Trigger(ID_MARKER_EDIT);
  EXPECT_TRUE(ran);
  EXPECT_EQ(doc->Doc().m_nFileSize, size + 4);
  EXPECT_FALSE(doc->IsModified());
  EXPECT_EQ(CodesOf(path)[1], 0xFE);
  // Closing without a save reads nothing again.
  doc->MarkModified(true);
  WhenModal<CMarkerViewDlg>([](CMarkerViewDlg& dlg) { QTest::mouseClick(dlg.CloseButton(), Qt::LeftButton); });
  Trigger(ID_MARKER_EDIT);
  EXPECT_TRUE(doc->IsModified());
}

TEST_F(MarkerViewTest, MarkerOpenAsksForAFileAndOpensItAfterASave) {
  const std::string path = Photo("photo.jpg", 64, 48);
  EXPECT_TRUE(Enabled(ID_MARKER_OPEN));
  App().App().m_settings.ReadDir = dir.Path();
  std::string title, folder;
  QStringList filters;
  auto chooseFile = [&](QFileDialog& fd) {
    title = fd.windowTitle().toStdString();
    folder = fd.directory().absolutePath().toStdString();
    filters = fd.nameFilters();
    if (auto* edit = fd.findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      edit->setText(QString::fromStdString(path));
    static_cast<QDialog&>(fd).accept();
    if (fd.isVisible()) fd.reject();
  };
  WhenModal<QFileDialog>(chooseFile);
  WhenModal<CMarkerViewDlg>([](CMarkerViewDlg& dlg) { dlg.reject(); });
  Trigger(ID_MARKER_OPEN);
  EXPECT_EQ(title, "JPEG ファイルを開く(マーカー編集モード)");
  EXPECT_EQ(folder, dir.Path());
  ASSERT_EQ(filters.size(), 3);
  EXPECT_EQ(filters[1].toStdString().rfind("PNG file(*.png)", 0), 0u);
  EXPECT_EQ(DocumentCount(), 0);  // closed without saving: nothing opens

  sink.answer = IDYES;
  WhenModal<QFileDialog>(chooseFile);
  WhenModal<CMarkerViewDlg>([](CMarkerViewDlg& dlg) {
    dlg.Tree()->setCurrentItem(dlg.Tree()->topLevelItem(0));
    QTest::mouseClick(dlg.InsButton(), Qt::LeftButton);
    QTest::mouseClick(dlg.SaveButton(), Qt::LeftButton);
    if (dlg.isVisible()) dlg.reject();
  });
  Trigger(ID_MARKER_OPEN);
  ASSERT_EQ(DocumentCount(), 1);
  EXPECT_EQ(App().Template().Documents().front()->PathName(), path);
}

} // namespace
} // namespace qv::test
