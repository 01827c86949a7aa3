#pragma once
// A quantization table as an 8 x 8 false-colour picture shown at 80 x 80,
// or the 1 x 256 colour scale shown at 4 x 128, centred in the window.
#include <cstdint>

#include <QImage>
#include <QWidget>

namespace qv {

class CDqtPreview : public QWidget {
  Q_OBJECT
public:
  CDqtPreview(int imageWidth, int imageHeight, int showWidth, int showHeight,
              QWidget* parent = nullptr);

  // The low byte of each of the 64 values; returns the sum of the full values.
  uint32_t ShowTable(const uint16_t table[64]);
  // Row i from the bottom holds palette index (256 - i) mod 256.
  void ShowColourScale();

  bool IsReady() const { return m_bReady != 0; }
  const QImage& Picture() const { return m_image; }
  QPoint ShowOrigin() const { return m_ptShow; }
  QSize sizeHint() const override { return {m_nShowWidth, m_nShowHeight}; }

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  int m_nImageWidth;
  int m_nImageHeight;
  int m_nShowWidth;
  int m_nShowHeight;
  int m_bReady = 0;
  QRect m_rcClient;
  QPoint m_ptShow;
  QImage m_image;  // 8-bit through the false-colour table
};

} // namespace qv
