#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <sys/stat.h>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>

#include "GuiFixture.h"
#include "gui/ChildFrame.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/BatchHost.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "platform/ui/FileDialog.h"
#include "gui/ImageView.h"
#include "gui/ViewCommandIds.h"

namespace qv::test {
namespace {

class ImageViewTest : public GuiTest {
protected:
  CImageView* OpenView(int w, int h, unsigned seed = 1) {
    CDocument* doc = Open(Photo("p" + std::to_string(seed) + ".jpg", w, h, seed));
    EXPECT_NE(doc, nullptr);
    return ViewOf(doc);
  }
  // The buffer's pixel (x, y) as a colour; rows are bottom-up BGR.
  static QColor Pixel(CImageView* v, int x, int y) {
    const CDibBitmap& b = v->Document().Doc().Bitmap();
    const uint8_t* p = b.Row(b.Height() - 1 - y) + 3 * x;
    return QColor(p[2], p[1], p[0]);
  }
  static void Key(CImageView* v, int key) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(v, &e);
  }
};

TEST_F(ImageViewTest, sizeUpAndDownWalkTheTableAndStopAtItsEnds) {
  CImageView* v = OpenView(200, 150);
  ASSERT_EQ(v->GetZoom(), 100);
  EXPECT_FALSE(Enabled(ID_SIZE_RAW));
  Trigger(ID_SIZE_UP);
  EXPECT_EQ(v->GetZoom(), 200);
  EXPECT_EQ(v->Frame()->PaneText(1).toStdString(), "200%");
  EXPECT_TRUE(Enabled(ID_SIZE_RAW));
  Trigger(ID_SIZE_RAW);
  Trigger(ID_SIZE_DOWN);
  EXPECT_EQ(v->GetZoom(), 50);
  for (int i = 0; i < 12; ++i) Trigger(ID_SIZE_UP);
  EXPECT_EQ(v->GetZoom(), 1600);
  EXPECT_FALSE(Enabled(ID_SIZE_UP));
  EXPECT_TRUE(Enabled(ID_SIZE_DOWN));
  for (int i = 0; i < 12; ++i) Trigger(ID_SIZE_DOWN);
  EXPECT_EQ(v->GetZoom(), 10);
  EXPECT_FALSE(Enabled(ID_SIZE_DOWN));
  EXPECT_TRUE(Enabled(ID_SIZE_UP));
}

TEST_F(ImageViewTest, theKeysOfTheAcceleratorTableStepTheZoom) {
  CImageView* v = OpenView(200, 150);
  v->setFocus();
  QTest::keyClick(v, Qt::Key_BracketRight);
  Settle();
  EXPECT_EQ(v->GetZoom(), 200);
  QTest::keyClick(v, Qt::Key_BracketLeft);
  Settle();
  EXPECT_EQ(v->GetZoom(), 100);
  QTest::keyClick(v, Qt::Key_BracketLeft);
  Settle();
  EXPECT_EQ(v->GetZoom(), 50);
  QTest::keyClick(v, Qt::Key_0, Qt::ControlModifier | Qt::AltModifier);
  Settle();
  EXPECT_EQ(v->GetZoom(), 100);
}

TEST_F(ImageViewTest, sizeDownWaitsForThePaintOfTheLastZoomChange) {
  CImageView* v = OpenView(200, 150);
  v->OnSizeUp();
  EXPECT_EQ(v->DrawState(), 0);
  v->OnSizeDown();  // not painted yet: nothing happens
  EXPECT_EQ(v->GetZoom(), 200);
  Settle();
  EXPECT_EQ(v->DrawState(), 2);
  v->OnSizeDown();
  EXPECT_EQ(v->GetZoom(), 100);
}

TEST_F(ImageViewTest, zoomCommandsAreDisabledDuringABatchRunButFitWindowIsNot) {
  CImageView* v = OpenView(200, 150);
  v->OnSizeUp();
  Settle();
  App().BatchHost().Run().batchState = 2;
  EXPECT_FALSE(Enabled(ID_SIZE_UP));
  EXPECT_FALSE(Enabled(ID_SIZE_DOWN));
  EXPECT_FALSE(Enabled(ID_SIZE_RAW));
  EXPECT_TRUE(Enabled(ID_FIT_WINDOW));
  EXPECT_FALSE(Enabled(ID_BATCH_CONVERT));
  EXPECT_FALSE(Enabled(ID_APP_ABOUT));
  App().BatchHost().Run().batchState = 0;
  EXPECT_TRUE(Enabled(ID_SIZE_UP));
}

TEST_F(ImageViewTest, zoomRateCommandsCarryTheLabelsAndCheckTheCurrentOne) {
  OpenView(100, 80);
  Frame()->updateActions();
  EXPECT_EQ(Frame()->Action(401)->text().toStdString(), "10%");
  EXPECT_EQ(Frame()->Action(412)->text().toStdString(), "1600%");
  EXPECT_TRUE(Frame()->Action(405)->isChecked());
  Trigger(408);
  EXPECT_EQ(Frame()->ActiveView()->GetZoom(), 400);
  EXPECT_TRUE(Frame()->Action(408)->isChecked());
  EXPECT_FALSE(Frame()->Action(405)->isChecked());
  EXPECT_FALSE(Enabled(ID_ZOOM_SELECTION));
}

TEST_F(ImageViewTest, sizeRawReturnsToHundredAtTheTopLeft) {
  CImageView* v = OpenView(1200, 900);
  Trigger(ID_SIZE_UP);
  Trigger(ID_SIZE_UP);
  ASSERT_EQ(v->GetZoom(), 300);
  v->ScrollToPosition({500, 400});
  Settle();
  Trigger(ID_SIZE_RAW);
  EXPECT_EQ(v->GetZoom(), 100);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{0, 0}));
  EXPECT_EQ(v->Frame()->PaneText(1).toStdString(), "100%");
}

