#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include <png.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "DialogDriver.h"
#include "GuiFixture.h"
#include "gui/CommandIds.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "image/ImageDoc.h"
#include "platform/ui/HelpWindow.h"
#include "view/ui/PngSaveDlg.h"

namespace qv::test {
namespace {

// What a written PNG says before its image data, read with libpng.
struct PngHeader {
  bool ok = false;
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colorType = 0, interlace = 0;
  bool hasTrns = false;
  int trnsCount = 0;
  png_color_16 trnsColor{};
  bool hasGamma = false;
  png_fixed_point gamma = 0;
};

// Plain data only: the library's errors jump out of here.
bool ReadPngInfo(FILE* file, PngHeader* h) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  png_init_io(png, file);
  png_read_info(png, info);
  int compression = 0, filter = 0;
  png_get_IHDR(png, info, &h->width, &h->height, &h->bitDepth, &h->colorType, &h->interlace, &compression, &filter);
  png_bytep alpha = nullptr;
  png_color_16p color = nullptr;
  if (png_get_tRNS(png, info, &alpha, &h->trnsCount, &color)) {
    h->hasTrns = true;
    if (color) h->trnsColor = *color;
  }
  h->hasGamma = png_get_gAMA_fixed(png, info, &h->gamma) != 0;
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

PngHeader ReadPng(const std::string& path) {
  PngHeader h;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    h.ok = ReadPngInfo(f, &h);
    std::fclose(f);
  }
  return h;
}

class PngSaveDlgTest : public GuiTest {
protected:
  std::unique_ptr<CPngSaveDialog> Show(CImageDoc& doc) {
    auto dlg = std::make_unique<CPngSaveDialog>(Frame(), ShowHelpTopic);
    dlg->SetDocument(&doc);
    dlg->show();
    Settle();
    return dlg;
  }
  CDocument* OpenPhoto() {
    CDocument* doc = Open(Photo("p.jpg", 48, 32));
    EXPECT_NE(doc, nullptr);
    return doc;
  }
  CSettings& Settings() { return App().App().m_settings; }
};

TEST_F(PngSaveDlgTest, opensOnTheFormatThatFitsTheDocument) {
  CDocument* doc = OpenPhoto();
  CImageDoc& core = doc->Doc();
  auto dlg = Show(core);
  EXPECT_EQ(dlg->windowTitle().toStdString(), "PNG 保存設定");
  ASSERT_EQ(dlg->ModeList()->count(), 5);
  const char* labels[] = {"24bit RGB", "8bit Idx-color", "4bit Idx-color", "8bit Grayscale", "4bit Grayscale"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(dlg->ModeList()->itemText(i).toStdString(), labels[i]);
  EXPECT_EQ(dlg->ModeList()->currentIndex(), 0);  // a colour JPEG

  core.m_bGrayscale = 1;
  core.m_nBitsPerSample = 8;
  EXPECT_EQ(Show(core)->ModeList()->currentIndex(), 3);
  core.m_bGrayscale = 0;
  core.m_colorTable.assign(16, RgbQuad{});
  core.m_nBitsPerSample = 4;  // a clipboard image with 16 colours
  EXPECT_EQ(Show(core)->ModeList()->currentIndex(), 2);
  core.m_nBitsPerSample = 8;
  EXPECT_EQ(Show(core)->ModeList()->currentIndex(), 1);
}

TEST_F(PngSaveDlgTest, theCheckBoxesEnableTheirControls) {
  CImageDoc& core = OpenPhoto()->Doc();
  core.m_bTransparent = 0;
  core.m_bGamma = 0;
  Settings().UseDefaultGammaOnSave = 0;
  Settings().DefaultGamma = 0.45455;
  auto dlg = Show(core);
  EXPECT_FALSE(dlg->TransparentBox()->isChecked());
  EXPECT_FALSE(dlg->ColorButton()->isEnabled());
  EXPECT_FALSE(dlg->GammaBox()->isChecked());
  EXPECT_FALSE(dlg->GammaEdit()->isEnabled());
  EXPECT_EQ(dlg->GammaEdit()->text().toStdString(), "0.454550");
  dlg->TransparentBox()->click();
  EXPECT_TRUE(dlg->ColorButton()->isEnabled());
  dlg->GammaBox()->click();
  EXPECT_TRUE(dlg->GammaEdit()->isEnabled());

  // A document with a gamma shows its value, checked.
  core.m_bGamma = 1;
  core.m_dGamma = 1.0;
  auto again = Show(core);
  EXPECT_TRUE(again->GammaBox()->isChecked());
  EXPECT_EQ(again->GammaEdit()->text().toStdString(), "1.000000");
  // Unchecked, OK leaves the gamma as it was.
  again->GammaBox()->click();
  EXPECT_FALSE(again->GammaEdit()->isEnabled());
  Type(again->GammaEdit(), "2.5");
  again->OkButton()->click();
  EXPECT_EQ(core.m_dGamma, 1.0);
  EXPECT_EQ(core.m_bGamma, 1);
  EXPECT_EQ(core.m_bWriteGamma, 0);
}

TEST_F(PngSaveDlgTest, pureRedFromTheColourDialogIsStoredBlueGreenRed) {
  CDocument* doc = OpenPhoto();
  CImageDoc& core = doc->Doc();
  core.m_nFileType = FT_CLIPBOARD;
  core.m_transparentColor[0] = 10;
  core.m_transparentColor[1] = 20;
  core.m_transparentColor[2] = 30;
  auto dlg = Show(core);
  QColor opened;
  WhenModal<QColorDialog>([&](QColorDialog& cd) {
    opened = cd.currentColor();
    cd.setCurrentColor(QColor(255, 0, 0));
    cd.accept();
  });
  dlg->TransparentBox()->click();
  QTest::mouseClick(dlg->ColorButton(), Qt::LeftButton);
  EXPECT_EQ(opened, QColor(30, 20, 10));
  // Cancel keeps what was chosen.
  WhenModal<QColorDialog>([](QColorDialog& cd) {
    cd.setCurrentColor(QColor(0, 0, 255));
    cd.reject();
  });
  QTest::mouseClick(dlg->ColorButton(), Qt::LeftButton);
  dlg->ModeList()->setCurrentIndex(1);
  dlg->OkButton()->click();
  EXPECT_EQ(core.m_transparentColor[0], 0);
  EXPECT_EQ(core.m_transparentColor[1], 0);
  EXPECT_EQ(core.m_transparentColor[2], 255);
  EXPECT_EQ(core.m_bTransparent, 1);
  EXPECT_EQ(core.m_nPngSaveMode, 1);
  // A clipboard image sets the defaults too.
  EXPECT_EQ(Settings().colorTransparent, 0x0000FF);
  EXPECT_EQ(Settings().pngSaveMode, 1);
  EXPECT_EQ(Settings().UseTransparentOnSave, 1);
}

TEST_F(PngSaveDlgTest, aFileDocumentLeavesThePngDefaultsButInterlace) {
  CImageDoc& core = OpenPhoto()->Doc();
  CSettings& s = Settings();
  s.pngSaveMode = 0;
  s.UseTransparentOnSave = 0;
  s.UseWriteGammaValue = 0;
  s.DefaultGamma = 0.45455;
  s.colorTransparent = 0x123456;
  s.bUseInterlaceOnSave = 0;
  auto dlg = Show(core);
  dlg->ModeList()->setCurrentIndex(4);
  dlg->InterlaceBox()->click();
  dlg->TransparentBox()->click();
  dlg->GammaBox()->click();
  Type(dlg->GammaEdit(), "1.8");
  dlg->OkButton()->click();
  EXPECT_EQ(s.bUseInterlaceOnSave, 1);
  EXPECT_EQ(s.pngSaveMode, 0);
  EXPECT_EQ(s.UseTransparentOnSave, 0);
  EXPECT_EQ(s.UseWriteGammaValue, 0);
  EXPECT_EQ(s.DefaultGamma, 0.45455);
  EXPECT_EQ(s.colorTransparent, 0x123456);
  EXPECT_EQ(core.m_nPngSaveMode, 4);
  EXPECT_EQ(core.m_dGamma, 1.8);
  EXPECT_EQ(core.m_bGamma, 1);
  // Text that is no number stores 0.
  auto again = Show(core);
  Type(again->GammaEdit(), "abc");
  again->OkButton()->click();
  EXPECT_EQ(core.m_dGamma, 0.0);
}

TEST_F(PngSaveDlgTest, saveAsPngWritesEachFormatWithTheChosenChunks) {
  CDocument* doc = OpenPhoto();
  Settings().UseDefaultGammaOnSave = 0;
  struct Want {
    int colorType, bitDepth;
  } want[] = {{PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_PALETTE, 8}, {PNG_COLOR_TYPE_PALETTE, 4},
              {PNG_COLOR_TYPE_GRAY, 8}, {PNG_COLOR_TYPE_GRAY, 4}};
  for (int mode = 0; mode < 5; ++mode) {
    SCOPED_TRACE(mode);
    const bool odd = mode % 2 == 1;  // transparency, gamma and interlace on every other save
    WhenModal<CPngSaveDialog>([&](CPngSaveDialog& dlg) {
      dlg.ModeList()->setCurrentIndex(mode);
      dlg.InterlaceBox()->setChecked(odd);
      dlg.TransparentBox()->setChecked(odd);
      dlg.GammaBox()->setChecked(odd);
      dlg.GammaEdit()->setText(QStringLiteral("0.5"));
      dlg.OkButton()->click();
    });
    const std::string path = dir.File("out" + std::to_string(mode) + ".png");
    ASSERT_EQ(doc->OnSaveDocument(path), 1);
    const PngHeader h = ReadPng(path);
    ASSERT_TRUE(h.ok);
    EXPECT_EQ(h.width, 48u);
    EXPECT_EQ(h.height, 32u);
    EXPECT_EQ(h.colorType, want[mode].colorType);
    EXPECT_EQ(h.bitDepth, want[mode].bitDepth);
    EXPECT_EQ(h.interlace, odd ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE);
    EXPECT_EQ(h.hasTrns, odd);
    EXPECT_EQ(h.hasGamma, odd);
    if (odd) {
      EXPECT_EQ(h.gamma, 50000);
    }
    EXPECT_EQ(doc->Title(), "out" + std::to_string(mode) + ".png");
    EXPECT_EQ(doc->Doc().m_nFileType, FT_PNG);
    // The next save starts from the document's new state.
    doc->Doc().m_bTransparent = 0;
    doc->Doc().m_bGamma = 0;
  }
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(PngSaveDlgTest, cancelAbortsTheSave) {
  CDocument* doc = OpenPhoto();
  const std::string path = dir.File("never.png");
  WhenModal<CPngSaveDialog>([](CPngSaveDialog& dlg) { dlg.reject(); });
  EXPECT_EQ(doc->OnSaveDocument(path), 0);
  EXPECT_FALSE(FileExists(path));
  EXPECT_EQ(doc->Title(), "p.jpg");
  EXPECT_EQ(doc->Doc().m_nFileType, FT_JPEG);
  EXPECT_TRUE(sink.messages.empty());
}

TEST_F(PngSaveDlgTest, gammaAndTransparentColourCommandsFollowThePngDocument) {
  CDocument* doc = OpenPhoto();
  CImageDoc& core = doc->Doc();
  // A JPEG document offers neither, even with the values set.
  core.m_bGamma = 1;
  core.m_bTransparent = 1;
  EXPECT_FALSE(Enabled(ID_PNG_GAMMA));
  EXPECT_FALSE(Enabled(ID_PNG_TRANSPARENT));
  core.m_bGamma = 0;
  core.m_bTransparent = 0;

  WhenModal<CPngSaveDialog>([](CPngSaveDialog& dlg) {
    dlg.GammaBox()->setChecked(false);
    dlg.TransparentBox()->setChecked(false);
    dlg.OkButton()->click();
  });
  ASSERT_EQ(doc->OnSaveDocument(dir.File("plain.png")), 1);
  EXPECT_FALSE(Enabled(ID_PNG_GAMMA));
  EXPECT_FALSE(Enabled(ID_PNG_TRANSPARENT));

  WhenModal<CPngSaveDialog>([](CPngSaveDialog& dlg) {
    dlg.GammaBox()->setChecked(true);
    dlg.GammaEdit()->setText(QStringLiteral("0.45"));
    dlg.TransparentBox()->setChecked(true);
    dlg.OkButton()->click();
  });
  core.m_transparentColor[0] = 0x40;  // blue, green, red
  core.m_transparentColor[1] = 0x80;
  core.m_transparentColor[2] = 0xC0;
  ASSERT_EQ(doc->OnSaveDocument(dir.File("both.png")), 1);
  ASSERT_TRUE(Enabled(ID_PNG_GAMMA));
  ASSERT_TRUE(Enabled(ID_PNG_TRANSPARENT));

  Trigger(ID_PNG_GAMMA);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].text, "Gamma=0.450000");
  EXPECT_EQ(sink.messages[0].style, 0x40u);

  // The colour dialog opens on the transparent colour; its answer changes nothing.
  QColor opened;
  WhenModal<QColorDialog>([&](QColorDialog& cd) {
    opened = cd.currentColor();
    cd.setCurrentColor(Qt::green);
    cd.accept();
  });
  Trigger(ID_PNG_TRANSPARENT);
  EXPECT_EQ(opened, QColor(0xC0, 0x80, 0x40));
  EXPECT_EQ(core.m_transparentColor[1], 0x80);
  EXPECT_FALSE(doc->IsModified());

  // Without a gamma value the message says so.
  core.m_bGamma = 0;
  doc->OnShowPngGamma();
  ASSERT_EQ(sink.messages.size(), 2u);
  EXPECT_EQ(sink.messages[1].text, "No Gamma Value");
}

TEST_F(PngSaveDlgTest, helpAndScreenshot) {
  CImageDoc& core = OpenPhoto()->Doc();
  core.m_bTransparent = 1;
  core.m_transparentColor[2] = 255;
  auto dlg = Show(core);
  Screenshot(dlg.get(), "png-save-dialog");
  ASSERT_TRUE(dlg->HelpButton()->isEnabled());
  dlg->HelpButton()->click();
  ASSERT_NE(CHelpWindow::Current(), nullptr);
  EXPECT_EQ(CHelpWindow::Current()->Topic(), 1311);
}

} // namespace
} // namespace qv::test
