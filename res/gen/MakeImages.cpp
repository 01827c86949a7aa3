// Draws the program's images (icons, cursors, tile, About bitmap, toolbar
// buttons) into PNG files. Run once by hand when a picture changes; the PNG
// files are kept in the repository so that a build needs no drawing step:
//   cmake --build build --target quorvex-make-images && build/src/app/ui/quorvex-make-images res
#include <QColor>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>
#include <array>
#include <cstdio>
#include <initializer_list>
#include <utility>

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


// ---- the control toolbar's buttons: 16 x 16, a few strong shapes each ----

const QColor kInk(0x30, 0x30, 0x30);
const QColor kBlue(0x30, 0x60, 0xc0);
const QColor kGreen(0x30, 0x90, 0x40);
const QColor kRed(0xd0, 0x30, 0x30);
const QColor kYellow(0xf0, 0xc0, 0x30);

// Runs a drawing on a fresh 16 x 16 picture.
template <typename F>
QImage Draw16(F draw) {
  QImage img = Blank(16, 16);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  draw(p);
  return img;
}

void Sheet(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
}

void Pencil(QPainter& p, QPointF tip) {
  p.save();
  p.translate(tip);
  p.rotate(-45);
  p.setPen(QPen(kInk, 0.8));
  p.setBrush(kYellow);
  p.drawRect(QRectF(2, -1.5, 7, 3));
  p.setBrush(QColor(0xf0, 0xd0, 0xa0));
  QPolygonF cone;
  cone << QPointF(0, 0) << QPointF(2, -1.5) << QPointF(2, 1.5);
  p.drawPolygon(cone);
  p.restore();
}

void Check(QPainter& p, QPointF at) {
  p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  QPolygonF tick;
  tick << at << at + QPointF(2, 2.5) << at + QPointF(6, -3.5);
  p.drawPolyline(tick);
}

void Balloon(QPainter& p) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(0xff, 0xf4, 0xc0));
  QPainterPath b;
  b.addRoundedRect(QRectF(1.5, 1.5, 13, 9), 3, 3);
  QPolygonF tail;
  tail << QPointF(4, 10) << QPointF(3.5, 14.5) << QPointF(8, 10);
  b.addPolygon(tail);
  p.drawPath(b.simplified());
}

void Grid(QPainter& p, QRectF r, QColor fill) {
  p.setPen(QPen(kInk, 1));
  p.setBrush(fill);
  p.drawRect(r);
  for (int i = 1; i < 4; ++i) {
    p.drawLine(QPointF(r.left() + r.width() * i / 4, r.top()), QPointF(r.left() + r.width() * i / 4, r.bottom()));
    p.drawLine(QPointF(r.left(), r.top() + r.height() * i / 4), QPointF(r.right(), r.top() + r.height() * i / 4));
  }
}

void Curve(QPainter& p, QRectF r, QColor colour) {
  p.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  QPainterPath c;
  c.moveTo(r.bottomLeft());
  c.cubicTo(QPointF(r.left() + 1, r.top() + 3), QPointF(r.left() + 5, r.top() + 1), r.topRight());
  p.setPen(QPen(colour, 1.8));
  p.setBrush(Qt::NoBrush);
  p.drawPath(c);
}

QImage SaveAsIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(QColor(0x18, 0x30, 0x60), 1));
    p.setBrush(kBlue);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 1.5, 9, 6));
    p.setBrush(QColor(0xc8, 0xcc, 0xd4));
    p.drawRect(QRectF(4.5, 10.5, 7, 4));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(9.5, 11.5, 1.5, 2.5));
  });
}

QImage ReloadIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::FlatCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 280 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(kGreen);
    QPolygonF head;
    head << QPointF(9, 0.5) << QPointF(14.5, 2.5) << QPointF(10, 6.5);
    p.drawPolygon(head);
  });
}

// A marker tag: the red FF of a segment.
void MarkerTag(QPainter& p, QRectF r) {
  p.setPen(QPen(QColor(0x80, 0x10, 0x10), 1));
  p.setBrush(kRed);
  p.drawRect(r);
  p.setPen(QPen(Qt::white, 1));
  p.drawLine(QPointF(r.left() + 1.5, r.center().y()), QPointF(r.right() - 1.5, r.center().y()));
}

