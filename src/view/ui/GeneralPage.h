#pragma once
// Page 144 "一般": the recent-file count and its clear, clipboard following,
// window position, half-tone stretching, fitting, dithering, saving at exit.
#include <functional>

#include "view/ui/SettingsPage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qv {

struct CSettings;

class CGeneralPage : public CSettingsPage {
public:
  // clearRecent: button 1011; screenDepth decides whether box 1016 is usable.
  CGeneralPage(QWidget* parent, CSettings& settings, std::function<void()> clearRecent, int screenDepth);

  void OnInitDialog() override;
  void OnOK() override;

  QLineEdit* MaxMruEdit() const { return m_pMaxMru; }
  QPushButton* ClearRecentButton() const { return m_pClearRecent; }
  QCheckBox* AutoClipboardBox() const { return m_pClipboard; }
  QCheckBox* RestoreWindowBox() const { return m_pRestoreWindow; }
  QCheckBox* HalftoneBox() const { return m_pHalftone; }
  QCheckBox* AutoFitBox() const { return m_pAutoFit; }
  QCheckBox* DitherBox() const { return m_pDither; }
  QCheckBox* SaveConfigBox() const { return m_pSaveConfig; }

private:
  CSettings& m_settings;
  std::function<void()> m_clearRecent;
  int m_nScreenDepth;
  QLineEdit* m_pMaxMru = nullptr;         // 1010
  QPushButton* m_pClearRecent = nullptr;  // 1011
  QCheckBox* m_pClipboard = nullptr;      // 1012
  QCheckBox* m_pRestoreWindow = nullptr;  // 1013
  QCheckBox* m_pHalftone = nullptr;       // 1014
  QCheckBox* m_pAutoFit = nullptr;        // 1017
  QCheckBox* m_pDither = nullptr;         // 1016
  QCheckBox* m_pSaveConfig = nullptr;     // 1015
};

} // namespace qv
