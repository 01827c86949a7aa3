#include <functional>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ImageDoc.h"
#include "view/ResizeForm.h"
#include "view/ui/ResizeDlg.h"

namespace qv::test {
namespace {


class ResizeDlgTest : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    path = Photo("photo.jpg", 64, 48, 3);
    m_doc = std::make_unique<CImageDoc>(App().App());
    ASSERT_EQ(doc().Load(path), 1);
    sink.messages.clear();
  }
  static std::vector<uint8_t> Bytes(const CMemBitmap& b) {
    return std::vector<uint8_t>(b.Bits(), b.Bits() + b.Stride() * b.Height());
  }
  int Width() const { return doc().Bitmap().Width(); }
  int Height() const { return doc().Bitmap().Height(); }

  void TearDown() override {
    m_doc.reset();
    GuiTest::TearDown();
  }
  CImageDoc& doc() const { return *m_doc; }

  std::string path;
  std::unique_ptr<CImageDoc> m_doc;
};

TEST_F(ResizeDlgTest, opensWithTheImageSizeAndTheAspectBoxChecked) {
  CResizeDlg dlg(Frame(), 640, 480);
  EXPECT_EQ(dlg.windowTitle().toStdString(), "画像サイズの変更");
  EXPECT_EQ(dlg.WidthEdit()->text().toStdString(), "640");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "480");
  EXPECT_TRUE(dlg.AspectBox()->isChecked());
  EXPECT_EQ(dlg.AspectBox()->text().toStdString(), "縦横比を継承する(&A)");
  std::vector<std::string> labels;
  for (QLabel* l : dlg.findChildren<QLabel*>()) labels.push_back(l->text().toStdString());
  EXPECT_EQ(labels, (std::vector<std::string>{"幅(&W)", "高さ(&H)"}));
  EXPECT_EQ(dlg.LastEdited(), 0);
  dlg.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
  Type(dlg.WidthEdit(), "320");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "240");
  Screenshot(&dlg, "resize-dialog");
}

TEST_F(ResizeDlgTest, typingAWidthShowsTheProportionalHeight) {
  CResizeDlg dlg(Frame(), 640, 480);
  dlg.show();
  Type(dlg.WidthEdit(), "320");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "240");
  EXPECT_EQ(dlg.WidthEdit()->text().toStdString(), "320");
  EXPECT_EQ(dlg.LastEdited(), 1);
}

TEST_F(ResizeDlgTest, typingAHeightRecomputesTheWidthAndNothingElse) {
  CResizeDlg dlg(Frame(), 640, 480);
  dlg.show();
  Type(dlg.HeightEdit(), "75");
  EXPECT_EQ(dlg.WidthEdit()->text().toStdString(), "100");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "75");
  EXPECT_EQ(dlg.LastEdited(), 2);
}

TEST_F(ResizeDlgTest, uncheckedTheOtherEditStaysAndCheckingThenSetsIt) {
  CResizeDlg dlg(Frame(), 640, 480);
  dlg.show();
  QTest::mouseClick(dlg.AspectBox(), Qt::LeftButton, {}, dlg.AspectBox()->rect().center());
  ASSERT_FALSE(dlg.AspectBox()->isChecked());
  Type(dlg.WidthEdit(), "100");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "480");
  QTest::mouseClick(dlg.AspectBox(), Qt::LeftButton, {}, dlg.AspectBox()->rect().center());
  ASSERT_TRUE(dlg.AspectBox()->isChecked());
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "75");
  EXPECT_EQ(dlg.LastEdited(), 0);
}

TEST_F(ResizeDlgTest, theEditsTakeDigitsOnlyAndBeepAtAnythingElse) {
  CResizeDlg dlg(Frame(), 640, 480);
  dlg.show();
  Type(dlg.WidthEdit(), "-x.5");
  EXPECT_EQ(dlg.WidthEdit()->text().toStdString(), "5");
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "3");
  EXPECT_EQ(dlg.Beeps(), 3);
  dlg.WidthEdit()->clear();
  EXPECT_EQ(dlg.HeightEdit()->text().toStdString(), "0");
  Type(dlg.WidthEdit(), "99999999999999");
  EXPECT_LE(dlg.WidthEdit()->text().size(), 10);
  dlg.OkButton()->click();
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(dlg.Width(), 0u);  // beyond 32 bits: no number
}

