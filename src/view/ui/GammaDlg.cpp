#include "view/ui/GammaDlg.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

#include "image/ColorOps.h"
#include "image/DibBitmap.h"
#include "image/ImageDoc.h"

// The pictures sit in a static library: nothing references its
// initialiser, so it is called before the first look-up.
static void InitCursorResources() { Q_INIT_RESOURCE(quorvex); }

namespace qv {
namespace {

const QColor kGrey(128, 128, 128);
const QColor kLightGrey(192, 192, 192);

QCursor MagnifierCursor(const char* path) {
  static const bool loaded = (InitCursorResources(), true);
  (void)loaded;
  const QPixmap picture(QString::fromLatin1(path));
  // The hot spot is the lens's centre.
  return picture.isNull() ? QCursor(Qt::CrossCursor) : QCursor(picture, 12, 12);
}

// The corrected pixels as an image the painter can draw.
QImage Corrected(const PreviewPixels& pixels, const ToneMap& map) {
  QImage image(pixels.width, pixels.height, QImage::Format_BGR888);
  if (image.isNull()) return image;
  const size_t rowBytes = static_cast<size_t>(pixels.width) * 3;
  for (int y = 0; y < pixels.height; ++y)
    MapSamples(map, pixels.bgr.data() + rowBytes * static_cast<size_t>(y), image.scanLine(y), rowBytes);
  return image;
}

QFrame* PlaceFrame(QWidget* parent, QWidget*& child, QSize size) {
  auto* frame = new QFrame(parent);
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setMinimumSize(size);
  auto* fill = new QVBoxLayout(frame);
  fill->setContentsMargins(frame->frameWidth(), frame->frameWidth(), frame->frameWidth(), frame->frameWidth());
  child->setParent(frame);
  fill->addWidget(child);
  return frame;
}

} // namespace

// ---- CTickSlider ----

CTickSlider::CTickSlider(const SliderSetup& setup, QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  setRange(setup.minimum, setup.maximum);
  setPageStep(setup.page);
  setSingleStep(1);
  setTickPosition(QSlider::TicksBelow);  // keeps the room below the groove
  m_ticks = setup.ticks;
}

void CTickSlider::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  style()->drawComplexControl(QStyle::CC_Slider, &opt, &p, this);
  const int length = style()->pixelMetric(QStyle::PM_SliderLength, &opt, this);
  const int available = style()->pixelMetric(QStyle::PM_SliderSpaceAvailable, &opt, this);
  p.setPen(palette().color(QPalette::WindowText));
  const int bottom = height() - 1;
  for (int t : m_ticks) {
    if (t < minimum() || t > maximum()) continue;  // a mark outside the range is not shown
    const int x = QStyle::sliderPositionFromValue(minimum(), maximum(), t, available) + length / 2;
    p.drawLine(x, bottom - 3, x, bottom);
  }
}

// ---- CTonePreview ----

CTonePreview::CTonePreview(QWidget* parent, bool halftone)
    : QWidget(parent),
      m_hZoomInCursor(MagnifierCursor(":/cursors/zoom-in.png")),
      m_hZoomOutCursor(MagnifierCursor(":/cursors/zoom-out.png")),
      m_bHalftone(halftone),
      m_map(FoldToneTables(BuildGammaTable(1.0), BuildLevelTable(0, 0))) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(ModeCursor());
}

void CTonePreview::SetSource(const CMemBitmap* source) {
  m_pSource = source;
  Relayout();
}

void CTonePreview::Apply(const ToneTable& gamma, const ToneTable& level) {
  m_map = FoldToneTables(gamma, level);
  m_bFittedStale = m_bBlockStale = true;
  update();
}

void CTonePreview::SetMode(int mode) {
  m_nMode = mode == PREVIEW_ONE_TO_ONE ? PREVIEW_ONE_TO_ONE : PREVIEW_FITTED;
  m_bBlockStale = true;
  setCursor(ModeCursor());
  update();
}

