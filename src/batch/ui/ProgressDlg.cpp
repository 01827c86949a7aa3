#include "batch/ui/ProgressDlg.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#if QUORVEX_HAVE_XCB
#include <cstdlib>
#include <cstring>

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#endif

namespace qv {
namespace {

const char kConverting[] = "Converting...";
const char kAbort[] = "&Abort";

#if QUORVEX_HAVE_XCB
xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  const xcb_atom_t atom = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
  std::free(reply);
  return atom;
}
#endif

// Qt hands an empty title to X11 as the program's name, and the window
// manager shows that; the dialog's caption is empty, so both names the
// window manager reads are written empty after Qt.
void ClearNativeCaption(QWidget* dialog) {
#if QUORVEX_HAVE_XCB
  if (QGuiApplication::platformName() != QLatin1String("xcb")) return;
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* c = x11 ? x11->connection() : nullptr;
  if (!c || !dialog->windowTitle().isEmpty() || !dialog->testAttribute(Qt::WA_WState_Created)) return;
  const auto id = static_cast<xcb_window_t>(dialog->winId());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, Atom(c, "_NET_WM_NAME"), Atom(c, "UTF8_STRING"), 8, 0, nullptr);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(c);
#else
  (void)dialog;
#endif
}

} // namespace

// A caption bar and a frame, no buttons in it: Abort is the way out.
CProgressDlg::CProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setWindowTitle(QString());
  setModal(false);
  m_pTitle = new QLabel(QString::fromLatin1(kConverting), this);
  m_pTitle->setObjectName(QStringLiteral("1401"));
  m_pCounter = new QLabel(this);
  m_pCounter->setObjectName(QStringLiteral("1402"));
  m_pCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_pBar = new QProgressBar(this);
  m_pBar->setObjectName(QStringLiteral("1404"));
  m_pBar->setTextVisible(false);
  m_pFile = new QLabel(this);
  m_pFile->setObjectName(QStringLiteral("1403"));
  m_pFile->setTextFormat(Qt::PlainText);
  m_pAbort = new QPushButton(QString::fromLatin1(kAbort), this);
  m_pAbort->setDefault(true);
  connect(m_pAbort, &QPushButton::clicked, this, &CProgressDlg::OnAbort);

  auto* grid = new QGridLayout(this);
  grid->addWidget(m_pTitle, 0, 0);
  grid->addWidget(m_pCounter, 0, 1);
  grid->addWidget(m_pBar, 1, 0, 1, 2);
  grid->addWidget(m_pFile, 2, 0, 1, 2);
  grid->addWidget(m_pAbort, 3, 0, 1, 2, Qt::AlignHCenter);
  // 187 x 75 dialog units.
  resize(280, 122);
}

void CProgressDlg::CentreOver(QWidget* window) {
  QRect over;
  if (window)
    over = window->frameGeometry();
  else if (QScreen* s = QGuiApplication::primaryScreen())
    over = s->geometry();
  const QRect me = frameGeometry();
  move(over.x() + (over.width() - me.width()) / 2, over.y() + (over.height() - me.height()) / 2);
}

void CProgressDlg::SetRange(int total) {
  m_pBar->setRange(0, qBound(0, total, 65535));
  m_pBar->setValue(0);
}

void CProgressDlg::SetFileName(const std::string& name) { m_pFile->setText(QString::fromStdString(name)); }

void CProgressDlg::SetCounter(const std::string& text) { m_pCounter->setText(QString::fromStdString(text)); }

void CProgressDlg::StepIt() {
  if (m_pBar->value() < m_pBar->maximum()) m_pBar->setValue(m_pBar->value() + 1);
}

void CProgressDlg::ShowAgain() {
  setAttribute(Qt::WA_ShowWithoutActivating);
  if (!isVisible()) show();
}

void CProgressDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  ClearNativeCaption(this);
}

void CProgressDlg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange) ClearNativeCaption(this);
}

void CProgressDlg::SetTitleLine(const QString& text) { m_pTitle->setText(text); }

void CProgressDlg::OnAbort() {
  m_bAbort = true;  // never cleared
  hide();
}

} // namespace qv
