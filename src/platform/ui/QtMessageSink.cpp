#include "platform/ui/QtMessageSink.h"

#include <QMessageBox>
#include <QPointer>

namespace qv {
namespace {

QMessageBox::Icon IconOf(unsigned style) {
  switch (style & 0xF0u) {
  case MB_ICONSTOP: return QMessageBox::Critical;
  case MB_ICONQUESTION: return QMessageBox::Question;
  case MB_ICONEXCLAMATION: return QMessageBox::Warning;
  case MB_ICONINFORMATION: return QMessageBox::Information;
  default: return QMessageBox::NoIcon;
  }
}

QMessageBox::StandardButtons ButtonsOf(unsigned style) {
  switch (style & 0x0Fu) {
  case MB_OKCANCEL: return QMessageBox::Ok | QMessageBox::Cancel;
  case MB_YESNOCANCEL: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  case MB_YESNO: return QMessageBox::Yes | QMessageBox::No;
  default: return QMessageBox::Ok;
  }
}

int AnswerOf(int button) {
  switch (button) {
  case QMessageBox::Ok: return IDOK;
  case QMessageBox::Yes: return IDYES;
  case QMessageBox::No: return IDNO;
  default: return IDCANCEL;
  }
}

} // namespace

int CQtMessageSink::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  // An empty caption is the program's name, as the platform's boxes had it.
  const QString title = caption.empty() ? QStringLiteral("Quorvex") : QString::fromStdString(caption);
  QMessageBox box(IconOf(style), title, QString::fromStdString(text), ButtonsOf(style), m_owner);
  box.setTextFormat(Qt::PlainText);
  // The second button of Yes/No(/Cancel) is No, of OK/Cancel Cancel.
  if (style & MB_DEFBUTTON2)
    box.setDefaultButton((style & 0x0Fu) == MB_OKCANCEL ? QMessageBox::Cancel : QMessageBox::No);
  const int button = box.exec();
  return AnswerOf(button);
}

} // namespace qv
