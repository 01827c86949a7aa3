#include "view/ui/ResizeDlg.h"

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "image/ImageDoc.h"
#include "platform/ui/WaitCursor.h"

namespace qv {

CResizeDlg::CResizeDlg(QWidget* parent, uint32_t width, uint32_t height)
    : QDialog(parent), m_form(width, height) {
  setWindowTitle(QString::fromUtf8(kResizeCaption));
  m_pWidth = MakeNumberEdit();
  m_pHeight = MakeNumberEdit();
  auto* widthLabel = new QLabel(QString::fromUtf8(kResizeWidthLabel), this);
  auto* heightLabel = new QLabel(QString::fromUtf8(kResizeHeightLabel), this);
  widthLabel->setBuddy(m_pWidth);
  heightLabel->setBuddy(m_pHeight);
  m_pAspect = new QCheckBox(QString::fromUtf8(kResizeAspectBox), this);

  auto* fields = new QGridLayout;
  fields->addWidget(widthLabel, 0, 0);
  fields->addWidget(m_pWidth, 0, 1);
  fields->addWidget(heightLabel, 1, 0);
  fields->addWidget(m_pHeight, 1, 1);
  fields->addWidget(m_pAspect, 2, 0, 1, 2);

  auto* buttons = new QDialogButtonBox(Qt::Vertical, this);
  m_pOk = buttons->addButton(QDialogButtonBox::Ok);
  m_pCancel = buttons->addButton(QDialogButtonBox::Cancel);
  m_pOk->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &CResizeDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CResizeDlg::reject);

  auto* row = new QHBoxLayout(this);
  row->addLayout(fields);
  row->addSpacing(12);
  row->addWidget(buttons);

  // Opening: the writes here are the dialog's own.
  m_bUpdating = 1;
  m_pWidth->setText(QString::fromStdString(m_form.OpeningWidthText()));
  m_pHeight->setText(QString::fromStdString(m_form.OpeningHeightText()));
  m_pAspect->setChecked(true);
  m_bUpdating = 0;
  m_form.m_nLastEdited = 0;

  connect(m_pWidth, &QLineEdit::textChanged, this, &CResizeDlg::OnWidthChanged);
  connect(m_pHeight, &QLineEdit::textChanged, this, &CResizeDlg::OnHeightChanged);
  connect(m_pAspect, &QCheckBox::clicked, this, &CResizeDlg::OnAspectClicked);
  m_pWidth->setFocus();
  m_pWidth->selectAll();
}

QLineEdit* CResizeDlg::MakeNumberEdit() {
  auto* edit = new QLineEdit(this);
  // A number-style edit: digits only; anything else is turned away with a beep.
  edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
  edit->setMaxLength(10);
  edit->setMinimumWidth(96);
  connect(edit, &QLineEdit::inputRejected, this, &CResizeDlg::Beep);
  return edit;
}

void CResizeDlg::Beep() {
  ++m_nBeeps;
  QApplication::beep();
}

void CResizeDlg::Write(const ResizeEditWrite& write) {
  QLineEdit* edit = write.edit == 1 ? m_pWidth : write.edit == 2 ? m_pHeight : nullptr;
  if (!edit) return;
  m_bUpdating = 1;
  edit->setText(QString::fromStdString(write.text));
  m_bUpdating = 0;
}

void CResizeDlg::OnWidthChanged() {
  if (m_bUpdating) return;
  Write(m_form.WidthChanged(m_pWidth->text().toStdString(), m_pAspect->isChecked()));
}

void CResizeDlg::OnHeightChanged() {
  if (m_bUpdating) return;
  Write(m_form.HeightChanged(m_pHeight->text().toStdString(), m_pAspect->isChecked()));
}

void CResizeDlg::OnAspectClicked(bool checked) {
  Write(m_form.AspectClicked(checked, m_pWidth->text().toStdString(), m_pHeight->text().toStdString()));
}

void CResizeDlg::accept() {
  m_form.m_nWidth = ReadUnsignedText(m_pWidth->text().toStdString());
  m_form.m_nHeight = ReadUnsignedText(m_pHeight->text().toStdString());
  QDialog::accept();
}

bool RunResizeDialog(QWidget* parent, CImageDoc& doc) {
  int width = 0, height = 0;
  doc.GetSize(width, height);
  CResizeDlg dlg(parent, static_cast<uint32_t>(std::max(width, 0)), static_cast<uint32_t>(std::max(height, 0)));
  if (dlg.exec() != QDialog::Accepted) return false;
  if (ResizeActionFor(dlg.Width(), dlg.Height(), width, height) == ResizeAction::Keep) return false;
  CWaitCursor wait;
  return ResizeDocumentTo(doc, dlg.Width(), dlg.Height());
}

} // namespace qv
