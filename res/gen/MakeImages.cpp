// Draws the program's images (icons, cursors, tile, About bitmap) into PNG
// files. Run once by hand when a picture changes; the PNG files are kept in
// the repository so that a build needs no drawing step:
//   cmake --build build --target quorvex-make-images && build/src/app/ui/quorvex-make-images res
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cstdio>

namespace {

QString g_root;

void Save(const QImage& img, const QString& name) {
  const QString path = g_root + "/" + name;
  QDir().mkpath(QFileInfo(path).absolutePath());
  if (!img.save(path, "PNG")) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QImage Blank(int w, int h) {
  QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// The application icon: a compact camera seen from the front, with a lens,
// a flash window and a small "Exif" tag.
QImage AppIcon(int s) {
  QImage img = Blank(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal u = s / 32.0;
  QLinearGradient body(0, 6 * u, 0, 28 * u);
  body.setColorAt(0, QColor(0x4a, 0x6f, 0xa8));
  body.setColorAt(1, QColor(0x1f, 0x35, 0x5c));
  p.setPen(QPen(QColor(0x12, 0x20, 0x3a), qMax<qreal>(1.0, u)));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(1.5 * u, 8 * u, 29 * u, 20 * u), 4 * u, 4 * u);
  // Viewfinder bump.
  p.drawRoundedRect(QRectF(19 * u, 4.5 * u, 9 * u, 5 * u), 1.5 * u, 1.5 * u);
  // Flash window.
  p.setBrush(QColor(0xf4, 0xf0, 0xd8));
  p.setPen(Qt::NoPen);
  p.drawRect(QRectF(4.5 * u, 11 * u, 6 * u, 3.5 * u));
  // Lens.
  QRadialGradient glass(QPointF(16 * u, 18 * u), 8 * u, QPointF(13.5 * u, 15.5 * u));
  glass.setColorAt(0, QColor(0xb8, 0xd8, 0xff));
  glass.setColorAt(0.45, QColor(0x2a, 0x4e, 0x8c));
  glass.setColorAt(1, QColor(0x08, 0x10, 0x20));
  p.setBrush(QColor(0xc8, 0xcc, 0xd4));
  p.drawEllipse(QPointF(16 * u, 18 * u), 8.5 * u, 8.5 * u);
  p.setBrush(glass);
  p.drawEllipse(QPointF(16 * u, 18 * u), 6.5 * u, 6.5 * u);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(QPointF(13.5 * u, 15.5 * u), 1.6 * u, 1.6 * u);
  // Shutter button.
  p.setBrush(QColor(0xe0, 0x40, 0x30));
  p.drawRoundedRect(QRectF(5 * u, 5.5 * u, 6 * u, 3 * u), 1 * u, 1 * u);
  return img;
}

// A sheet with a folded corner, a small landscape and a coloured band that
// tells the format; `label` is written on the band at 32 pixels.
QImage FormatIcon(int s, QColor band, const QString& label) {
  QImage img = Blank(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, s >= 32);
  const qreal u = s / 16.0;
  QPainterPath sheet;
  sheet.moveTo(2.5 * u, 0.5 * u);
  sheet.lineTo(10.5 * u, 0.5 * u);
  sheet.lineTo(13.5 * u, 3.5 * u);
  sheet.lineTo(13.5 * u, 15.5 * u);
  sheet.lineTo(2.5 * u, 15.5 * u);
  sheet.closeSubpath();
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(Qt::white);
  p.drawPath(sheet);
  p.setBrush(QColor(0xd8, 0xd8, 0xd8));
  QPainterPath fold;
  fold.moveTo(10.5 * u, 0.5 * u);
  fold.lineTo(10.5 * u, 3.5 * u);
  fold.lineTo(13.5 * u, 3.5 * u);
  fold.closeSubpath();
  p.drawPath(fold);
  // Landscape: sky, sun, hill.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xa8, 0xd0, 0xf0));
  p.drawRect(QRectF(4 * u, 4.5 * u, 8 * u, 5 * u));
  p.setBrush(QColor(0xf0, 0xc0, 0x20));
  p.drawEllipse(QPointF(10 * u, 6 * u), 1 * u, 1 * u);
  QPainterPath hill;
  hill.moveTo(4 * u, 9.5 * u);
  hill.lineTo(7 * u, 6.5 * u);
  hill.lineTo(9 * u, 8.5 * u);
  hill.lineTo(10 * u, 7.5 * u);
  hill.lineTo(12 * u, 9.5 * u);
  hill.closeSubpath();
  p.setBrush(QColor(0x40, 0x90, 0x40));
  p.drawPath(hill);
  p.setBrush(band);
  p.drawRect(QRectF(3 * u, 11 * u, 10 * u, 4 * u));
  if (s >= 32 && !label.isEmpty()) {
    QFont f("DejaVu Sans");
    f.setPixelSize(int(3.6 * u));
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3 * u, 11 * u, 10 * u, 4 * u), Qt::AlignCenter, label);
  }
  return img;
}

// The clipboard: a board with a clip and a sheet on it.
QImage ClipboardIcon(int s) {
  QImage img = Blank(s, s);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, s >= 32);
  const qreal u = s / 16.0;
  p.setPen(QPen(QColor(0x5a, 0x3a, 0x18), 1));
  p.setBrush(QColor(0xb8, 0x84, 0x48));
  p.drawRoundedRect(QRectF(2.5 * u, 1.5 * u, 11 * u, 14 * u), 1 * u, 1 * u);
  p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4 * u, 4 * u, 8 * u, 10 * u));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x60, 0x90, 0xd0));
  p.drawRect(QRectF(5 * u, 6 * u, 6 * u, 4 * u));
  p.setPen(QPen(QColor(0x40, 0x40, 0x40), 1));
  p.setBrush(QColor(0xc0, 0xc0, 0xc8));
  p.drawRoundedRect(QRectF(5.5 * u, 0.5 * u, 5 * u, 3 * u), 1 * u, 1 * u);
  return img;
}