TEST_F(ResizeDlgTest, okWithProportionResizesTheDocument) {
  CImageDoc same(App().App());
  ASSERT_EQ(same.Load(path), 1);
  ASSERT_EQ(same.ResizeImage(32, 24), 1);
  bool seen = false;
  WhenModal<CResizeDlg>([&](CResizeDlg& dlg) {
    seen = dlg.WidthEdit()->text() == "64" && dlg.HeightEdit()->text() == "48";
    Type(dlg.WidthEdit(), "32");
    dlg.OkButton()->click();
  });
  EXPECT_TRUE(RunResizeDialog(Frame(), doc()));
  EXPECT_TRUE(seen);
  EXPECT_EQ(Width(), 32);
  EXPECT_EQ(Height(), 24);
  EXPECT_EQ(Bytes(doc().Bitmap()), Bytes(same.Bitmap()));
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ResizeDlgTest, okWithoutProportionTakesBothSidesAsTyped) {
  WhenModal<CResizeDlg>([&](CResizeDlg& dlg) {
    dlg.AspectBox()->click();
    Type(dlg.WidthEdit(), "100");
    Type(dlg.HeightEdit(), "30");
    dlg.OkButton()->click();
  });
  EXPECT_TRUE(RunResizeDialog(Frame(), doc()));
  EXPECT_EQ(Width(), 100);
  EXPECT_EQ(Height(), 30);
  CImageDoc same(App().App());
  ASSERT_EQ(same.Load(path), 1);
  ASSERT_EQ(same.ResizeImage(100, 30), 1);
  EXPECT_EQ(Bytes(doc().Bitmap()), Bytes(same.Bitmap()));
}

TEST_F(ResizeDlgTest, okWithTheSameSizeOrCancelLeavesTheDocumentAlone) {
  const std::vector<uint8_t> before = Bytes(doc().Bitmap());
  WhenModal<CResizeDlg>([](CResizeDlg& dlg) { dlg.OkButton()->click(); });
  EXPECT_FALSE(RunResizeDialog(Frame(), doc()));
  WhenModal<CResizeDlg>([](CResizeDlg& dlg) {
    Type(dlg.WidthEdit(), "10");
    dlg.CancelButton()->click();
  });
  EXPECT_FALSE(RunResizeDialog(Frame(), doc()));
  EXPECT_EQ(Bytes(doc().Bitmap()), before);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(ResizeDlgTest, anEmptySideIsReportedAndTheImageKept) {
  const std::vector<uint8_t> before = Bytes(doc().Bitmap());
  WhenModal<CResizeDlg>([](CResizeDlg& dlg) {
    dlg.WidthEdit()->clear();
    dlg.OkButton()->click();
  });
  EXPECT_FALSE(RunResizeDialog(Frame(), doc()));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Resize:Can't make the bitmap.\n" + path);
  EXPECT_EQ(Bytes(doc().Bitmap()), before);
}

TEST_F(ResizeDlgTest, aSizeNoBufferCanHoldIsReportedAndTheImageKept) {
  const std::vector<uint8_t> before = Bytes(doc().Bitmap());
  WhenModal<CResizeDlg>([](CResizeDlg& dlg) {
    Type(dlg.WidthEdit(), "60000");  // height 45000: 8 GB
    dlg.OkButton()->click();
  });
  EXPECT_FALSE(RunResizeDialog(Frame(), doc()));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Resize:Can't make the bitmap.\n" + path);
  EXPECT_EQ(Bytes(doc().Bitmap()), before);
}

} // namespace
} // namespace qv::test
