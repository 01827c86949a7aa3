#include "platform/ui/HelpWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace qv {
namespace {

QPointer<CHelpWindow>& Instance() {
  static QPointer<CHelpWindow> window;
  return window;
}

} // namespace

const char* CHelpWindow::TopicTitle(int topic) {
  switch (topic) {
  case 1000: return "Quorvex";
  case 1301: return "Settings: general page";
  case 1302: return "Settings: comment page";
  case 1303: return "Settings: JPEG page";
  case 1304: return "Settings: PNG page";
  case 1310: return "Comment edit";
  case 1311: return "PNG save options";
  case 1312: return "Gamma and brightness";
  case 1510: return "Custom quantization tables";
  case 1700: return "Batch Convert";
  case 1800:
  case 1802:
  case 1803: return "JPEG bulk filter";
  case 1900: return "Marker edit";
  default: return "";
  }
}

CHelpWindow::CHelpWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::NonModal);
  setWindowTitle(QString::fromLatin1(kHelpWindowCaption));
  m_pTitle = new QLabel(this);
  QFont bold = m_pTitle->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  m_pTitle->setFont(bold);
  m_pText = new QLabel(this);
  m_pText->setWordWrap(true);
  m_pText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_pText->setMinimumWidth(320);
  m_pSearch = new QPushButton(tr("&Search"), this);
  m_pSearch->setAutoDefault(false);
  connect(m_pSearch, &QPushButton::clicked, this, [this] { Show(0); });
  m_pClose = new QPushButton(tr("Close"), this);
  m_pClose->setDefault(true);
  connect(m_pClose, &QPushButton::clicked, this, &QWidget::close);
  auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(esc, &QShortcut::activated, this, &QWidget::close);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pSearch);
  buttons->addStretch(1);
  buttons->addWidget(m_pClose);
  auto* column = new QVBoxLayout(this);
  column->addWidget(m_pTitle);
  column->addWidget(m_pText, 1);
  column->addLayout(buttons);
}

CHelpWindow* CHelpWindow::For(QWidget* from) {
  QWidget* owner = from ? from->window() : nullptr;
  QPointer<CHelpWindow>& window = Instance();
  // A window made for another owner would be blocked by, or die with, it.
  if (window && window->parentWidget() != owner) {
    window->close();
    window = nullptr;
  }
  if (!window) window = new CHelpWindow(owner);
  return window;
}

CHelpWindow* CHelpWindow::ShowTopic(QWidget* from, int topic) {
  CHelpWindow* w = For(from);
  w->Show(topic);
  return w;
}

CHelpWindow* CHelpWindow::ShowSearch(QWidget* from) {
  CHelpWindow* w = For(from);
  w->Show(0);
  return w;
}

CHelpWindow* CHelpWindow::Current() { return Instance().data(); }

void CHelpWindow::Show(int topic) {
  m_nTopic = topic;
  const QString section = QString::fromLatin1(kHelpReadmeSection);
  m_pSearch->setEnabled(topic != 0);
  if (topic == 0) {
    m_pTitle->setText(tr("Help search"));
    m_pText->setText(tr("Search the README, section \"%1\", for the command's name.").arg(section));
  } else {
    const QString title = QString::fromLatin1(TopicTitle(topic));
    m_pTitle->setText(title.isEmpty() ? tr("Help topic %1").arg(topic) : tr("Help topic %1: %2").arg(topic).arg(title));
    m_pText->setText(tr("The program's windows and commands are described in the README, section \"%1\".").arg(section));
  }
  adjustSize();
  show();
  raise();
  activateWindow();
}

QString CHelpWindow::Text() const { return m_pTitle->text() + QLatin1Char('\n') + m_pText->text(); }

void ShowHelpTopic(int topic) {
  QWidget* from = QApplication::activeModalWidget();
  if (!from) from = QApplication::activeWindow();
  CHelpWindow::ShowTopic(from, topic);
}

} // namespace qv
