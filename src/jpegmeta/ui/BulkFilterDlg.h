#pragma once
// The bulk filter's settings dialog (154): source and destination folders,
// the log, the segment options and the file selection, with the APPn and
// Exif details dialogs. OK keeps the settings for the run without writing
// them; "この設定を保存" writes every key.
#include <functional>

#include <QDialog>

#include "jpegmeta/BulkFilterForm.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace qv {

class CConverterApp;

class CBulkFilterDlg : public QDialog {
  Q_OBJECT
public:
  // help: shows a help topic by its number; may be empty.
  CBulkFilterDlg(CConverterApp& app, QWidget* parent, std::function<void(int)> help = {});

  // The settings as the dialog holds them; after OK, the run's.
  const CBulkFilterSettings& Settings() const { return m_form.Settings(); }

  // The controls by their resource ids, for the tests.
  QLineEdit* Edit(int id) const;
  QCheckBox* Check(int id) const;
  QPushButton* Button(int id) const;

  void accept() override;

private:
  QWidget* MakeFolderRows();
  QWidget* MakeOptionRows();
  QWidget* MakeFileRows();
  QLineEdit* NewEdit(int id);
  QCheckBox* NewCheck(const char* text, int id);
  QPushButton* NewButton(const char* text, int id);
  void ShowValues(const BulkFilterDialogValues& values);
  BulkFilterDialogValues ReadValues() const;
  void UpdateEnables();
  bool PickFolder(QLineEdit* edit, const char* title);
  void OnBrowseLog();
  void OnAppnDetails();
  void OnExifDetails();
  void OnSaveSettings();

  CConverterApp& m_app;
  std::function<void(int)> m_help;
  CBulkFilterForm m_form;
};

} // namespace qv
