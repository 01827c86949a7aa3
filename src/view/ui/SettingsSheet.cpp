#include "view/ui/SettingsSheet.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/ConverterApp.h"
#include "view/SettingsPages.h"
#include "view/ui/CommentPage.h"
#include "view/ui/GeneralPage.h"
#include "view/ui/JpegPage.h"
#include "view/ui/PngPage.h"
#include "view/ui/SettingsPage.h"

namespace qv {

CSettingsSheet::CSettingsSheet(QWidget* parent, CConverterApp& app, SettingsSheetHost host)
    : QDialog(parent), m_host(std::move(host)) {
  setWindowTitle(QString::fromUtf8(kSheetCaption));
  m_pTabs = new QTabWidget(this);
  m_pGeneral = new CGeneralPage(m_pTabs, app.m_settings, m_host.clearRecent, m_host.screenDepth);
  m_pComment = new CCommentPage(m_pTabs, app);
  m_pJpeg = new CJpegPage(m_pTabs, app, m_host.documents, m_host.help);
  m_pPng = new CPngPage(m_pTabs, app.m_settings);
  m_pTabs->addTab(m_pGeneral, QString::fromUtf8(kGeneralTab));
  m_pTabs->addTab(m_pComment, QString::fromUtf8(kCommentTab));
  m_pTabs->addTab(m_pJpeg, QString::fromUtf8(kJpegTab));
  m_pTabs->addTab(m_pPng, QString::fromUtf8(kPngTab));

  auto* buttons = new QDialogButtonBox(this);
  m_pOk = buttons->addButton(QDialogButtonBox::Ok);
  m_pCancel = buttons->addButton(QDialogButtonBox::Cancel);
  m_pHelp = buttons->addButton(QString::fromUtf8(kSheetHelp), QDialogButtonBox::HelpRole);
  m_pHelp->setObjectName(QStringLiteral("57670"));
  m_pHelp->setEnabled(static_cast<bool>(m_host.help));
  m_pOk->setDefault(true);
  connect(m_pOk, &QPushButton::clicked, this, &CSettingsSheet::accept);
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_host.help) m_host.help(Page(m_pTabs->currentIndex())->HelpTopic());
  });

  auto* box = new QVBoxLayout(this);
  box->addWidget(m_pTabs);
  box->addWidget(buttons);

  // A page is filled the first time it is shown, as a property page is
  // created when first activated.
  m_pGeneral->InitOnce();
  connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int index) {
    if (CSettingsPage* page = Page(index)) page->InitOnce();
  });
}

CSettingsSheet::~CSettingsSheet() = default;

CSettingsPage* CSettingsSheet::Page(int index) const {
  return dynamic_cast<CSettingsPage*>(m_pTabs->widget(index));
}

void CSettingsSheet::accept() {
  for (int i = 0; i < m_pTabs->count(); ++i) {
    CSettingsPage* page = Page(i);
    if (page && page->WasShown()) page->OnOK();
  }
  QDialog::accept();
}

void RunSettingsSheet(QWidget* parent, CConverterApp& app, SettingsSheetHost host) {
  CSettingsSheet sheet(parent, app, std::move(host));
  (void)sheet.exec();
}

} // namespace qv