void CTonePreview::Relayout() {
  const int w = m_pSource ? m_pSource->Width() : 0, h = m_pSource ? m_pSource->Height() : 0;
  m_layout = LayoutTonePreview(w, h, width(), height());
  m_reduced = m_pSource ? ReducedCopy(*m_pSource, m_layout.m_sizeFit.cx, m_layout.m_sizeFit.cy, m_bHalftone)
                        : PreviewPixels{};
  m_bFittedStale = m_bBlockStale = true;
  update();
}

void CTonePreview::CorrectFitted() {
  m_fitted = Corrected(m_reduced, m_map);
  m_bFittedStale = false;
}

void CTonePreview::CorrectBlock() {
  PreviewPixels block;
  if (m_pSource) block = ImageBlock(*m_pSource, m_layout.m_ptSource.x, m_layout.m_ptSource.y, width(), height(), m_blockAt);
  m_block = Corrected(block, m_map);
  m_bBlockStale = false;
}

void CTonePreview::resizeEvent(QResizeEvent*) { Relayout(); }

void CTonePreview::paintEvent(QPaintEvent*) {
  ++m_nPaints;
  QPainter p(this);
  p.fillRect(rect(), kGrey);
  if (m_nMode == PREVIEW_FITTED) {
    if (m_bFittedStale) CorrectFitted();
    if (m_fitted.isNull()) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform, m_bHalftone);
    const QRect fit(m_layout.m_ptFitDest.x, m_layout.m_ptFitDest.y, m_layout.m_sizeFit.cx, m_layout.m_sizeFit.cy);
    p.drawImage(fit, m_fitted);
  } else {
    if (m_bBlockStale) CorrectBlock();
    if (m_block.isNull()) return;
    p.drawImage(QPoint(m_layout.m_ptOneToOneDest.x, m_layout.m_ptOneToOneDest.y), m_block);
  }
}

void CTonePreview::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && m_pSource) {
    if (m_nMode == PREVIEW_ONE_TO_ONE) {
      SetMode(PREVIEW_FITTED);
    } else {
      const QPoint at = event->position().toPoint();
      m_layout.m_ptSource =
          SourceForClick(m_layout, at.x(), at.y(), m_pSource->Width(), m_pSource->Height(), width(), height());
      SetMode(PREVIEW_ONE_TO_ONE);
    }
  }
  QWidget::mousePressEvent(event);
}

// ---- CCurvePlot ----

CCurvePlot::CCurvePlot(QWidget* parent, const ToneTable* gamma, const ToneTable* level, int rangeLow, int rangeHigh)
    : QWidget(parent), m_nRangeLow(rangeLow), m_nRangeHigh(rangeHigh), m_pGamma(gamma), m_pLevel(level) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void CCurvePlot::resizeEvent(QResizeEvent*) {
  const PlotArea a = CurvePlotArea(width(), height());
  m_nSide = a.side;
  m_nLeft = a.left;
  m_nTop = a.top;
}

void CCurvePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::white);
  if (m_nSide <= 0) return;
  p.setPen(QPen(kGrey, 1, Qt::SolidLine));
  p.setBrush(Qt::white);
  // The frame is one pixel outside the plot area on every side.
  p.drawRect(m_nLeft - 1, m_nTop - 1, m_nSide + 1, m_nSide + 1);
  p.setPen(QPen(kLightGrey, 1, Qt::DotLine));
  for (int r : {m_nRangeLow, m_nRangeHigh}) {
    const int x = SampleLineX(Area(), r);
    p.drawLine(x, m_nTop, x, m_nTop + m_nSide);
  }
  p.setPen(QPen(Qt::black, 1, Qt::DotLine));
  const std::vector<ZPoint> corners = CurvePoints(Area(), *m_pGamma, *m_pLevel);
  QPolygon line;
  line.reserve(static_cast<int>(corners.size()));
  for (const ZPoint& c : corners) line << QPoint(c.x, c.y);
  p.drawPolyline(line);
}

// ---- CGammaDialog ----

CGammaDialog::CGammaDialog(QWidget* parent, const CMemBitmap& image, bool halftone, std::function<void(int)> help)
    : QDialog(parent), m_pImage(&image), m_help(std::move(help)), m_bHalftone(halftone) {
  setWindowTitle(QString::fromUtf8(kGammaCaption));
  SampleRange(*m_pImage, m_nMinSample, m_nMaxSample);
  BuildControls();
  m_pGammaEdit->setFocus();
}

