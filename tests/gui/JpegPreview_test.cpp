#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "app/AppHelpers.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/ControlToolBar.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ImageDoc.h"
#include "view/ui/PngSaveDlg.h"

namespace qv::test {
namespace {

class JpegPreviewTest : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    ::mkdir(dir.File("tmp").c_str(), 0755);
    App().App().m_settings.TempDir = dir.File("tmp");
  }
  // Runs 431 from its button; the new document, or null.
  CDocument* Preview(CDocument* source) {
    const std::vector<CDocument*> before = App().Template().Documents();
    Frame()->updateActions();
    QToolButton* b = Frame()->ToolBar()->Button(ID_CONVERT_PREVIEW);
    EXPECT_TRUE(b && b->isEnabled());
    if (!b) return nullptr;
    QTest::mouseClick(b, Qt::LeftButton);
    Settle();
    for (CDocument* d : App().Template().Documents())
      if (d != source && std::find(before.begin(), before.end(), d) == before.end()) return d;
    return nullptr;
  }
  std::vector<std::string> TempFiles() { return FolderEntries(dir.File("tmp")); }
};

TEST_F(JpegPreviewTest, thePreviewIsTheImageWrittenAndReadBackTitledByItsSettings) {
  CDocument* source = Open(Photo("photo.jpg", 320, 240, 5));
  ASSERT_NE(source, nullptr);
  App().App().m_settings.Param1 = 40;
  CDocument* preview = Preview(source);
  ASSERT_NE(preview, nullptr);
  CImageDoc& core = preview->Doc();

  ASSERT_EQ(TempFiles().size(), 1u);
  const std::string name = TempFiles()[0];
  // "quorvex", four digits, ".jpg": a name the stale-file sweep leaves alone.
  EXPECT_TRUE(name.size() == 15 && name.compare(0, 7, "quorvex") == 0 &&
              name.find_first_not_of("0123456789", 7) == 11 && name.compare(11, 4, ".jpg") == 0)
      << name;
  EXPECT_FALSE(IsTempFileName(name));
  const std::string temp = dir.File("tmp/" + name);
  EXPECT_EQ(preview->Title(), name + "(Q=40 DS=2:1)");
  EXPECT_EQ(FrameOf(preview)->windowTitle().toStdString(), name + "(Q=40 DS=2:1)");
  EXPECT_EQ(preview->PathName(), temp);
  EXPECT_EQ(core.m_tempPath[0], temp);
  EXPECT_EQ(core.m_bConverted, 1);
  EXPECT_EQ(core.m_bTempFiles, 1);
  EXPECT_EQ(core.m_nFileType, FT_JPEG);
  EXPECT_EQ(core.m_nDocumentId, source->Doc().m_nDocumentId);
  EXPECT_EQ(core.m_strDescription, core.m_strCodecInfo);
  EXPECT_FALSE(preview->IsModified());

  // Its pixels are the file's, and differ from the source's (quality 40).
  DecodedJpeg decoded;
  ASSERT_TRUE(DecodeJpeg(ReadFileBytes(temp), decoded));
  ASSERT_EQ(decoded.width, 320);
  EXPECT_EQ(decoded.hSamp, 2);
  EXPECT_EQ(decoded.vSamp, 1);
  const CDibBitmap& bmp = core.Bitmap();
  ASSERT_EQ(bmp.Width(), 320);
  const uint8_t* row = bmp.Row(240 - 1 - 7);  // image row 7
  const uint8_t* want = &decoded.pixels[(7 * 320 + 11) * 3];
  EXPECT_EQ(row[11 * 3 + 2], want[0]);
  EXPECT_EQ(row[11 * 3 + 1], want[1]);
  EXPECT_EQ(row[11 * 3 + 0], want[2]);

  // A preview offers neither reload nor another preview; its source does.
  Frame()->updateActions();
  EXPECT_FALSE(Frame()->ToolBar()->Button(ID_CONVERT_PREVIEW)->isEnabled());
  EXPECT_FALSE(Frame()->ToolBar()->Button(ID_FILE_RELOAD)->isEnabled());
  EXPECT_TRUE(sink.messages.empty());

  // Custom tables name themselves instead of the quality.
  Frame()->MdiArea()->setActiveSubWindow(FrameOf(source));
  source->Doc().m_bCustomDqt = 1;
  CDocument* custom = Preview(source);
  ASSERT_NE(custom, nullptr);
  const std::string title = custom->Title();
  const std::string tail = "(CustomDQT DS=2:1)";
  ASSERT_GT(title.size(), tail.size());
  EXPECT_EQ(title.substr(title.size() - tail.size()), tail);

  Trigger(ID_WINDOW_TILE_VERT);
  Settle(50);
  custom->OnCloseDocument(true);
  Trigger(ID_WINDOW_TILE_VERT);
  Settle(50);
  Screenshot(Frame(), "jpeg-preview");
}

