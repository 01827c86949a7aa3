#include <string>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include "GuiFixture.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "jpegmeta/ui/ExifInfoWnd.h"

namespace qv::test {
namespace {

const char* const kFallbacks[] = {"- No maker info -", "- No optical info -", "- No Date -",
                                  "- No exposure mode -", "- No exposure info -"};

class ExifInfoWndTest : public GuiTest {
protected:
  CExifInfoWnd* Window() { return Frame()->ExifWindow(); }
  std::string Line(int i) { return Window()->Line(i)->text().toStdString(); }
  void ExpectFallbacks() {
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Line(i), kFallbacks[i]) << i;
  }
  void Activate(CDocument* doc) {
    Frame()->MdiArea()->setActiveSubWindow(FrameOf(doc));
    Settle();
  }
  std::string Camera(const char* name) {
    const std::string corpus = CorpusDir();
    return corpus.empty() ? std::string() : corpus + "/camera/" + name;
  }
};

TEST_F(ExifInfoWndTest, CommandTogglesTheWindowAtTheFrameRightEdgeWithTheFallbacksAndNoFocus) {
  EXPECT_TRUE(Enabled(ID_EXIF_WINDOW));
  EXPECT_FALSE(Frame()->Action(ID_EXIF_WINDOW)->isChecked());
  Trigger(ID_EXIF_WINDOW);
  ASSERT_NE(Window(), nullptr);
  Settle(100);  // a window manager frames the window meanwhile
  EXPECT_TRUE(Window()->isVisible());
  EXPECT_EQ(Window()->windowTitle().toStdString(), "EXIF information");
  EXPECT_TRUE(Frame()->Action(ID_EXIF_WINDOW)->isChecked());
  EXPECT_EQ(QApplication::activeWindow(), Frame());
  const QRect main = Frame()->frameGeometry(), wnd = Window()->frameGeometry();
  EXPECT_EQ(wnd.x() + wnd.width(), main.x() + main.width());
  EXPECT_EQ(Window()->CloseButton()->text().toStdString(), "Close");
  EXPECT_EQ(Window()->Line(2)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  ExpectFallbacks();

  Trigger(ID_EXIF_WINDOW);
  Settle();
  EXPECT_EQ(Window(), nullptr);
  EXPECT_FALSE(Frame()->Action(ID_EXIF_WINDOW)->isChecked());

  Trigger(ID_EXIF_WINDOW);
  ASSERT_NE(Window(), nullptr);
  QTest::mouseClick(Window()->CloseButton(), Qt::LeftButton);
  Settle();
  EXPECT_EQ(Window(), nullptr);
  Frame()->updateActions();
  EXPECT_FALSE(Frame()->Action(ID_EXIF_WINDOW)->isChecked());
}

TEST_F(ExifInfoWndTest, FollowsActivationAcrossTwoCamerasAndFallsBackWithoutExifOrDocument) {
  const std::string canon = Camera("Canon_40D.jpg"), nikon = Camera("Nikon_D70.jpg");
  if (canon.empty()) GTEST_SKIP() << "no camera corpus";
  CDocument* a = Open(canon);
  CDocument* b = Open(nikon);
  ASSERT_TRUE(a && b);
  Trigger(ID_EXIF_WINDOW);
  ASSERT_NE(Window(), nullptr);
  // Opened over the active document: the one opened last.
  EXPECT_EQ(Window()->windowTitle().toStdString(), b->Title());
  EXPECT_EQ(Line(0), "NIKON CORPORATION NIKON D70");

  Activate(a);
  EXPECT_EQ(Window()->windowTitle().toStdString(), a->Title());
  EXPECT_EQ(Line(0), "Canon Canon EOS 40D");
  EXPECT_EQ(Line(1), "L=135.0mm F=7.1");
  EXPECT_EQ(Line(2), "2008:05:30 15:56:01");
  EXPECT_EQ(Line(3), "露出=マニュアル 測光=マルチセグメント");
  EXPECT_EQ(Line(4), "1/165sec F=7.0 EV=0.00 ISO=100 +F");

  // The composite: the document and the window beside it.
  const QPixmap main = Frame()->grab(), wnd = Window()->grab();
  QPixmap both(main.width() + wnd.width() + 8, qMax(main.height(), wnd.height()));
  both.fill(Qt::darkGray);
  {
    QPainter p(&both);
    p.drawPixmap(0, 0, main);
    p.drawPixmap(main.width() + 8, 0, wnd);
  }
  QDir().mkpath(QStringLiteral(QUORVEX_SCREENSHOT_DIR));
  EXPECT_TRUE(both.save(QStringLiteral(QUORVEX_SCREENSHOT_DIR "/exif-window.png")));

  Activate(b);
  EXPECT_EQ(Line(0), "NIKON CORPORATION NIKON D70");
  EXPECT_EQ(Line(3), "露出=マニュアル 測光=中央重点");
  EXPECT_EQ(Line(4), "1/199sec F=9.0 EV=-1.00 ISO=200");

  // A picture without Exif, a new document: the fallbacks, under its title.
  CDocument* plain = Open(Photo("plain.jpg", 40, 30));
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(Window()->windowTitle().toStdString(), plain->Title());
  ExpectFallbacks();
  Activate(a);
  EXPECT_EQ(Line(0), "Canon Canon EOS 40D");

  Trigger(ID_CLOSE_ALL);
  Settle();
  EXPECT_EQ(Window()->windowTitle().toStdString(), " ");
  ExpectFallbacks();
}

TEST_F(ExifInfoWndTest, FillReadsTheBareTiffBlockAndRefusesBrokenBytes) {
  CExifInfoWnd wnd(Frame());
  const std::string canon = Camera("Canon_40D.jpg");
  if (!canon.empty()) {
    CDocument* doc = Open(canon);
    ASSERT_NE(doc, nullptr);
    const std::vector<uint8_t>& block = doc->Doc().m_exifBlock;
    ASSERT_GT(block.size(), 6u);
    wnd.Fill(block.data() + 6, block.size() - 6);
    EXPECT_EQ(wnd.Line(0)->text().toStdString(), "Canon Canon EOS 40D");
  }
  const uint8_t junk[] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F};
  wnd.Fill(junk, sizeof junk);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(wnd.Line(i)->text().toStdString(), kFallbacks[i]);
  wnd.Fill(nullptr);
  EXPECT_EQ(wnd.Line(4)->text().toStdString(), kFallbacks[4]);
}

} // namespace
} // namespace qv::test