TEST_F(ImageViewTest, aZoomChangeKeepsTheCentreOfTheVisibleArea) {
  CImageView* v = OpenView(2000, 1500);
  const ZSize client = v->ClientSize();
  v->ScrollToPosition({600, 500});
  const ZPoint before = VisibleCentre(v->ScrollPosition(), client, v->ZoomedSize(), 100);
  Trigger(ID_SIZE_UP);
  const ZPoint after = VisibleCentre(v->ScrollPosition(), v->ClientSize(), v->ZoomedSize(), 200);
  EXPECT_NEAR(after.x, before.x, 1);
  EXPECT_NEAR(after.y, before.y, 1);
}

TEST_F(ImageViewTest, fitWindowOnALargeImageFillsTheClientArea) {
  CImageView* v = OpenView(2400, 1800);
  Trigger(ID_FIT_WINDOW);
  const QSize area = Frame()->MdiArea()->viewport()->size();
  EXPECT_EQ(v->Frame()->geometry(), QRect(QPoint(0, 0), area));
}

TEST_F(ImageViewTest, fitWindowOnASmallImageWrapsTheFrameAroundIt) {
  CImageView* v = OpenView(160, 120);
  Trigger(ID_SIZE_UP);
  Trigger(ID_FIT_WINDOW);
  EXPECT_EQ(v->ClientSize(), (ZSize{320, 240}));
  EXPECT_EQ(v->horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(v->verticalScrollBar()->maximum(), 0);
}

TEST_F(ImageViewTest, aSmallImageCannotBeScrolledByKeysOrPanning) {
  CImageView* v = OpenView(120, 90);
  v->setFocus();
  for (int key : {Qt::Key_Right, Qt::Key_Down, Qt::Key_PageDown}) Key(v, key);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{0, 0}));
  QTest::mousePress(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 80));
  EXPECT_TRUE(v->IsPanning());
  EXPECT_EQ(v->CursorId(), 112);
  QTest::mouseMove(v->viewport(), QPoint(10, 10));
  QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), QPointF(10, 10), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v->viewport(), &move);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{0, 0}));
  QTest::mouseRelease(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
  EXPECT_FALSE(v->IsPanning());
  EXPECT_EQ(v->CursorId(), 111);
}