void CGammaDialog::BuildControls() {
  m_bUpdating = 1;  // the opening values are the dialog's own writes
  m_pGammaSlider = new CTickSlider(GammaSliderSetup(), this);
  m_pContrastSlider = new CTickSlider(LevelSliderSetup(), this);
  m_pBiasSlider = new CTickSlider(LevelSliderSetup(), this);
  m_pGammaSlider->setValue(GammaSliderPosition(m_curve.m_dGamma));
  m_pContrastSlider->setValue(LevelSliderPosition(m_curve.m_nContrast));
  m_pBiasSlider->setValue(LevelSliderPosition(m_curve.m_nBias));

  m_pGammaEdit = new QLineEdit(QString::fromStdString(GammaText(m_curve.m_dGamma)), this);
  m_pContrastEdit = new QLineEdit(QString::fromStdString(LevelText(m_curve.m_nContrast)), this);
  m_pBiasEdit = new QLineEdit(QString::fromStdString(LevelText(m_curve.m_nBias)), this);
  for (QLineEdit* e : {m_pGammaEdit, m_pContrastEdit, m_pBiasEdit}) {
    e->setFixedWidth(56);
    e->setMaxLength(16);
  }
  // Number-style edits: a sign and digits; other keys are turned away.
  for (QLineEdit* e : {m_pContrastEdit, m_pBiasEdit}) {
    e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[-+]?[0-9]*")), e));
    connect(e, &QLineEdit::inputRejected, this, &CGammaDialog::Beep);
  }

  auto* values = new QGridLayout;
  const char* labels[] = {kGammaLabel, kContrastLabel, kBiasLabel};
  CTickSlider* sliders[] = {m_pGammaSlider, m_pContrastSlider, m_pBiasSlider};
  QLineEdit* edits[] = {m_pGammaEdit, m_pContrastEdit, m_pBiasEdit};
  for (int i = 0; i < 3; ++i) {
    auto* label = new QLabel(QString::fromUtf8(labels[i]), this);
    label->setBuddy(edits[i]);
    values->addWidget(label, i, 0);
    values->addWidget(sliders[i], i, 1);
    values->addWidget(edits[i], i, 2);
  }
  values->setColumnStretch(1, 1);

  m_pCurve = new CCurvePlot(nullptr, &m_curve.m_anGamma, &m_curve.m_anLevel, m_nMinSample, m_nMaxSample);
  QWidget* curve = m_pCurve;
  QFrame* curveFrame = PlaceFrame(this, curve, QSize(150, 150));  // 1097
  m_pPreview = new CTonePreview(nullptr, m_bHalftone);
  QWidget* preview = m_pPreview;
  QFrame* previewFrame = PlaceFrame(this, preview, QSize(320, 240));  // 1098
  m_pPreview->SetSource(m_pImage);

  m_pSwitchZoom = new QPushButton(QString::fromUtf8(kSwitchZoomButton), this);
  m_pOk = new QPushButton(tr("OK"), this);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  m_pHelp = new QPushButton(QString::fromUtf8(kGammaHelpButton), this);
  m_pOk->setDefault(true);
  m_pHelp->setEnabled(static_cast<bool>(m_help));

  auto* left = new QVBoxLayout;
  left->addWidget(previewFrame, 1);
  left->addLayout(values);
  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(QString::fromUtf8(kCurveLabel), this));
  right->addWidget(curveFrame);
  right->addWidget(m_pSwitchZoom);
  right->addStretch(1);
  right->addWidget(m_pOk);
  right->addWidget(cancel);
  right->addWidget(m_pHelp);
  auto* top = new QHBoxLayout(this);
  top->addLayout(left, 1);
  top->addLayout(right);
  m_bUpdating = 0;
  ConnectControls(cancel);
}

