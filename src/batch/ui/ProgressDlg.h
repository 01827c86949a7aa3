#pragma once
// The small modeless progress dialog of the long operations: what is being
// done, a counter, a bar, the current file and an Abort button whose flag
// the operation polls.
#include <QDialog>

#include "batch/BatchEngine.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace qv {

class CProgressDlg : public QDialog, public IBatchProgress {
  Q_OBJECT
public:
  explicit CProgressDlg(QWidget* parent = nullptr);

  // Puts the dialog's centre on the window's centre (odd halves toward zero).
  void CentreOver(QWidget* window);

  void SetRange(int total) override;
  void SetFileName(const std::string& name) override;
  void SetCounter(const std::string& text) override;
  void StepIt() override;
  bool AbortRequested() const override { return m_bAbort; }
  void ShowAgain() override;

  void SetTitleLine(const QString& text);
  QLabel* TitleLine() const { return m_pTitle; }
  QLabel* CounterLine() const { return m_pCounter; }
  QLabel* FileLine() const { return m_pFile; }
  QProgressBar* Bar() const { return m_pBar; }
  QPushButton* AbortButton() const { return m_pAbort; }

protected:
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

private:
  void OnAbort();

  QLabel* m_pTitle = nullptr;     // 1401
  QLabel* m_pCounter = nullptr;   // 1402
  QLabel* m_pFile = nullptr;      // 1403
  QProgressBar* m_pBar = nullptr; // 1404
  QPushButton* m_pAbort = nullptr;
  bool m_bAbort = false;
};

} // namespace qv
