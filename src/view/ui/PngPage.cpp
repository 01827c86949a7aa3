#include "view/ui/PngPage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "view/SettingsPages.h"
#include "view/ui/PageControls.h"

namespace qv {

using namespace page;

CPngPage::CPngPage(QWidget* parent, CSettings& settings) : CSettingsPage(parent, kPngHelpTopic), m_settings(settings) {
  auto* group = new QGroupBox(U(kPngGroup), this);
  m_pTransparent = Check(group, 1040, kTransparentOnLoadBox);
  m_pGamma = Check(group, 1030, kGammaOnLoadBox);
  m_pDefaultOnLoad = Check(group, 1032, kDefaultGammaOnLoadBox);
  m_pDefaultOnSave = Check(group, 1033, kDefaultGammaOnSaveBox);
  auto* defaultLabel = new QLabel(U(kDefaultGammaLabel), group);
  m_pDefaultGamma = Edit(group, 1034);
  defaultLabel->setBuddy(m_pDefaultGamma);
  auto* screenLabel = new QLabel(U(kScreenGammaLabel), group);
  m_pScreenGamma = Edit(group, 1035);
  screenLabel->setBuddy(m_pScreenGamma);
  m_pITxt = Check(group, 1036, kITxtBox);
  auto* langLabel = new QLabel(U(kITxtLangLabel), group);
  m_pLanguage = Edit(group, 1037);
  langLabel->setBuddy(m_pLanguage);
  for (QLineEdit* e : {m_pDefaultGamma, m_pScreenGamma, m_pLanguage}) e->setFixedWidth(96);

  auto* grid = new QGridLayout(group);
  grid->setColumnMinimumWidth(0, 16);
  grid->addWidget(m_pTransparent, 0, 0, 1, 3);
  grid->addWidget(m_pGamma, 1, 0, 1, 3);
  grid->addWidget(m_pDefaultOnLoad, 2, 1, 1, 2);
  grid->addWidget(m_pDefaultOnSave, 3, 0, 1, 3);
  grid->addWidget(defaultLabel, 4, 0, 1, 2);
  grid->addWidget(m_pDefaultGamma, 4, 2);
  grid->addWidget(screenLabel, 5, 0, 1, 2);
  grid->addWidget(m_pScreenGamma, 5, 2);
  grid->addWidget(m_pITxt, 6, 0, 1, 3);
  grid->addWidget(langLabel, 7, 1);
  grid->addWidget(m_pLanguage, 7, 2);
  grid->setColumnStretch(3, 1);
  grid->setRowStretch(8, 1);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(group);

  connect(m_pGamma, &QCheckBox::clicked, this, &CPngPage::UpdateEnabling);
  connect(m_pITxt, &QCheckBox::clicked, this, &CPngPage::UpdateEnabling);
}

void CPngPage::OnInitDialog() {
  const PngPageValues v = ReadPngPage(m_settings);
  SetCheck(m_pTransparent, v.transparentOnLoad);
  SetCheck(m_pGamma, v.gammaCorrection);
  SetCheck(m_pDefaultOnLoad, v.defaultGammaOnLoad);
  SetCheck(m_pDefaultOnSave, v.defaultGammaOnSave);
  SetText(m_pDefaultGamma, v.defaultGamma);
  SetText(m_pScreenGamma, v.screenGamma);
  SetCheck(m_pITxt, v.useITxt);
  SetText(m_pLanguage, v.iTxtLang);
  UpdateEnabling();
}

void CPngPage::UpdateEnabling() {
  m_pDefaultOnLoad->setEnabled(m_pGamma->isChecked());
  m_pLanguage->setEnabled(m_pITxt->isChecked());
}

void CPngPage::OnOK() {
  PngPageValues v;
  v.transparentOnLoad = Checked(m_pTransparent);
  v.gammaCorrection = Checked(m_pGamma);
  v.defaultGammaOnLoad = Checked(m_pDefaultOnLoad);
  v.defaultGammaOnSave = Checked(m_pDefaultOnSave);
  v.defaultGamma = Text(m_pDefaultGamma);
  v.screenGamma = Text(m_pScreenGamma);
  v.useITxt = Checked(m_pITxt);
  v.iTxtLang = Text(m_pLanguage);
  StorePngPage(v, m_settings);
}

} // namespace qv
