#include "view/ui/PngSaveDlg.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "image/ImageDoc.h"

namespace qv {

CPngSaveDialog::CPngSaveDialog(QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), m_help(std::move(help)) {
  setWindowTitle(QString::fromUtf8(kPngSaveCaption));
  BuildControls();
}

void CPngSaveDialog::BuildControls() {
  auto* group = new QGroupBox(QString::fromUtf8(kPngSaveGroup), this);
  m_pMode = new QComboBox(group);
  for (const char* label : kPngSaveModeLabels) m_pMode->addItem(QString::fromLatin1(label));
  auto* modeLabel = new QLabel(QString::fromUtf8(kPngFormatLabel), group);
  modeLabel->setBuddy(m_pMode);
  m_pInterlace = new QCheckBox(QString::fromUtf8(kPngInterlaceBox), group);
  m_pTransparent = new QCheckBox(QString::fromUtf8(kPngTransparentBox), group);
  m_pColor = new QPushButton(QString::fromUtf8(kPngColorButton), group);
  m_pColor->setAutoDefault(false);
  m_pGamma = new QCheckBox(QString::fromUtf8(kPngGammaBox), group);
  m_pGammaEdit = new QLineEdit(group);
  auto* gammaLabel = new QLabel(QString::fromUtf8(kPngGammaLabel), group);
  gammaLabel->setBuddy(m_pGammaEdit);

  auto* grid = new QGridLayout(group);
  grid->addWidget(modeLabel, 0, 0);
  grid->addWidget(m_pMode, 0, 1);
  grid->addWidget(m_pInterlace, 1, 0, 1, 2);
  grid->addWidget(m_pTransparent, 2, 0);
  grid->addWidget(m_pColor, 2, 1);
  grid->addWidget(m_pGamma, 3, 0, 1, 2);
  grid->addWidget(gammaLabel, 4, 0);
  grid->addWidget(m_pGammaEdit, 4, 1);

  m_pOk = new QPushButton(tr("OK"), this);
  m_pOk->setDefault(true);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  m_pHelp = new QPushButton(QString::fromUtf8(kPngHelpButton), this);
  m_pHelp->setEnabled(static_cast<bool>(m_help));
  cancel->setAutoDefault(false);
  m_pHelp->setAutoDefault(false);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(m_pOk);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  buttons->addWidget(m_pHelp);
  auto* row = new QHBoxLayout(this);
  row->addWidget(group, 1);
  row->addLayout(buttons);

  connect(m_pOk, &QPushButton::clicked, this, &CPngSaveDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &CPngSaveDialog::reject);
  connect(m_pTransparent, &QCheckBox::clicked, this, &CPngSaveDialog::FollowChecks);
  connect(m_pGamma, &QCheckBox::clicked, this, &CPngSaveDialog::FollowChecks);
  connect(m_pColor, &QPushButton::clicked, this, &CPngSaveDialog::OnChooseColor);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_help) m_help(kPngSaveHelpTopic);
  });
  FollowChecks();
}

void CPngSaveDialog::SetDocument(CImageDoc* doc) {
  m_pDoc = doc;
  if (!doc) return;
  const PngSaveChoices c = OpeningPngChoices(*doc);
  m_pInterlace->setChecked(c.interlace);
  m_pMode->setCurrentIndex(c.mode);
  for (int i = 0; i < 3; ++i) m_abTransparent[i] = c.color[i];
  m_pTransparent->setChecked(c.transparent);
  m_pGamma->setChecked(c.writeGamma);
  m_pGammaEdit->setText(QString::fromStdString(c.gammaText));
  FollowChecks();
  ShowColor();
}

void CPngSaveDialog::FollowChecks() {
  m_pColor->setEnabled(m_pTransparent->isChecked());
  m_pGammaEdit->setEnabled(m_pGamma->isChecked());
}

// The button carries a swatch of the colour it edits.
void CPngSaveDialog::ShowColor() {
  QPixmap swatch(12, 12);
  swatch.fill(QColor(m_abTransparent[2], m_abTransparent[1], m_abTransparent[0]));
  m_pColor->setIcon(QIcon(swatch));
}

void CPngSaveDialog::OnChooseColor() {
  QColorDialog dlg(QColor(m_abTransparent[2], m_abTransparent[1], m_abTransparent[0]), this);
  dlg.setOption(QColorDialog::DontUseNativeDialog);
  if (dlg.exec() != QDialog::Accepted) return;
  const QColor c = dlg.selectedColor();
  m_abTransparent[2] = static_cast<uint8_t>(c.red());
  m_abTransparent[1] = static_cast<uint8_t>(c.green());
  m_abTransparent[0] = static_cast<uint8_t>(c.blue());
  ShowColor();
}

void CPngSaveDialog::accept() {
  if (m_pDoc) {
    PngSaveChoices c;
    c.mode = m_pMode->currentIndex() < 0 ? 0 : m_pMode->currentIndex();
    c.interlace = m_pInterlace->isChecked();
    c.transparent = m_pTransparent->isChecked();
    for (int i = 0; i < 3; ++i) c.color[i] = m_abTransparent[i];
    c.writeGamma = m_pGamma->isChecked();
    c.gammaText = m_pGammaEdit->text().toStdString();
    ApplyPngChoices(*m_pDoc, c);
  }
  QDialog::accept();
}

bool RunPngSaveDialog(QWidget* parent, CImageDoc& doc, std::function<void(int)> help) {
  CPngSaveDialog dlg(parent, std::move(help));
  dlg.SetDocument(&doc);
  return dlg.exec() == QDialog::Accepted;
}

} // namespace qv