TEST_F(ImageViewTest, keysStepInImagePixelsAboveHundredAndClampAtTheEnds) {
  CImageView* v = OpenView(800, 600);
  Trigger(408);  // 400 %
  v->ScrollToPosition({0, 0});
  Key(v, Qt::Key_Right);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{4, 0}));
  Key(v, Qt::Key_PageDown);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{4, 64}));
  Key(v, Qt::Key_Left);
  Key(v, Qt::Key_Left);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{0, 64}));
  const ZPoint largest = MaxScrollPosition(v->ZoomedSize(), v->ClientSize());
  v->ScrollToPosition(largest);
  Key(v, Qt::Key_Right);
  Key(v, Qt::Key_Down);
  EXPECT_EQ(v->ScrollPosition(), largest);
  Trigger(404);  // 50 %
  v->ScrollToPosition({0, 0});
  Key(v, Qt::Key_Right);
  EXPECT_EQ(v->ScrollPosition().x, 0);  // 400 x 300 fits: nothing to scroll
}

TEST_F(ImageViewTest, panningMovesAgainstTheMouseWithinTheLimits) {
  CImageView* v = OpenView(2000, 1500);
  v->ScrollToPosition({300, 300});
  QTest::mousePress(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
  QMouseEvent move(QEvent::MouseMove, QPointF(60, 130), QPointF(60, 130), QPointF(60, 130), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v->viewport(), &move);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{340, 270}));
  QMouseEvent far(QEvent::MouseMove, QPointF(2000, 2000), QPointF(2000, 2000), QPointF(2000, 2000), Qt::NoButton,
                  Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(v->viewport(), &far);
  EXPECT_EQ(v->ScrollPosition(), (ZPoint{0, 0}));
  QTest::mouseRelease(v->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(2000, 2000));
}

TEST_F(ImageViewTest, paintingShowsTheImageUprightAtHundredAndTwoHundred) {
  CImageView* v = OpenView(600, 500, 7);
  Settle();
  QImage shot = v->viewport()->grab().toImage();
  ASSERT_GT(shot.width(), 610);
  for (QPoint p : {QPoint(0, 0), QPoint(599, 0), QPoint(0, 199), QPoint(150, 77)})
    EXPECT_EQ(shot.pixelColor(p), Pixel(v, p.x(), p.y())) << p.x() << "," << p.y();
  // Outside the image: the white background tile.
  EXPECT_EQ(shot.pixelColor(605, 10), QColor(Qt::white));
  Trigger(ID_SIZE_UP);
  v->ScrollToPosition({100, 50});
  Settle();
  ASSERT_EQ(v->ScrollPosition(), (ZPoint{100, 50}));
  shot = v->viewport()->grab().toImage();
  // Device (100 + 2x, 50 + 2y) shows image pixel (50 + x, 25 + y).
  for (QPoint p : {QPoint(0, 0), QPoint(11, 21), QPoint(40, 3)})
    EXPECT_EQ(shot.pixelColor(2 * p.x(), 2 * p.y()), Pixel(v, 50 + p.x(), 25 + p.y())) << p.x() << "," << p.y();
}

TEST_F(ImageViewTest, enlargingDrawsWholeBlocksUnlessHalfToneIsOn) {
  CImageView* v = OpenView(400, 300, 5);
  Trigger(408);  // 400 %
  v->ScrollToPosition({400, 400});
  Settle();
  QImage shot = v->viewport()->grab().toImage();
  // Image pixel (100 + x, 100 + y) covers device 4x..4x+3 exactly.
  int smoothEdges = 0;
  for (int x = 0; x < 20; ++x)
    for (int k = 0; k < 4; ++k) {
      EXPECT_EQ(shot.pixelColor(4 * x + k, 8), Pixel(v, 100 + x, 102)) << x << "+" << k;
    }
  App().App().m_settings.bUseHalfToneStretch = 1;
  v->viewport()->update();
  Settle();
  shot = v->viewport()->grab().toImage();
  for (int x = 0; x < 20; ++x)
    if (shot.pixelColor(4 * x, 8) != Pixel(v, 100 + x, 102)) ++smoothEdges;
  EXPECT_GT(smoothEdges, 0);  // blended between neighbours
  App().App().m_settings.bUseHalfToneStretch = 0;
}

TEST_F(ImageViewTest, theBackgroundTileMovesWithTheScrollPosition) {
  CImageView* v = OpenView(100, 80, 2);
  Settle();
  const QImage shot = v->viewport()->grab().toImage();
  ASSERT_GT(shot.width(), 120);
  EXPECT_EQ(shot.pixelColor(110, 10), QColor(Qt::white));  // resource 159 is all white
  EXPECT_EQ(TileOffset({13, -3}), (ZPoint{5, 5}));
}

