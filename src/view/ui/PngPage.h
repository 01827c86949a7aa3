#pragma once
// Page 146 "PNG": transparency and gamma when reading, gamma when writing,
// the two gamma values and iTXt comments with their language.
#include "view/ui/SettingsPage.h"

class QCheckBox;
class QLineEdit;

namespace qv {

struct CSettings;

class CPngPage : public CSettingsPage {
public:
  CPngPage(QWidget* parent, CSettings& settings);

  void OnInitDialog() override;
  void OnOK() override;

  QCheckBox* TransparentOnLoadBox() const { return m_pTransparent; }
  QCheckBox* GammaOnLoadBox() const { return m_pGamma; }
  QCheckBox* DefaultGammaOnLoadBox() const { return m_pDefaultOnLoad; }
  QCheckBox* DefaultGammaOnSaveBox() const { return m_pDefaultOnSave; }
  QLineEdit* DefaultGammaEdit() const { return m_pDefaultGamma; }
  QLineEdit* ScreenGammaEdit() const { return m_pScreenGamma; }
  QCheckBox* ITxtBox() const { return m_pITxt; }
  QLineEdit* LanguageEdit() const { return m_pLanguage; }

private:
  void UpdateEnabling();

  CSettings& m_settings;
  QCheckBox* m_pTransparent = nullptr;    // 1040
  QCheckBox* m_pGamma = nullptr;          // 1030
  QCheckBox* m_pDefaultOnLoad = nullptr;  // 1032
  QCheckBox* m_pDefaultOnSave = nullptr;  // 1033
  QLineEdit* m_pDefaultGamma = nullptr;   // 1034
  QLineEdit* m_pScreenGamma = nullptr;    // 1035
  QCheckBox* m_pITxt = nullptr;           // 1036
  QLineEdit* m_pLanguage = nullptr;       // 1037
};

} // namespace qv
