#include "gui/AboutDlg.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

#include "gui/AppTexts.h"
#include "gui/Resources.h"

namespace qv {
namespace {

// The box was laid out in dialog units (203 x 65): about 1.5 pixels across
// and 1.6 down with the usual dialog font.
constexpr int kWidth = 305;
constexpr int kHeight = 106;

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(txt::kAboutCaption));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  // Black text on white for the box and every control; the link is blue.
  setStyleSheet(QStringLiteral("QDialog { background: white; } QLabel { color: black; background: white; }"
                               "QLabel#link { color: rgb(0, 0, 255); }"));

  auto* icon = new QLabel(this);
  icon->setPixmap(ResourceIcon(IDI_APPLICATION_ICON).pixmap(32, 32));
  icon->setFixedSize(32, 32);

  auto* product = new QLabel(QString::fromUtf8(txt::kAboutProduct), this);
  product->setAlignment(Qt::AlignCenter);
  product->setObjectName(QStringLiteral("product"));
  auto* version = new QLabel(QString::fromUtf8(txt::kAboutVersion), this);
  version->setAlignment(Qt::AlignCenter);
  version->setObjectName(QStringLiteral("version"));

  auto* picture = new QLabel(this);
  const QPixmap bitmap = ResourceBitmap(IDB_ABOUT);
  picture->setPixmap(bitmap);
  picture->setFixedSize(bitmap.size());
  picture->setObjectName(QStringLiteral("picture"));

  m_pLink = new QLabel(QString::fromUtf8(txt::kAboutLinkText), this);
  m_pLink->setObjectName(QStringLiteral("link"));
  QFont linkFont(QString::fromUtf8(txt::kAboutLinkFace));
  linkFont.setPixelSize(12);
  linkFont.setUnderline(true);
  m_pLink->setFont(linkFont);
  m_pLink->setCursor(ResourceCursor(IDC_LINK_HAND));
  m_pLink->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  m_pLink->setText(QStringLiteral("<a href=\"%1\" style=\"color: rgb(0,0,255)\">%2</a>")
                       .arg(QString::fromUtf8(txt::kAboutLinkUrl), QString::fromUtf8(txt::kAboutLinkText)));
  connect(m_pLink, &QLabel::linkActivated, this, [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); });
  m_pLink->setEnabled(false);
  m_pLink->hide();

  m_pOk = new QPushButton(QString::fromUtf8(txt::kAboutOk), this);
  m_pOk->setDefault(true);
  m_pOk->setAutoDefault(true);
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(10, 10, 10, 10);
  grid->setHorizontalSpacing(10);
  grid->setVerticalSpacing(4);
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(product, 0, 1);
  grid->addWidget(version, 1, 1);
  grid->addWidget(m_pOk, 0, 2, Qt::AlignTop);
  grid->addWidget(picture, 2, 1, Qt::AlignCenter);
  grid->addWidget(m_pLink, 3, 1, Qt::AlignCenter);
  grid->setColumnStretch(1, 1);
  setMinimumSize(kWidth, kHeight);
  setSizeGripEnabled(false);
}

} // namespace qv
