#include "view/ui/GeneralPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "app/Settings.h"
#include "view/SettingsPages.h"
#include "view/ui/PageControls.h"

namespace qv {

using namespace page;

CGeneralPage::CGeneralPage(QWidget* parent, CSettings& settings, std::function<void()> clearRecent,
                           int screenDepth)
    : CSettingsPage(parent, kGeneralHelpTopic), m_settings(settings), m_clearRecent(std::move(clearRecent)),
      m_nScreenDepth(screenDepth) {
  auto* group = new QGroupBox(U(kGeneralGroup), this);
  auto* label = new QLabel(U(kMaxMruLabel), group);
  m_pMaxMru = Edit(group, 1010);
  m_pMaxMru->setFixedWidth(48);
  label->setBuddy(m_pMaxMru);
  m_pClearRecent = Button(group, 1011, kClearRecentButton);
  m_pClipboard = Check(group, 1012, kAutoClipboardBox);
  m_pRestoreWindow = Check(group, 1013, kRestoreWindowBox);
  m_pHalftone = Check(group, 1014, kHalftoneBox);
  m_pAutoFit = Check(group, 1017, kAutoFitBox);
  m_pDither = Check(group, 1016, kDitherBox);
  m_pSaveConfig = Check(group, 1015, kSaveConfigBox);

  auto* mru = new QHBoxLayout;
  mru->addWidget(label);
  mru->addWidget(m_pMaxMru);
  mru->addStretch(1);
  mru->addWidget(m_pClearRecent);
  auto* box = new QVBoxLayout(group);
  box->addLayout(mru);
  for (QCheckBox* c : {m_pClipboard, m_pRestoreWindow, m_pHalftone, m_pAutoFit, m_pDither, m_pSaveConfig})
    box->addWidget(c);
  box->addStretch(1);
  auto* outer = new QVBoxLayout(this);
  outer->addWidget(group);

  // The clear acts at once, whatever the sheet ends with.
  connect(m_pClearRecent, &QPushButton::clicked, this, [this] {
    if (m_clearRecent) m_clearRecent();
  });
}

void CGeneralPage::OnInitDialog() {
  const GeneralPageValues v = ReadGeneralPage(m_settings);
  m_pMaxMru->setText(QString::fromStdString(v.maxMru));
  SetCheck(m_pClipboard, v.autoUpdateClipboard);
  SetCheck(m_pRestoreWindow, v.restoreWindowPos);
  SetCheck(m_pHalftone, v.halftone);
  SetCheck(m_pAutoFit, v.autoFitting);
  SetCheck(m_pDither, v.ditherFor16bit);
  SetCheck(m_pSaveConfig, v.saveConfig);
  // Disabled but still showing the stored value.
  m_pDither->setEnabled(DitherBoxEnabled(m_nScreenDepth));
}

void CGeneralPage::OnOK() {
  GeneralPageValues v;
  v.maxMru = Text(m_pMaxMru);
  v.autoUpdateClipboard = Checked(m_pClipboard);
  v.restoreWindowPos = Checked(m_pRestoreWindow);
  v.halftone = Checked(m_pHalftone);
  v.autoFitting = Checked(m_pAutoFit);
  v.ditherFor16bit = Checked(m_pDither);
  v.saveConfig = Checked(m_pSaveConfig);
  StoreGeneralPage(v, m_settings);
}

} // namespace qv
