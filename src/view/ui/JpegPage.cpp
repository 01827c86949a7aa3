#include "view/ui/JpegPage.h"

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ConverterApp.h"
#include "view/SettingsPages.h"
#include "view/ui/DqtDlg.h"
#include "view/ui/PageControls.h"

namespace qv {

using namespace page;

CJpegPage::CJpegPage(QWidget* parent, CConverterApp& app, std::vector<DqtSource> documents,
                     std::function<void(int)> help)
    : CSettingsPage(parent, kJpegHelpTopic), m_app(app), m_documents(std::move(documents)),
      m_help(std::move(help)) {
  auto* group = new QGroupBox(U(kJpegGroup), this);
  auto* tempLabel = new QLabel(U(kTempDirLabel), group);
  m_pTempDir = Edit(group, 1002);
  tempLabel->setBuddy(m_pTempDir);
  m_pBrowse = Button(group, 1001, kTempDirBrowse);
  auto* resLabel = new QLabel(U(kResolutionLabel), group);
  m_pResolutionH = Edit(group, 1020);
  m_pResolutionV = Edit(group, 1021);
  m_pResolutionH->setFixedWidth(64);
  m_pResolutionV->setFixedWidth(64);
  resLabel->setBuddy(m_pResolutionH);
  m_pUnit = DropList(group, 1022);
  for (const char* unit : kResolutionUnits) m_pUnit->addItem(U(unit));
  m_pRst = Check(group, 1023, kRstBox);
  m_pCustomDqt = Check(group, 1308, kCustomDqtBox);
  m_pDqt = Button(group, 1309, kDqtButton);

  auto* tempRow = new QHBoxLayout;
  tempRow->addWidget(m_pTempDir, 1);
  tempRow->addWidget(m_pBrowse);
  auto* resRow = new QHBoxLayout;
  resRow->addWidget(resLabel);
  resRow->addWidget(m_pResolutionH);
  resRow->addWidget(new QLabel(U(kResolutionBy), group));
  resRow->addWidget(m_pResolutionV);
  resRow->addWidget(m_pUnit);
  resRow->addStretch(1);
  auto* dqtRow = new QHBoxLayout;
  dqtRow->addWidget(m_pCustomDqt);
  dqtRow->addStretch(1);
  dqtRow->addWidget(m_pDqt);
  auto* box = new QVBoxLayout(group);
  box->addWidget(tempLabel);
  box->addLayout(tempRow);
  box->addSpacing(8);
  box->addLayout(resRow);
  box->addWidget(m_pRst);
  box->addLayout(dqtRow);
  box->addStretch(1);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(group);

  connect(m_pBrowse, &QPushButton::clicked, this, &CJpegPage::OnBrowse);
  connect(m_pCustomDqt, &QCheckBox::clicked, this, [this](bool on) { m_pDqt->setEnabled(on); });
  connect(m_pDqt, &QPushButton::clicked, this, &CJpegPage::OnDqt);
}

void CJpegPage::OnInitDialog() {
  const JpegPageValues v = ReadJpegPage(m_app.m_settings);
  SetText(m_pTempDir, v.tempDir);
  SetText(m_pResolutionH, v.resolutionH);
  SetText(m_pResolutionV, v.resolutionV);
  m_pUnit->setCurrentIndex(v.resolutionUnit);
  SetCheck(m_pRst, v.includeRst);
  SetCheck(m_pCustomDqt, v.useCustomDqt);
  m_pDqt->setEnabled(v.useCustomDqt != 0);
}

void CJpegPage::OnBrowse() {
  // The folder browser, titled 214, from the folder in the edit.
  QFileDialog dlg(this, U(kTempDirTitle), QFile::decodeName(Text(m_pTempDir).c_str()));
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setOption(QFileDialog::ShowDirsOnly, true);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return;
  SetText(m_pTempDir, QFile::encodeName(dlg.selectedFiles().front()).toStdString());
}

void CJpegPage::OnDqt() {
  QuantTable tables[2] = {m_app.m_customDqt[0], m_app.m_customDqt[1]};
  if (!RunDqtDialog(this, m_app.Messages(), m_app.ConfigDir(), m_documents, tables, m_help)) return;
  m_app.m_customDqt[0] = tables[0];
  m_app.m_customDqt[1] = tables[1];
  m_app.m_bDqtModified = true;
}

void CJpegPage::OnOK() {
  JpegPageValues v;
  v.tempDir = Text(m_pTempDir);
  v.resolutionH = Text(m_pResolutionH);
  v.resolutionV = Text(m_pResolutionV);
  v.resolutionUnit = m_pUnit->currentIndex();
  v.includeRst = Checked(m_pRst);
  v.useCustomDqt = Checked(m_pCustomDqt);
  StoreJpegPage(v, m_app.m_settings);
}

} // namespace qv