// Monochrome hand cursors, 32 x 32, hot spot (8, 8) near the index finger.
QImage HandCursor(bool closed) {
  QImage img = Blank(32, 32);
  QPainter p(&img);
  QPainterPath hand;
  if (!closed) {
    hand.addRoundedRect(QRectF(6, 3, 4, 14), 2, 2);   // index
    hand.addRoundedRect(QRectF(10, 1, 4, 16), 2, 2);  // middle
    hand.addRoundedRect(QRectF(14, 2, 4, 15), 2, 2);  // ring
    hand.addRoundedRect(QRectF(18, 5, 4, 12), 2, 2);  // little
    QPainterPath thumb;
    thumb.moveTo(2, 13);
    thumb.lineTo(5, 12);
    thumb.lineTo(9, 19);
    thumb.lineTo(6, 22);
    thumb.closeSubpath();
    hand = hand.united(thumb);
  } else {
    hand.addRoundedRect(QRectF(6, 8, 4, 6), 2, 2);
    hand.addRoundedRect(QRectF(10, 7, 4, 7), 2, 2);
    hand.addRoundedRect(QRectF(14, 7, 4, 7), 2, 2);
    hand.addRoundedRect(QRectF(18, 8, 4, 6), 2, 2);
  }
  QPainterPath palm;
  palm.addRoundedRect(QRectF(6, closed ? 11 : 13, 16, closed ? 14 : 14), 4, 4);
  hand = hand.united(palm).simplified();
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::white);
  p.translate(0.5, 0.5);
  p.drawPath(hand);
  // Finger lines on the palm side.
  if (!closed) {
    p.drawLine(QPointF(10, 10), QPointF(10, 16));
    p.drawLine(QPointF(14, 10), QPointF(14, 16));
    p.drawLine(QPointF(18, 10), QPointF(18, 16));
  } else {
    p.drawLine(QPointF(10, 9), QPointF(10, 13));
    p.drawLine(QPointF(14, 8), QPointF(14, 13));
    p.drawLine(QPointF(18, 9), QPointF(18, 13));
  }
  return img;
}

