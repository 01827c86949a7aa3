#include "view/ui/DqtPreview.h"

#include <QPainter>
#include <QResizeEvent>
#include <QVector>

#include "app/DqtFile.h"

namespace qv {
namespace {

const QVector<QRgb>& FalseColourTable() {
  static const QVector<QRgb> table = [] {
    uint8_t quads[256 * 4];
    BuildFalseColourPalette(quads);
    QVector<QRgb> colours(256);
    for (int i = 0; i < 256; ++i)
      colours[i] = qRgb(quads[i * 4 + 2], quads[i * 4 + 1], quads[i * 4]);
    return colours;
  }();
  return table;
}

} // namespace

CDqtPreview::CDqtPreview(int imageWidth, int imageHeight, int showWidth, int showHeight,
                         QWidget* parent)
    : QWidget(parent), m_nImageWidth(imageWidth), m_nImageHeight(imageHeight),
      m_nShowWidth(showWidth), m_nShowHeight(showHeight),
      m_image(imageWidth, imageHeight, QImage::Format_Indexed8) {
  m_image.setColorTable(FalseColourTable());
  m_image.fill(0);
  setMinimumSize(showWidth, showHeight);
}

uint32_t CDqtPreview::ShowTable(const uint16_t table[64]) {
  uint32_t sum = 0;
  for (int i = 0; i < 64 && i < m_nImageWidth * m_nImageHeight; ++i) {
    m_image.scanLine(i / m_nImageWidth)[i % m_nImageWidth] = static_cast<uchar>(table[i] & 0xFF);
  }
  for (int i = 0; i < 64; ++i) sum += table[i];
  m_bReady = 1;
  update();
  return sum;
}

void CDqtPreview::ShowColourScale() {
  for (int i = 0; i < m_nImageHeight; ++i) {
    uchar* row = m_image.scanLine(m_nImageHeight - 1 - i);
    for (int x = 0; x < m_nImageWidth; ++x) row[x] = static_cast<uchar>((256 - i) % 256);
  }
  m_bReady = 1;
  update();
}

void CDqtPreview::resizeEvent(QResizeEvent* event) {
  m_rcClient = QRect(QPoint(0, 0), event->size());
  m_ptShow = QPoint((m_rcClient.width() - m_nShowWidth) / 2, (m_rcClient.height() - m_nShowHeight) / 2);
  QWidget::resizeEvent(event);
}

void CDqtPreview::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Button));
  if (!m_bReady) return;
  // Nearest neighbour: each table entry stays one flat square.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRect(m_ptShow, QSize(m_nShowWidth, m_nShowHeight)), m_image);
}

} // namespace qv
