#pragma once
// The resize dialog: a new width and height for the current image, kept in
// the proportion of the opened size while the aspect box is checked. The
// logic is CResizeForm's; the dialog moves text between it and the edits.
#include <cstdint>

#include <QDialog>

#include "view/ResizeForm.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QWidget;

namespace qv {

class CImageDoc;

class CResizeDlg : public QDialog {
  Q_OBJECT
public:
  CResizeDlg(QWidget* parent, uint32_t width, uint32_t height);

  // After OK: the size entered (0 for an edit without a number).
  uint32_t Width() const { return m_form.m_nWidth; }
  uint32_t Height() const { return m_form.m_nHeight; }
  int LastEdited() const { return m_form.m_nLastEdited; }
  // Keys the number edits turned away.
  int Beeps() const { return m_nBeeps; }

  QLineEdit* WidthEdit() const { return m_pWidth; }
  QLineEdit* HeightEdit() const { return m_pHeight; }
  QCheckBox* AspectBox() const { return m_pAspect; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* CancelButton() const { return m_pCancel; }

  void accept() override;

private:
  QLineEdit* MakeNumberEdit();
  void Write(const ResizeEditWrite& write);
  void OnWidthChanged();
  void OnHeightChanged();
  void OnAspectClicked(bool checked);
  void Beep();

  CResizeForm m_form;
  int m_bUpdating = 0;
  int m_nBeeps = 0;
  QLineEdit* m_pWidth = nullptr;   // 1200
  QLineEdit* m_pHeight = nullptr;  // 1201
  QCheckBox* m_pAspect = nullptr;  // 1202
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pCancel = nullptr;
};

// Command 437 on a document: the dialog opened with the image's size; OK
// with another size resamples the image (under the wait cursor). Failures
// are reported through the document's message sink as "Resize" and leave
// the image as it was. Returns whether the image changed; the caller then
// marks the document modified and, when it was neither a conversion
// preview nor modified yet, gives it a new document id.
bool RunResizeDialog(QWidget* parent, CImageDoc& doc);

} // namespace qv
