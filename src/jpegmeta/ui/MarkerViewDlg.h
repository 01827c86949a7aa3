#pragma once
// The JPEG marker view (dialog 152): the records of a JPEG or PNG file as a
// tree, the selected record as hex text with the item's bytes selected, the
// quantization tables 0 and 1 as pictures, and for JPEG files the edits and
// their write-back. The logic is CMarkerEditForm's; the dialog moves records
// between it, the tree and the hex edit.
#include <functional>
#include <string>

#include <QDialog>

#include "jpegmeta/MarkerEditForm.h"
#include "jpegmeta/MarkerTree.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qv {

class CDqtPreview;
class IMessageSink;

class CMarkerViewDlg : public QDialog {
  Q_OBJECT
public:
  using HelpHandler = std::function<void(int topic)>;

  // The file is read at once; tempDir takes the temporary file of a save.
  CMarkerViewDlg(QWidget* parent, const std::string& path, IMessageSink& sink, std::string tempDir,
                 HelpHandler help = {});
  ~CMarkerViewDlg() override;

  const CMarkerEditForm& Form() const { return m_form; }
  QTreeWidget* Tree() const { return m_pTree; }
  QPlainTextEdit* HexEdit() const { return m_pHex; }
  QPushButton* InsButton() const { return m_pIns; }
  QPushButton* DelButton() const { return m_pDel; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* CancelButton() const { return m_pCancel; }
  QPushButton* SaveButton() const { return m_pSave; }
  QPushButton* CloseButton() const { return m_pClose; }
  QPushButton* HelpButton() const { return m_pHelp; }
  CDqtPreview* TablePicture(int k) const { return m_apPreview[k]; }
  CDqtPreview* ColourScale() const { return m_pScale; }
  QLabel* QfLabel(int k) const { return m_apQf[k]; }

  bool IsEdited() const { return m_bEdited; }
  const CJpegSegment* ShownRecord() const { return m_pShown; }
  // Whether the last record shown was filled in with the edit hidden.
  bool LastFillHidden() const { return m_bLastFillHidden; }
  // The record and byte range an item stands for.
  static MarkerItem ItemOf(const QTreeWidgetItem* item);

private:
  void BuildLayout();
  void BuildTree();
  // The items of one record at `index` among the top-level items.
  QTreeWidgetItem* AddRecordItems(const MarkerNode& node, int index);
  void ShowPictures(const CJpegSegment& rec);
  void ShowItem(QTreeWidgetItem* item);
  void ShowRecord(const CJpegSegment* rec);
  void SelectBytes(const MarkerItem& item);
  QTreeWidgetItem* SelectedRecordItem() const;
  void SetEdited(bool on);
  void UpdateButtons();

  void OnTextChanged();
  void OnOk();
  void OnCancel();
  void OnIns();
  void OnDel();
  void OnSave();

  CMarkerEditForm m_form;
  IMessageSink& m_sink;
  std::string m_tempDir;
  HelpHandler m_help;
  bool m_bEdited = false;
  const CJpegSegment* m_pShown = nullptr;
  bool m_bLastFillHidden = false;
  int m_bUpdating = 0;

  QTreeWidget* m_pTree = nullptr;       // 1133
  QPlainTextEdit* m_pHex = nullptr;     // 1131
  QPushButton* m_pIns = nullptr;        // 1136
  QPushButton* m_pDel = nullptr;        // 1137
  QPushButton* m_pOk = nullptr;         // 1134
  QPushButton* m_pCancel = nullptr;     // 1135
  QPushButton* m_pSave = nullptr;       // 1138
  QPushButton* m_pClose = nullptr;      // 2
  QPushButton* m_pHelp = nullptr;       // 1299
  CDqtPreview* m_apPreview[2] = {};     // in 1139, 1140
  CDqtPreview* m_pScale = nullptr;      // in 1105
  QLabel* m_apQf[2] = {};               // 1141, 1142
};

// Runs the dialog modally on a path; 1 when it saved the file (the caller
// reloads it), else 0.
int RunMarkerViewDialog(QWidget* parent, const std::string& path, IMessageSink& sink, const std::string& tempDir,
                        CMarkerViewDlg::HelpHandler help = {});

} // namespace qv
