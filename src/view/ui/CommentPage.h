#pragma once
// Page 147 "コメント": the default comment file and whether it is attached,
// and the character sets comments are read and written with.
#include "view/ui/SettingsPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qv {

class CConverterApp;

class CCommentPage : public CSettingsPage {
public:
  CCommentPage(QWidget* parent, CConverterApp& app);

  void OnInitDialog() override;
  // Also reads the default comment again from the file named.
  void OnOK() override;

  QLineEdit* FileEdit() const { return m_pFile; }
  QPushButton* BrowseButton() const { return m_pBrowse; }
  QCheckBox* DefaultCommentBox() const { return m_pDefaultComment; }
  QCheckBox* AutoReadBox() const { return m_pAutoRead; }
  QComboBox* ReadCharsetList() const { return m_pReadCharset; }
  QCheckBox* AutoWriteBox() const { return m_pAutoWrite; }
  QComboBox* WriteCharsetList() const { return m_pWriteCharset; }

private:
  void OnBrowse();
  void UpdateEnabling();

  CConverterApp& m_app;
  QLineEdit* m_pFile = nullptr;            // 1004
  QPushButton* m_pBrowse = nullptr;        // 1003
  QCheckBox* m_pDefaultComment = nullptr;  // 1005
  QCheckBox* m_pAutoRead = nullptr;        // 1024
  QComboBox* m_pReadCharset = nullptr;     // 1025
  QCheckBox* m_pAutoWrite = nullptr;       // 1026
  QComboBox* m_pWriteCharset = nullptr;    // 1027
};

} // namespace qv
