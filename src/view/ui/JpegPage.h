#pragma once
// Page 145 "JPEG": the folder for intermediate files, the JFIF density, the
// restart markers and the custom quantization tables.
#include <functional>
#include <vector>

#include "view/DqtForm.h"
#include "view/ui/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qv {

class CConverterApp;

class CJpegPage : public CSettingsPage {
public:
  // documents: the DQT dialog's import list; help: its Help button.
  CJpegPage(QWidget* parent, CConverterApp& app, std::vector<DqtSource> documents,
            std::function<void(int topic)> help);

  void OnInitDialog() override;
  void OnOK() override;

  QLineEdit* TempDirEdit() const { return m_pTempDir; }
  QPushButton* BrowseButton() const { return m_pBrowse; }
  QLineEdit* ResolutionHEdit() const { return m_pResolutionH; }
  QLineEdit* ResolutionVEdit() const { return m_pResolutionV; }
  QComboBox* UnitList() const { return m_pUnit; }
  QCheckBox* RstBox() const { return m_pRst; }
  QCheckBox* CustomDqtBox() const { return m_pCustomDqt; }
  QPushButton* DqtButton() const { return m_pDqt; }

private:
  void OnBrowse();
  // Button 1309: the DQT dialog on a copy of the application's tables; its
  // OK replaces them at once and marks them for the DQT file.
  void OnDqt();

  CConverterApp& m_app;
  std::vector<DqtSource> m_documents;
  std::function<void(int)> m_help;
  QLineEdit* m_pTempDir = nullptr;      // 1002
  QPushButton* m_pBrowse = nullptr;     // 1001
  QLineEdit* m_pResolutionH = nullptr;  // 1020
  QLineEdit* m_pResolutionV = nullptr;  // 1021
  QComboBox* m_pUnit = nullptr;         // 1022
  QCheckBox* m_pRst = nullptr;          // 1023
  QCheckBox* m_pCustomDqt = nullptr;    // 1308
  QPushButton* m_pDqt = nullptr;        // 1309
};

} // namespace qv
