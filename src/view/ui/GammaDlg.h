#pragma once
// The gamma and brightness dialog: gamma, contrast and bias by slider or
// edit, a tone preview of the image and the plot of the curve G[L[s]],
// both following every change. The arithmetic is view/GammaMath's; the
// dialog moves values between it and the controls and never changes the
// image itself.
#include <functional>
#include <vector>

#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QSlider>

#include "view/GammaMath.h"

class QLineEdit;
class QPushButton;

namespace qv {

class CImageDoc;
class CMemBitmap;

// A slider with marks at given positions, as the original control had.
class CTickSlider : public QSlider {
  Q_OBJECT
public:
  CTickSlider(const SliderSetup& setup, QWidget* parent);
  const std::vector<int>& Ticks() const { return m_ticks; }

protected:
  void paintEvent(QPaintEvent* event) override;

private:
  std::vector<int> m_ticks;
};

// The corrected image, fitted into the control (from a copy reduced to the
// fitted size, so a correction costs the control's pixels, not the
// image's) or one to one (the visible block only).
class CTonePreview : public QWidget {
  Q_OBJECT
public:
  CTonePreview(QWidget* parent, bool halftone);

  void SetSource(const CMemBitmap* source);
  void Apply(const ToneTable& gamma, const ToneTable& level);
  void SetMode(int mode);
  int Mode() const { return m_nMode; }
  const PreviewLayout& Layout() const { return m_layout; }
  // What the last paint showed: the corrected fitted copy or block.
  const QImage& Shown() const { return m_nMode == PREVIEW_FITTED ? m_fitted : m_block; }
  ZPoint BlockOrigin() const { return m_blockAt; }
  const QCursor& ModeCursor() const { return m_nMode == PREVIEW_FITTED ? m_hZoomInCursor : m_hZoomOutCursor; }
  int Paints() const { return m_nPaints; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

private:
  void Relayout();
  void CorrectFitted();
  void CorrectBlock();

  int m_nMode = PREVIEW_FITTED;
  const CMemBitmap* m_pSource = nullptr;
  QCursor m_hZoomInCursor;   // 114
  QCursor m_hZoomOutCursor;  // 115
  PreviewLayout m_layout;    // m_dScale, m_ptSource, m_ptOneToOneDest, m_ptFitDest, m_sizeFit
  bool m_bHalftone;
  ToneMap m_map;
  PreviewPixels m_reduced;   // the source at the fitted size
  QImage m_fitted;           // m_reduced corrected
  QImage m_block;            // the visible one-to-one block, corrected
  ZPoint m_blockAt;
  bool m_bFittedStale = true;
  bool m_bBlockStale = true;
  int m_nPaints = 0;
};

// G[L[s]] over s = 0..255 in a square, with the image's sample range.
class CCurvePlot : public QWidget {
  Q_OBJECT
public:
  CCurvePlot(QWidget* parent, const ToneTable* gamma, const ToneTable* level, int rangeLow, int rangeHigh);
  PlotArea Area() const { return {m_nSide, m_nLeft, m_nTop}; }
  int RangeLow() const { return m_nRangeLow; }
  int RangeHigh() const { return m_nRangeHigh; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  int m_nRangeLow, m_nRangeHigh;
  const ToneTable* m_pGamma;
  const ToneTable* m_pLevel;
  int m_nSide = 0, m_nLeft = 0, m_nTop = 0;
};

class CGammaDialog : public QDialog {
  Q_OBJECT
public:
  // image: the document's pixel buffer, read only, outliving the dialog.
  // halftone: the smooth stretch of the fitted preview (bUseHalfToneStretch).
  // help: shows a help topic; without it the Help button is disabled.
  CGammaDialog(QWidget* parent, const CMemBitmap& image, bool halftone,
               std::function<void(int topic)> help = {});

  // After OK: the two tables the image goes through.
  const ToneTable& GammaTable() const { return m_curve.m_anGamma; }
  const ToneTable& LevelTable() const { return m_curve.m_anLevel; }
  const ToneCurveValues& Values() const { return m_curve; }
  int MinSample() const { return m_nMinSample; }
  int MaxSample() const { return m_nMaxSample; }
  // Entries refused with a beep.
  int Beeps() const { return m_nBeeps; }

  CTickSlider* GammaSlider() const { return m_pGammaSlider; }
  CTickSlider* ContrastSlider() const { return m_pContrastSlider; }
  CTickSlider* BiasSlider() const { return m_pBiasSlider; }
  QLineEdit* GammaEdit() const { return m_pGammaEdit; }
  QLineEdit* ContrastEdit() const { return m_pContrastEdit; }
  QLineEdit* BiasEdit() const { return m_pBiasEdit; }
  QPushButton* SwitchZoomButton() const { return m_pSwitchZoom; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* HelpButton() const { return m_pHelp; }
  CTonePreview* Preview() const { return m_pPreview; }
  CCurvePlot* Curve() const { return m_pCurve; }

private:
  void BuildControls();
  void ConnectControls(QPushButton* cancel);
  void OnGammaSlider(int position);
  void OnLevelSlider(bool contrast, int position);
  void OnGammaEdit();
  void OnLevelEdit(bool contrast);
  void CurveChanged();
  void WriteEdit(QLineEdit* edit, const std::string& text);
  void Beep();

  const CMemBitmap* m_pImage;
  ToneCurveValues m_curve;  // m_dGamma, m_nContrast, m_nBias, m_anGamma, m_anLevel
  int m_nMaxSample = 0;
  int m_nMinSample = 255;
  CTickSlider* m_pGammaSlider = nullptr;     // 1096
  CTickSlider* m_pContrastSlider = nullptr;  // 1099
  CTickSlider* m_pBiasSlider = nullptr;      // 1101
  QLineEdit* m_pGammaEdit = nullptr;         // 1094
  QLineEdit* m_pContrastEdit = nullptr;      // 1095
  QLineEdit* m_pBiasEdit = nullptr;          // 1100
  QPushButton* m_pSwitchZoom = nullptr;      // 1270
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pHelp = nullptr;            // 1299
  CTonePreview* m_pPreview = nullptr;        // in frame 1098
  CCurvePlot* m_pCurve = nullptr;            // in frame 1097
  std::function<void(int)> m_help;
  bool m_bHalftone;
  int m_bUpdating = 0;
  int m_nBeeps = 0;
};

// Command 445 on a document: the dialog on its pixel buffer; OK maps every
// sample through the tables with ApplyToneCurve (failures are reported
// through the document's message sink as "Gamma"). Returns whether the
// image changed (an identity curve counts: the image is rebuilt and its
// description says so); the caller then marks the document modified.
bool RunGammaDialog(QWidget* parent, CImageDoc& doc, std::function<void(int topic)> help = {});

} // namespace qv
