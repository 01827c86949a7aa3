#include "view/ui/CommentPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/ConverterApp.h"
#include "platform/ui/FileDialog.h"
#include "view/SettingsPages.h"
#include "view/ui/PageControls.h"

namespace qv {

using namespace page;

CCommentPage::CCommentPage(QWidget* parent, CConverterApp& app)
    : CSettingsPage(parent, kCommentHelpTopic), m_app(app) {
  auto* group = new QGroupBox(U(kCommentGroup), this);
  auto* fileLabel = new QLabel(U(kCommentFileLabel), group);
  m_pFile = Edit(group, 1004);
  fileLabel->setBuddy(m_pFile);
  m_pBrowse = Button(group, 1003, kCommentBrowse);
  m_pDefaultComment = Check(group, 1005, kDefaultCommentBox);
  m_pAutoRead = Check(group, 1024, kAutoReadBox);
  m_pReadCharset = DropList(group, 1025);
  m_pAutoWrite = Check(group, 1026, kAutoWriteBox);
  m_pWriteCharset = DropList(group, 1027);
  for (const std::string& name : CharsetChoices()) {
    m_pReadCharset->addItem(QString::fromStdString(name));
    m_pWriteCharset->addItem(QString::fromStdString(name));
  }
  auto* readLabel = new QLabel(U(kReadCharsetLabel), group);
  readLabel->setBuddy(m_pReadCharset);

  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(m_pFile, 1);
  fileRow->addWidget(m_pBrowse);
  auto* charsets = new QGridLayout;
  charsets->addWidget(m_pAutoRead, 0, 0, 1, 3);
  charsets->addWidget(readLabel, 1, 1);
  charsets->addWidget(m_pReadCharset, 1, 2);
  charsets->addWidget(m_pAutoWrite, 2, 0, 1, 3);
  charsets->addWidget(m_pWriteCharset, 3, 2);
  charsets->setColumnMinimumWidth(0, 16);
  charsets->setColumnStretch(3, 1);
  auto* box = new QVBoxLayout(group);
  box->addWidget(fileLabel);
  box->addLayout(fileRow);
  box->addWidget(m_pDefaultComment);
  box->addSpacing(8);
  box->addLayout(charsets);
  box->addStretch(1);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(group);

  connect(m_pBrowse, &QPushButton::clicked, this, &CCommentPage::OnBrowse);
  connect(m_pAutoRead, &QCheckBox::clicked, this, &CCommentPage::UpdateEnabling);
  connect(m_pAutoWrite, &QCheckBox::clicked, this, &CCommentPage::UpdateEnabling);
}

void CCommentPage::OnInitDialog() {
  const CommentPageValues v = ReadCommentPage(m_app.m_settings);
  SetText(m_pFile, v.path);
  SetCheck(m_pDefaultComment, v.defaultComment);
  SetCheck(m_pAutoRead, v.autoReadCharset);
  m_pReadCharset->setCurrentIndex(v.readCharset);
  SetCheck(m_pAutoWrite, v.autoWriteCharset);
  m_pWriteCharset->setCurrentIndex(v.writeCharset);
  UpdateEnabling();
}

void CCommentPage::UpdateEnabling() {
  m_pReadCharset->setEnabled(!m_pAutoRead->isChecked());
  m_pWriteCharset->setEnabled(!m_pAutoWrite->isChecked());
}

void CCommentPage::OnBrowse() {
  CFileDialog dlg(CFileDialog::Open, kCommentFileFilter, this);
  dlg.SetTitle(kCommentFileTitle);
  dlg.SetFileName(Text(m_pFile));
  if (!dlg.Run()) return;  // a cancelled browser leaves the edit alone
  SetText(m_pFile, dlg.Path());
}

void CCommentPage::OnOK() {
  CommentPageValues v;
  v.path = Text(m_pFile);
  v.defaultComment = Checked(m_pDefaultComment);
  v.autoReadCharset = Checked(m_pAutoRead);
  v.readCharset = m_pReadCharset->currentIndex();
  v.autoWriteCharset = Checked(m_pAutoWrite);
  v.writeCharset = m_pWriteCharset->currentIndex();
  StoreCommentPage(v, m_app);
}

} // namespace qv