// Magnifier cursors (114 with a plus, 115 with a minus), 32 x 32, hot spot
// (12, 12) in the middle of the lens.
QImage MagnifierCursor(bool plus) {
  QImage img = Blank(32, 32);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  // Handle: a black bar with a white rim, down and to the right.
  p.setPen(QPen(Qt::white, 7, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(19, 19), QPointF(28, 28));
  p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(19, 19), QPointF(28, 28));
  // Lens: white glass in a black ring with a white rim outside.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 5));
  p.drawEllipse(QPointF(12, 12), 8, 8);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(12, 12), 8, 8);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(QRect(8, 11, 9, 2), Qt::black);
  if (plus) p.fillRect(QRect(11, 8, 2, 9), Qt::black);
  return img;
}

// The background tile of the image view: 16 x 16, every pixel white.
QImage Tile() {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(Qt::white);
  return img;
}

// The About box's picture: the device on a light band with its name.
QImage AboutBitmap() {
  QImage img(160, 64, QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient band(0, 0, 160, 0);
  band.setColorAt(0, QColor(0xe8, 0xf0, 0xfc));
  band.setColorAt(1, Qt::white);
  p.fillRect(0, 0, 160, 64, band);
  p.translate(6, 6);
  p.drawImage(QRectF(0, 0, 52, 52), AppIcon(128));
  p.resetTransform();
  QFont big("DejaVu Sans");
  big.setPixelSize(18);
  big.setBold(true);
  p.setFont(big);
  p.setPen(QColor(0x1f, 0x35, 0x5c));
  p.drawText(QRectF(62, 8, 96, 24), Qt::AlignLeft | Qt::AlignVCenter, "KX-M410");
  QFont small("DejaVu Sans");
  small.setPixelSize(10);
  p.setFont(small);
  p.setPen(QColor(0x50, 0x50, 0x50));
  p.drawText(QRectF(62, 32, 96, 14), Qt::AlignLeft | Qt::AlignVCenter, "1024 x 768  Exif");
  p.setPen(QPen(QColor(0x4a, 0x6f, 0xa8), 2));
  p.drawLine(62, 50, 150, 50);
  return img;
}

} // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  g_root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");
  for (int s : {16, 32, 48, 64, 128, 256}) Save(AppIcon(s), QString("icons/quorvex-%1.png").arg(s));
  struct Fmt {
    int id;
    QColor band;
    const char* label;
  };
  const Fmt formats[] = {{133, QColor(0x30, 0x90, 0x50), "BMP"}, {134, QColor(0xc0, 0x30, 0x30), "RGB"},
                         {135, QColor(0x30, 0x60, 0xc0), "JPG"}, {136, QColor(0x80, 0x40, 0xb0), "PNG"},
                         {137, QColor(0xe0, 0x80, 0x20), "MAG"}, {139, QColor(0x20, 0x90, 0x90), "TIF"}};
  for (const Fmt& f : formats)
    for (int s : {16, 32}) Save(FormatIcon(s, f.band, f.label), QString("icons/format%1-%2.png").arg(f.id).arg(s));
  for (int s : {16, 32}) Save(ClipboardIcon(s), QString("icons/format132-%1.png").arg(s));
  Save(HandCursor(false), "cursors/hand-open.png");
  Save(HandCursor(true), "cursors/hand-closed.png");
  Save(MagnifierCursor(true), "cursors/zoom-in.png");
  Save(MagnifierCursor(false), "cursors/zoom-out.png");
  Save(Tile(), "bitmaps/tile.png");
  Save(AboutBitmap(), "bitmaps/about.png");
  return 0;
}