TEST_F(JpegPreviewTest, saveAsJpegCopiesThePreviewFileByteForByte) {
  CDocument* source = Open(Photo("photo.jpg", 64, 48));
  CDocument* preview = Preview(source);
  ASSERT_NE(preview, nullptr);
  const std::string temp = preview->Doc().m_tempPath[0];
  const std::vector<uint8_t> bytes = ReadFileBytes(temp);
  ASSERT_FALSE(bytes.empty());
  // A name the program cannot write (the temporary one) fails and changes nothing.
  EXPECT_EQ(preview->OnSaveDocument(dir.File("copy.tmp")), 0);
  EXPECT_EQ(preview->Doc().m_nFileType, FT_JPEG);
  EXPECT_EQ(preview->Doc().m_bConverted, 1);
  const std::string target = dir.File("kept.jpg");
  WriteFileText(target, "an older file that is replaced");
  ASSERT_EQ(preview->OnSaveDocument(target), 1);
  EXPECT_EQ(ReadFileBytes(target), bytes);
  // No longer a preview: its file is gone and it is the saved file.
  EXPECT_FALSE(FileExists(temp));
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(preview->Doc().m_bConverted, 0);
  EXPECT_EQ(preview->Doc().m_bTempFiles, 0);
  EXPECT_EQ(preview->Title(), "kept.jpg");
  EXPECT_EQ(preview->PathName(), target);
  Frame()->updateActions();
  EXPECT_TRUE(Frame()->ToolBar()->Button(ID_CONVERT_PREVIEW)->isEnabled());
  EXPECT_TRUE(Frame()->ToolBar()->Button(ID_FILE_RELOAD)->isEnabled());
}

TEST_F(JpegPreviewTest, savedOntoItsOwnFileThePreviewKeepsIt) {
  CDocument* source = Open(Photo("photo.jpg", 64, 48));
  CDocument* preview = Preview(source);
  ASSERT_NE(preview, nullptr);
  const std::string temp = preview->Doc().m_tempPath[0];
  const std::vector<uint8_t> bytes = ReadFileBytes(temp);
  // The Save As dialog proposes the preview's own path.
  ASSERT_EQ(preview->OnSaveDocument(preview->PathName()), 1);
  EXPECT_EQ(ReadFileBytes(temp), bytes);
  EXPECT_EQ(preview->Doc().m_bConverted, 0);
  EXPECT_EQ(preview->PathName(), temp);
  preview->OnCloseDocument(true);
  Settle();
  EXPECT_EQ(ReadFileBytes(temp), bytes);
}

TEST_F(JpegPreviewTest, saveAsPngReencodesThroughTheOptionsDialog) {
  CDocument* source = Open(Photo("photo.jpg", 64, 48));
  CDocument* preview = Preview(source);
  ASSERT_NE(preview, nullptr);
  const std::string temp = preview->Doc().m_tempPath[0];
  bool asked = false;
  WhenModal<CPngSaveDialog>([&](CPngSaveDialog& dlg) {
    asked = true;
    dlg.OkButton()->click();
  });
  const std::string target = dir.File("preview.png");
  ASSERT_EQ(preview->OnSaveDocument(target), 1);
  EXPECT_TRUE(asked);
  const std::vector<uint8_t> png = ReadFileBytes(target);
  ASSERT_GE(png.size(), 8u);
  EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8),
            (std::vector<uint8_t>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  EXPECT_FALSE(FileExists(temp));
  EXPECT_EQ(preview->Doc().m_bConverted, 0);
  EXPECT_EQ(preview->Title(), "preview.png");
}

TEST_F(JpegPreviewTest, closingThePreviewDeletesItsFile) {
  CDocument* source = Open(Photo("photo.jpg", 64, 48));
  CDocument* preview = Preview(source);
  ASSERT_NE(preview, nullptr);
  ASSERT_EQ(TempFiles().size(), 1u);
  ASSERT_TRUE(preview->OnCloseDocument(false));
  Settle();
  EXPECT_TRUE(TempFiles().empty());
  EXPECT_EQ(DocumentCount(), 1);
}

TEST_F(JpegPreviewTest, aTemporaryFolderThatTakesNoFileIsReported) {
  CDocument* source = Open(Photo("photo.jpg", 64, 48));
  const std::string missing = dir.File("no/such/folder");
  App().App().m_settings.TempDir = missing;
  EXPECT_EQ(source->OnConvertPreview(), nullptr);
  EXPECT_EQ(DocumentCount(), 1);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Convert:中間ファイルが生成できません\n" + missing);
}

} // namespace
} // namespace qv::test
