#pragma once
// The program's open and save dialogs: filters written as "text|patterns|...||",
// a remembered folder and a 1-based filter index (0 means the first filter).
#include <string>
#include <vector>

#include <QFileDialog>
#include <QPointer>
#include <QStringList>

class QWidget;

namespace qv {

// "JPEG file(*.jpg;*.jpeg)|*.jpg;*.jpeg||" -> {"JPEG file(*.jpg;*.jpeg) (*.jpg *.jpeg)"}: Qt's
// form, whose bracketed patterns the dialog applies and does not show.
QStringList NameFiltersFromList(const std::string& filterList);

class CFileDialog {
public:
  enum Mode { Open, OpenMultiple, Save };
  CFileDialog(Mode mode, const std::string& filterList, QWidget* parent);
  ~CFileDialog();
  CFileDialog(const CFileDialog&) = delete;
  CFileDialog& operator=(const CFileDialog&) = delete;

  void SetParent(QWidget* parent);
  void SetTitle(const std::string& title);
  void SetInitialDir(const std::string& dir);
  void SetFilterIndex(int index);
  void SetFileName(const std::string& name);

  // Runs the dialog modally; true for OK.
  bool Run();
  std::vector<std::string> Paths() const;
  std::string Path() const;
  // The folder the dialog was showing when it ended ("path name without
  // the file name").
  std::string Folder() const;
  int FilterIndex() const;

  QFileDialog* Dialog() const { return m_dialog.data(); }

private:
  // The parent window may delete the dialog first.
  QPointer<QFileDialog> m_dialog;
  QStringList m_filters;
};

} // namespace qv