QImage MarkerOpenIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(QColor(0x90, 0x68, 0x10), 1));
    p.setBrush(kYellow);
    QPainterPath folder;
    folder.moveTo(1.5, 4.5);
    folder.lineTo(5.5, 4.5);
    folder.lineTo(6.5, 3);
    folder.lineTo(10.5, 3);
    folder.lineTo(10.5, 13.5);
    folder.lineTo(1.5, 13.5);
    folder.closeSubpath();
    p.drawPath(folder);
    MarkerTag(p, QRectF(8.5, 7.5, 6, 6));
  });
}

QImage MarkerEditIcon() {
  return Draw16([](QPainter& p) {
    Sheet(p, QRectF(2.5, 0.5, 10, 15));
    p.setPen(Qt::NoPen);
    const QColor bars[] = {kRed, kBlue, kGreen, kBlue};
    for (int i = 0; i < 4; ++i) {
      p.setBrush(bars[i]);
      p.drawRect(QRectF(4, 2.5 + i * 3, i % 2 ? 5 : 7, 1.8));
    }
    Pencil(p, QPointF(7, 15));
  });
}

QImage CopyIcon() {
  return Draw16([](QPainter& p) {
    Sheet(p, QRectF(1.5, 1.5, 8, 10));
    Sheet(p, QRectF(6.5, 4.5, 8, 10));
    p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1));
    for (int y = 7; y <= 12; y += 2) p.drawLine(QPointF(8.5, y + 0.5), QPointF(12.5, y + 0.5));
  });
}

QImage ZoomRatesIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(kInk, 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(kInk, 1.4));
    p.setBrush(QColor(0xd8, 0xe8, 0xff));
    p.drawEllipse(QPointF(6.5, 6.5), 5, 5);
    p.setPen(QPen(kBlue, 1.4));
    p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
  });
}

QImage SyncViewsIcon() {
  return Draw16([](QPainter& p) {
    for (qreal x : {0.5, 9.5}) {
      p.setPen(QPen(kInk, 1));
      p.setBrush(Qt::white);
      p.drawRect(QRectF(x, 3.5, 6, 8));
      p.setPen(Qt::NoPen);
      p.setBrush(kBlue);
      p.drawRect(QRectF(x + 0.5, 4, 5, 1.8));
      p.setBrush(kGreen);
      p.drawRect(QRectF(x + 1.5, 7, 3, 3));
    }
    p.setPen(QPen(kRed, 1.4));
    p.drawLine(QPointF(6.5, 13.5), QPointF(9.5, 13.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    QPolygonF l, r;
    l << QPointF(5, 13.5) << QPointF(7.5, 11.5) << QPointF(7.5, 15.5);
    r << QPointF(11, 13.5) << QPointF(8.5, 11.5) << QPointF(8.5, 15.5);
    p.drawPolygon(l);
    p.drawPolygon(r);
  });
}

QImage ResizeIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(kInk, 1, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 15, 15));
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0xa8, 0xd0, 0xf0));
    p.drawRect(QRectF(0.5, 8.5, 7, 7));
    p.setPen(QPen(kRed, 1.6));
    p.drawLine(QPointF(6, 10), QPointF(12.5, 3.5));
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    QPolygonF head;
    head << QPointF(14, 2) << QPointF(8.5, 3) << QPointF(13, 7.5);
    p.drawPolygon(head);
  });
}

QImage GammaIcon() {
  return Draw16([](QPainter& p) { Curve(p, QRectF(1.5, 1.5, 13, 13), kBlue); });
}

QImage SeparateYccIcon() {
  return Draw16([](QPainter& p) {
    const QColor shades[] = {QColor(0x70, 0x70, 0x70), QColor(0x40, 0x70, 0xd0), QColor(0xd0, 0x40, 0x40)};
    for (int i = 0; i < 3; ++i) {
      p.setPen(QPen(kInk, 1));
      p.setBrush(shades[i]);
      p.drawRect(QRectF(0.5 + i * 4, 0.5 + i * 4, 7, 7));
    }
  });
}

