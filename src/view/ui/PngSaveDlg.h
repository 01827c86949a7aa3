#pragma once
// The PNG save options dialog, shown by Save As before a PNG is written:
// format and colour count, interlacing, the transparent colour and the
// gamma value to embed. OK writes the choices into the document (see
// view/PngSaveForm.h); Cancel aborts the save.
#include <cstdint>
#include <functional>

#include <QDialog>

#include "view/PngSaveForm.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qv {

class CImageDoc;

class CPngSaveDialog : public QDialog {
  Q_OBJECT
public:
  // help: shows a help topic; without it the Help button is disabled.
  explicit CPngSaveDialog(QWidget* parent, std::function<void(int topic)> help = {});

  // Before exec: the document being saved; the controls take its values.
  void SetDocument(CImageDoc* doc);

  // The transparent colour being edited: blue, green, red.
  const uint8_t* TransparentColor() const { return m_abTransparent; }
  QComboBox* ModeList() const { return m_pMode; }
  QCheckBox* InterlaceBox() const { return m_pInterlace; }
  QCheckBox* TransparentBox() const { return m_pTransparent; }
  QPushButton* ColorButton() const { return m_pColor; }
  QCheckBox* GammaBox() const { return m_pGamma; }
  QLineEdit* GammaEdit() const { return m_pGammaEdit; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* HelpButton() const { return m_pHelp; }

  void accept() override;

private:
  void BuildControls();
  void FollowChecks();
  void ShowColor();
  void OnChooseColor();

  uint8_t m_abTransparent[3]{};  // blue, green, red
  CImageDoc* m_pDoc = nullptr;
  std::function<void(int)> m_help;
  QComboBox* m_pMode = nullptr;         // 1042
  QCheckBox* m_pInterlace = nullptr;    // 1041
  QCheckBox* m_pTransparent = nullptr;  // 1040
  QPushButton* m_pColor = nullptr;      // 1043
  QCheckBox* m_pGamma = nullptr;        // 1031
  QLineEdit* m_pGammaEdit = nullptr;    // 1034
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pHelp = nullptr;       // 1299
};

// The dialog for a document about to be saved as PNG; true when OK ended
// it and the save may go on.
bool RunPngSaveDialog(QWidget* parent, CImageDoc& doc, std::function<void(int topic)> help = {});

} // namespace qv