void CGammaDialog::ConnectControls(QPushButton* cancel) {
  connect(m_pGammaSlider, &QSlider::valueChanged, this, &CGammaDialog::OnGammaSlider);
  connect(m_pContrastSlider, &QSlider::valueChanged, this, [this](int v) { OnLevelSlider(true, v); });
  connect(m_pBiasSlider, &QSlider::valueChanged, this, [this](int v) { OnLevelSlider(false, v); });
  connect(m_pGammaEdit, &QLineEdit::textChanged, this, &CGammaDialog::OnGammaEdit);
  connect(m_pContrastEdit, &QLineEdit::textChanged, this, [this] { OnLevelEdit(true); });
  connect(m_pBiasEdit, &QLineEdit::textChanged, this, [this] { OnLevelEdit(false); });
  connect(m_pSwitchZoom, &QPushButton::clicked, this, [this] {
    m_pPreview->SetMode(m_pPreview->Mode() == PREVIEW_FITTED ? PREVIEW_ONE_TO_ONE : PREVIEW_FITTED);
  });
  connect(m_pOk, &QPushButton::clicked, this, &CGammaDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CGammaDialog::reject);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_help) m_help(kGammaHelpTopic);
  });
}

void CGammaDialog::Beep() {
  ++m_nBeeps;
  QApplication::beep();
}

void CGammaDialog::WriteEdit(QLineEdit* edit, const std::string& text) {
  m_bUpdating = 1;
  edit->setText(QString::fromStdString(text));
  m_bUpdating = 0;
}

// The preview follows drags too: a pass over the fitted copy or the visible
// block is far cheaper than a frame.
void CGammaDialog::CurveChanged() {
  m_pCurve->update();
  m_pPreview->Apply(m_curve.m_anGamma, m_curve.m_anLevel);
}

void CGammaDialog::OnGammaSlider(int position) {
  if (m_bUpdating) return;
  m_curve.SetGamma(GammaOfSliderPosition(position));
  WriteEdit(m_pGammaEdit, GammaText(m_curve.m_dGamma));
  CurveChanged();
}

void CGammaDialog::OnLevelSlider(bool contrast, int position) {
  if (m_bUpdating) return;
  const int value = LevelOfSliderPosition(position);
  if (contrast) m_curve.SetContrast(value);
  else m_curve.SetBias(value);
  WriteEdit(contrast ? m_pContrastEdit : m_pBiasEdit, LevelText(value));
  CurveChanged();
}

void CGammaDialog::OnGammaEdit() {
  if (m_bUpdating || !m_pCurve) return;
  const GammaEntry entry = ReadGammaEntry(m_pGammaEdit->text().toStdString(), m_curve.m_dGamma);
  if (entry.outcome == EntryOutcome::Refused) Beep();
  if (entry.outcome != EntryOutcome::Accepted) return;
  m_curve.SetGamma(entry.value);
  const QSignalBlocker quiet(m_pGammaSlider);
  m_pGammaSlider->setValue(GammaSliderPosition(entry.value));
  CurveChanged();
}

void CGammaDialog::OnLevelEdit(bool contrast) {
  if (m_bUpdating) return;
  QLineEdit* edit = contrast ? m_pContrastEdit : m_pBiasEdit;
  const LevelEntry entry =
      ReadLevelEntry(edit->text().toStdString(), contrast ? m_curve.m_nContrast : m_curve.m_nBias);
  if (entry.outcome == EntryOutcome::Refused) Beep();
  if (entry.outcome != EntryOutcome::Accepted) return;
  if (contrast) m_curve.SetContrast(entry.value);
  else m_curve.SetBias(entry.value);
  CTickSlider* slider = contrast ? m_pContrastSlider : m_pBiasSlider;
  const QSignalBlocker quiet(slider);
  slider->setValue(LevelSliderPosition(entry.value));
  CurveChanged();
}

bool RunGammaDialog(QWidget* parent, CImageDoc& doc, std::function<void(int)> help) {
  CGammaDialog dlg(parent, doc.Bitmap(), doc.App().m_settings.bUseHalfToneStretch != 0, std::move(help));
  if (dlg.exec() != QDialog::Accepted) return false;
  return ApplyToneCurve(doc, dlg.GammaTable(), dlg.LevelTable()) == 1;
}

} // namespace qv
