#pragma once
// The custom quantization table dialog (resource 158): the two tables as
// pictures with their quality estimates, made from a quality, taken from
// an open JPEG document, or loaded from and saved to a DQT file. The logic
// is CDqtForm's; the dialog moves values between it and the controls.
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "view/DqtForm.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qv {

class CDqtPreview;
class IMessageSink;

class CDqtDialog : public QDialog {
  Q_OBJECT
public:
  // documents: the open documents (only the JPEG ones are listed); startDir:
  // where the file dialogs open; sink: the load and save errors; help:
  // shows a help topic, without it the Help button is disabled.
  CDqtDialog(QWidget* parent, IMessageSink& sink, std::string startDir, const std::vector<DqtSource>& documents,
             std::function<void(int topic)> help = {});

  // The caller's copy goes in before the dialog runs and comes back after OK.
  void SetTables(const QuantTable tables[2]);
  const QuantTable& Table(int k) const { return m_form.m_anTable[k & 1]; }
  int PendingTable() const { return m_form.m_nPendingTable; }
  // Refused keys and imports without a document.
  int Beeps() const { return m_nBeeps; }

  QLineEdit* QualityEdit(int k) const { return m_pQuality[k & 1]; }
  QPushButton* MakeButton(int k) const { return m_pMake[k & 1]; }
  QLabel* QualityLabel(int k) const { return m_pQf[k & 1]; }
  CDqtPreview* Preview(int k) const { return m_apPreview[k & 1]; }
  CDqtPreview* Scale() const { return m_pScale; }
  QComboBox* ImportList() const { return m_pImportList; }
  QPushButton* ImportButton() const { return m_pImport; }
  QPushButton* LoadButton() const { return m_pLoad; }
  QPushButton* SaveButton() const { return m_pSave; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* CancelButton() const { return m_pCancel; }
  QPushButton* HelpButton() const { return m_pHelp; }

  // Enter: the pending table is made and the dialog stays open.
  void OnEnter();

protected:
  void keyPressEvent(QKeyEvent* event) override;

private:
  QWidget* BuildTableGroup(int k);
  QWidget* BuildFileButtons();
  void ConnectControls();
  void Refresh(int k);
  void OnMake(int k);
  void OnImport();
  void OnLoad();
  void OnSave();
  void Beep();

  CDqtForm m_form;  // m_nPendingTable, m_anTable
  CDqtPreview* m_apPreview[2] = {};  // in frames 1139, 1140
  CDqtPreview* m_pScale = nullptr;   // in frame 1105
  IMessageSink& m_sink;
  std::string m_startDir;
  std::vector<DqtSource> m_sources;  // the list's items, in its order
  std::function<void(int)> m_help;
  int m_nBeeps = 0;
  QLineEdit* m_pQuality[2] = {};  // 1501, 1502
  QPushButton* m_pMake[2] = {};   // 1503, 1504
  QLabel* m_pQf[2] = {};          // 1141, 1142
  QComboBox* m_pImportList = nullptr;  // 1505
  QPushButton* m_pImport = nullptr;    // 1506
  QPushButton* m_pLoad = nullptr;      // 1507
  QPushButton* m_pSave = nullptr;      // 1508
  QPushButton* m_pOk = nullptr;        // 6
  QPushButton* m_pCancel = nullptr;    // 2
  QPushButton* m_pHelp = nullptr;      // 1299
};

// Runs the dialog on a copy of `tables`; true and the tables replaced
// after OK, false and the tables untouched after Cancel.
bool RunDqtDialog(QWidget* parent, IMessageSink& sink, const std::string& startDir,
                  const std::vector<DqtSource>& documents, QuantTable tables[2],
                  std::function<void(int topic)> help = {});

} // namespace qv