QImage JpegPreviewIcon() {
  return Draw16([](QPainter& p) {
    Sheet(p, QRectF(1.5, 0.5, 13, 15));
    p.setPen(Qt::NoPen);
    // Blocks of the DCT grid in a few tones.
    const int tones[3][3] = {{0xa0, 0xc8, 0x70}, {0xc8, 0x60, 0xa0}, {0x70, 0xa0, 0xc8}};
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x) {
        p.setBrush(QColor(tones[y][x] / 2, tones[y][x] * 3 / 4, tones[y][x]));
        p.drawRect(QRectF(3 + x * 3.5, 2 + y * 3.5, 3.5, 3.5));
      }
    p.setBrush(kBlue);
    p.drawRect(QRectF(2, 13, 12, 2));
  });
}

QImage CommentEditIcon() {
  return Draw16([](QPainter& p) {
    Balloon(p);
    p.setPen(QPen(QColor(0x80, 0x70, 0x40), 1));
    p.drawLine(QPointF(4, 4.5), QPointF(12, 4.5));
    p.drawLine(QPointF(4, 7.5), QPointF(9, 7.5));
    Pencil(p, QPointF(9, 15));
  });
}

QImage CommentToggleIcon() {
  return Draw16([](QPainter& p) {
    Balloon(p);
    Check(p, QPointF(5, 6));
  });
}

QImage DqtToggleIcon() {
  return Draw16([](QPainter& p) {
    Grid(p, QRectF(0.5, 0.5, 12, 12), QColor(0xe0, 0xe8, 0xf8));
    Check(p, QPointF(8, 12));
  });
}

QImage DqtEditIcon() {
  return Draw16([](QPainter& p) {
    Grid(p, QRectF(0.5, 0.5, 12, 12), QColor(0xe0, 0xe8, 0xf8));
    Pencil(p, QPointF(8, 15));
  });
}

QImage PngGammaIcon() {
  return Draw16([](QPainter& p) {
    Curve(p, QRectF(1.5, 1.5, 13, 10), QColor(0x80, 0x40, 0xb0));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x80, 0x40, 0xb0));
    p.drawRect(QRectF(1, 12.5, 14, 3));
  });
}

QImage PngTransparentIcon() {
  return Draw16([](QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        p.fillRect(QRect(1 + x * 3, 1 + y * 3, 3, 3), (x + y) % 2 ? QColor(0xc0, 0xc0, 0xc0) : Qt::white);
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(0, 0, 13, 13));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x50, 0x20, 0x80), 1));
    p.setBrush(QColor(0x80, 0x40, 0xb0));
    p.drawEllipse(QPointF(11.5, 11.5), 3.5, 3.5);
  });
}

QImage ExifWindowIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(kInk, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 1.5, 15, 13));
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(QRectF(1, 2, 14, 3));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 7.2), 1.2, 1.2);
    p.drawRect(QRectF(7, 9, 2, 4.5));
  });
}

QImage BulkFilterIcon() {
  return Draw16([](QPainter& p) {
    Sheet(p, QRectF(4.5, 0.5, 9, 7));
    Sheet(p, QRectF(2.5, 2.5, 9, 7));
    p.setPen(QPen(QColor(0x18, 0x30, 0x60), 1));
    p.setBrush(kBlue);
    QPolygonF funnel;
    funnel << QPointF(1, 7.5) << QPointF(15, 7.5) << QPointF(9.5, 12) << QPointF(9.5, 15.5) << QPointF(6.5, 15.5)
           << QPointF(6.5, 12);
    p.drawPolygon(funnel);
  });
}

QImage SettingsIcon() {
  return Draw16([](QPainter& p) {
    QPainterPath gear;
    for (int i = 0; i < 6; ++i) {
      QTransform t;
      t.translate(8, 8);
      t.rotate(i * 60);
      gear.addPolygon(t.map(QPolygonF(QRectF(-1.8, -7.5, 3.6, 4))));
    }
    gear.addEllipse(QPointF(8, 8), 4.8, 4.8);
    gear = gear.simplified();
    QPainterPath hole;
    hole.addEllipse(QPointF(8, 8), 2.2, 2.2);
    p.setPen(QPen(kInk, 1));
    p.setBrush(QColor(0x90, 0x98, 0xa8));
    p.drawPath(gear.subtracted(hole));
  });
}

// ---- the comment dialog's Ins and Del buttons (bitmaps 205, 206) ----
// 16 x 16 in the 16 standard colours, drawn pixel by pixel: a sparkle over
// the letters INS, a waste bin over the letters DEL.