TEST_F(ImageViewTest, oneImageAtFourHundredPercentScrolled) {
  CImageView* v = OpenView(640, 480, 4);
  Trigger(ID_FIT_WINDOW);
  Trigger(408);
  v->ScrollToPosition({900, 700});
  Settle();
  EXPECT_EQ(v->Frame()->PaneText(1).toStdString(), "400%");
  Screenshot(Frame(), "view-400-scrolled");
}

TEST_F(ImageViewTest, autoFittingWrapsANewWindowAroundItsImage) {
  App().App().m_settings.AutoFitting = 1;
  CImageView* v = OpenView(200, 150);
  EXPECT_EQ(v->ClientSize(), (ZSize{200, 150}));
  App().App().m_settings.AutoFitting = 0;
}

TEST_F(ImageViewTest, saveAsWritesTheFileAndRemembersTheFolder) {
  CImageView* v = OpenView(64, 48);
  ::mkdir(dir.File("saved").c_str(), 0755);
  const std::string target = dir.File("saved/copy.jpg");
  QFileDialog* dlg = App().SaveDialog().Dialog();
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  std::string suggested;
  QTimer::singleShot(50, dlg, [&] {
    auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) return;
    suggested = edit->text().toStdString();
    edit->setText(QString::fromStdString(target));
    static_cast<QDialog*>(dlg)->accept();
    if (dlg->isVisible()) dlg->reject();
  });
  Trigger(ID_FILE_SAVE_AS);
  EXPECT_EQ(suggested, "p1.jpg");
  EXPECT_TRUE(FileExists(target));
  EXPECT_EQ(v->Document().Title(), "copy.jpg");
  EXPECT_EQ(v->Document().PathName(), target);
  EXPECT_EQ(App().App().m_settings.WriteDir, dir.File("saved"));
  EXPECT_EQ(App().App().m_settings.WriteFilterIdx, 1);
}

TEST_F(ImageViewTest, aTwelveMegapixelPhotoPaintsOnlyWhatIsVisible) {
  const std::string samples = QUORVEX_SAMPLES_DIR;
  if (!FileExists(samples + "/valley-12mp.jpg")) GTEST_SKIP() << "no samples";
  CDocument* doc = Open(samples + "/valley-12mp.jpg");
  ASSERT_NE(doc, nullptr);
  CImageView* v = ViewOf(doc);
  for (int id : {401, 405, 412}) {
    Trigger(id);
    QElapsedTimer t;
    t.start();
    v->viewport()->grab();
    EXPECT_LT(t.elapsed(), 1500) << "zoom command " << id;
  }
}

TEST_F(ImageViewTest, copyPutsTheWholeImageOnTheClipboard) {
  CImageView* v = OpenView(90, 60, 3);
  Trigger(ID_EDIT_COPY);
  const QImage image = QGuiApplication::clipboard()->image();
  ASSERT_EQ(image.size(), QSize(90, 60));
  EXPECT_EQ(image.pixelColor(10, 50), Pixel(v, 10, 50));
  QGuiApplication::clipboard()->clear();
}

TEST_F(ImageViewTest, synchroniseViewsMovesOnlyViewsOfTheSameImage) {
  CImageView* a = OpenView(1600, 1200, 1);
  CImageView* b = OpenView(1600, 1200, 2);
  CImageView* c = OpenView(1600, 1200, 3);
  b->Document().Doc().m_nDocumentId = a->Document().Doc().m_nDocumentId;
  a->SetZoom(200);
  a->ScrollToPosition({700, 500});
  a->OnSyncViews();
  EXPECT_EQ(b->GetZoom(), 200);
  EXPECT_EQ(c->GetZoom(), 100);
  EXPECT_EQ(c->ScrollPosition(), (ZPoint{0, 0}));
  b->ScrollToPosition({0, 0});
  a->OnSyncViews();  // same zoom: the same scroll position
  EXPECT_EQ(b->ScrollPosition(), a->ScrollPosition());
  EXPECT_EQ(a->GetZoom(), 200);
}

} // namespace
} // namespace qv::test
