#include "jpegmeta/ui/ExifInfoWnd.h"

#include <cstring>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "jpegmeta/Charset.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"

namespace qv {
namespace {

const char kCaption[] = "EXIF information";
const char kClose[] = "Close";

} // namespace

CExifInfoWnd::CExifInfoWnd(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromLatin1(kCaption));
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  for (int i = 0; i < EL_COUNT; ++i) {
    auto* line = new QLabel(this);
    line->setObjectName(QString::number(1084 + i));
    line->setTextFormat(Qt::PlainText);
    line->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    if (i == EL_DATE) line->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(line);
    m_pLines[i] = line;
  }
  m_pClose = new QPushButton(QString::fromLatin1(kClose), this);
  m_pClose->setObjectName(QStringLiteral("1089"));
  m_pClose->setAutoDefault(false);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(m_pClose);
  layout->addLayout(row);
  connect(m_pClose, &QPushButton::clicked, this, &CExifInfoWnd::closeRequested);
  // 163 x 89 dialog units.
  resize(260, 176);
  Fill(nullptr, 0);
}

void CExifInfoWnd::ShowBesideParent() {
  m_bCreating = true;
  setAttribute(Qt::WA_ShowWithoutActivating);
  AlignWithParent();
  show();
  // The window's frame (and so its outer width) is known only once the
  // window manager has framed it: it is aligned again as it moves until then.
  m_bAligning = true;
  AlignWithParent();
  // The window system tells of the activation later, if at all: the first
  // one, or none within half a second, ends the creation.
  QTimer::singleShot(500, this, [this] {
    m_bCreating = false;
    m_bAligning = false;
  });
}

void CExifInfoWnd::AlignWithParent() {
  QWidget* owner = parentWidget();
  if (!owner) return;
  // move() places the outer frame: its right edge on the owner's, its top
  // at the top of the owner's client area.
  const QRect outer = owner->frameGeometry();
  move(outer.x() + outer.width() - frameGeometry().width(), owner->geometry().y());
}

void CExifInfoWnd::Fill(const std::vector<uint8_t>* block) {
  if (block && !block->empty())
    Fill(block->data(), block->size());
  else
    Fill(nullptr, 0);
}

void CExifInfoWnd::Fill(const uint8_t* block, size_t size) {
  // Documents keep the APP1 payload; the reader wants the TIFF block.
  if (block && size >= 6 && std::memcmp(block, "Exif\0\0", 6) == 0) {
    block += 6;
    size -= 6;
  }
  CExifReader reader;
  const CExifReader* parsed = block && size > 0 && reader.Parse(block, size) ? &reader : nullptr;
  for (int i = 0; i < EL_COUNT; ++i)
    m_pLines[i]->setText(QString::fromStdString(InternalToUtf8(ExifInfoLine(parsed, i, EXIF_JAPANESE))));
}

void CExifInfoWnd::ShowDocument(const std::string& title, const std::vector<uint8_t>* exifBlock) {
  setWindowTitle(QString::fromStdString(title));
  Fill(exifBlock);
}

void CExifInfoWnd::closeEvent(QCloseEvent* event) {
  // The owner decides; it destroys the window as "Close" does.
  event->ignore();
  emit closeRequested();
}

void CExifInfoWnd::reject() { emit closeRequested(); }

bool CExifInfoWnd::event(QEvent* event) {
  // Being opened must not take the focus from the main window.
  if (event->type() == QEvent::WindowActivate && m_bCreating && parentWidget()) {
    m_bCreating = false;
    parentWidget()->activateWindow();
    return true;
  }
  // Decided before the base runs: a deferred delete ends this object there.
  const bool align = m_bAligning && (event->type() == QEvent::Move || event->type() == QEvent::Resize);
  const bool result = QDialog::event(event);
  if (align) AlignWithParent();
  return result;
}

} // namespace qv
