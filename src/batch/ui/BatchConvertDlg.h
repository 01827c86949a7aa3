#pragma once
// The Batch Convert dialog: input folder and its ticked, ordered files,
// output folder, first sequence number, size and quality. Its OK runs the
// checks of CheckBatchDialog and hands back the run.
#include <QDialog>

#include "batch/BatchSettings.h"

class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace qv {

class CConverterApp;

class CBatchConvertDlg : public QDialog {
  Q_OBJECT
public:
  CBatchConvertDlg(CConverterApp& app, QWidget* parent = nullptr);

  // After OK: true when a run is to start, with its request.
  bool HasRun() const { return m_bRun; }
  const BatchRunRequest& Request() const { return m_request; }
  const CBatchSettings& Fields() const { return m_fields; }

  // The controls, for the tests.
  QLineEdit* InputEdit() const { return m_pSrc; }
  QLineEdit* OutputEdit() const { return m_pDst; }
  QLineEdit* SeqEdit() const { return m_pSeq; }
  QListWidget* FileList() const { return m_pList; }
  QScrollBar* QualityBar() const { return m_pQuality; }
  QLabel* QualityText() const { return m_pQualityText; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* DefaultButton() const { return m_pDefault; }

  // The up-down control: moves the selected entry one place.
  void MoveSelected(bool up);
  void FillFileList(const QString& dir);

  void accept() override;

private:
  // Each builds one group and connects its own controls; called in tab
  // order.
  QGroupBox* MakeInputGroup();
  QGroupBox* MakeOutputGroup();
  QGroupBox* MakeSeqGroup();
  QGroupBox* MakeSizeGroup();
  QGroupBox* MakeQualityGroup();
  QHBoxLayout* MakeButtonRow();
  // The fields as the settings file has them.
  void ShowSavedFields();

  void OnDefault();
  void Browse(QLineEdit* edit, const char* title);
  BatchDialogValues ReadValues() const;

  CConverterApp& m_app;
  CBatchSettings m_fields;
  BatchRunRequest m_request;
  bool m_bRun = false;
  QLineEdit* m_pSrc = nullptr;     // 1203
  QLineEdit* m_pDst = nullptr;     // 1205
  QLineEdit* m_pSeq = nullptr;     // 1120
  QLineEdit* m_pWidth = nullptr;   // 1200
  QLineEdit* m_pHeight = nullptr;  // 1201
  QListWidget* m_pList = nullptr;  // 1129
  QScrollBar* m_pQuality = nullptr;  // 1136
  QLabel* m_pQualityText = nullptr;  // 1140
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pDefault = nullptr;  // 1208
};

} // namespace qv