const QRgb kVga16[16] = {0xff000000, 0xff800000, 0xff008000, 0xff808000, 0xff000080, 0xff800080,
                         0xff008080, 0xffc0c0c0, 0xff808080, 0xffff0000, 0xff00ff00, 0xffffff00,
                         0xff0000ff, 0xffff00ff, 0xff00ffff, 0xffffffff};

QImage Indexed16() {
  QImage img(16, 16, QImage::Format_Indexed8);
  QVector<QRgb> table(kVga16, kVga16 + 16);
  table.append(qRgba(0, 0, 0, 0));  // the background stays see-through
  img.setColorTable(table);
  img.fill(16);
  return img;
}

// Rows of a picture: one character per pixel, '.' for none; the others
// name colours of kVga16 by their hex digit.
void Paint(QImage& img, int x0, int y0, std::initializer_list<const char*> rows) {
  int y = y0;
  for (const char* row : rows) {
    for (int x = 0; row[x]; ++x) {
      const char c = row[x];
      if (c == '.') continue;
      const int index = c <= '9' ? c - '0' : c - 'a' + 10;
      img.setPixel(x0 + x, y, static_cast<uint>(index));
    }
    ++y;
  }
}

// Three letters of a 4 x 5 font, a column apart, at the bottom.
void Letters(QImage& img, const char* word) {
  static const std::pair<char, std::array<const char*, 5>> font[] = {
      {'I', {".000", "..0.", "..0.", "..0.", ".000"}}, {'N', {"0..0", "00.0", "0.00", "0..0", "0..0"}},
      {'S', {".000", "0...", ".00.", "...0", "000."}}, {'D', {"000.", "0..0", "0..0", "0..0", "000."}},
      {'E', {"0000", "0...", "000.", "0...", "0000"}}, {'L', {"0...", "0...", "0...", "0...", "0000"}},
  };
  for (int k = 0; k < 3; ++k)
    for (const auto& [ch, rows] : font)
      if (ch == word[k]) Paint(img, 1 + k * 5, 10, {rows[0], rows[1], rows[2], rows[3], rows[4]});
}

QImage InsBitmap() {
  QImage img = Indexed16();
  Paint(img, 3, 0, {"....b.....",
                    "....b...e.",
                    "...fbf....",
                    ".bbbfbbb..",
                    "...fbf....",
                    "....b..e..",
                    ".e..b.....",
                    "........e."});
  Letters(img, "INS");
  return img;
}

QImage DelBitmap() {
  QImage img = Indexed16();
  Paint(img, 4, 0, {"..888...",
                    "8888888.",
                    ".87f78..",
                    ".87878..",
                    ".87878..",
                    ".87878..",
                    "..888..."});
  Letters(img, "DEL");
  return img;
}

QImage HelpIcon() {
  return Draw16([](QPainter& p) {
    p.setPen(QPen(QColor(0x18, 0x30, 0x60), 1));
    p.setBrush(kBlue);
    p.drawEllipse(QPointF(8, 8), 7.2, 7.2);
    QFont f("DejaVu Sans");
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "?");
  });
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
  const std::pair<const char*, QImage> toolbar[] = {
      {"save-as", SaveAsIcon()},           {"reload", ReloadIcon()},
      {"marker-open", MarkerOpenIcon()},   {"marker-edit", MarkerEditIcon()},
      {"copy", CopyIcon()},                {"paste", ClipboardIcon(16)},
      {"zoom-rates", ZoomRatesIcon()},     {"sync-views", SyncViewsIcon()},
      {"resize", ResizeIcon()},            {"gamma", GammaIcon()},
      {"separate-ycc", SeparateYccIcon()}, {"jpeg-preview", JpegPreviewIcon()},
      {"comment-edit", CommentEditIcon()}, {"comment-toggle", CommentToggleIcon()},
      {"dqt-toggle", DqtToggleIcon()},     {"dqt-edit", DqtEditIcon()},
      {"png-gamma", PngGammaIcon()},       {"png-transparent", PngTransparentIcon()},
      {"exif-window", ExifWindowIcon()},   {"bulk-filter", BulkFilterIcon()},
      {"settings", SettingsIcon()},        {"help", HelpIcon()},
  };
  for (const auto& [name, img] : toolbar) Save(img, QString("toolbar/%1.png").arg(name));
  Save(InsBitmap(), "bitmaps/comment-ins.png");
  Save(DelBitmap(), "bitmaps/comment-del.png");
  return 0;
}
