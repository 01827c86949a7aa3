#include "view/ui/DqtDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "platform/ui/FileDialog.h"
#include "view/ui/DqtPreview.h"

namespace qv {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

// A sunken frame that holds one picture window, filling it.
QFrame* PictureFrame(QWidget* parent, int id, QWidget* picture, QSize size) {
  auto* frame = new QFrame(parent);
  frame->setObjectName(QString::number(id));
  frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  frame->setFixedSize(size);
  auto* box = new QVBoxLayout(frame);
  box->setContentsMargins(2, 2, 2, 2);
  picture->setParent(frame);
  box->addWidget(picture);
  return frame;
}

QPushButton* Button(QWidget* parent, int id, const char* text) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(QString::number(id));
  b->setAutoDefault(true);  // a focused button takes Enter, as the dialog manager does
  return b;
}

} // namespace

CDqtDialog::CDqtDialog(QWidget* parent, IMessageSink& sink, std::string startDir,
                       const std::vector<DqtSource>& documents, std::function<void(int)> help)
    : QDialog(parent), m_sink(sink), m_startDir(std::move(startDir)), m_sources(qv::ImportList(documents)),
      m_help(std::move(help)) {
  setWindowTitle(U(kDqtCaption));

  m_pScale = new CDqtPreview(1, 256, 4, 128);
  QFrame* scaleFrame = PictureFrame(this, 1105, m_pScale, QSize(24, 140));

  auto* tables = new QHBoxLayout;
  tables->addWidget(BuildTableGroup(0));
  tables->addWidget(BuildTableGroup(1));
  tables->addWidget(scaleFrame, 0, Qt::AlignVCenter);

  auto* importLabel = new QLabel(U(kDqtImportLabel), this);
  m_pImportList = new QComboBox(this);
  m_pImportList->setObjectName(QStringLiteral("1505"));
  m_pImportList->setMinimumWidth(200);
  importLabel->setBuddy(m_pImportList);
  for (const DqtSource& s : m_sources) m_pImportList->addItem(QString::fromStdString(s.title));
  m_pImportList->setCurrentIndex(-1);
  m_pImport = Button(this, 1506, kDqtImport);
  auto* importRow = new QHBoxLayout;
  importRow->addWidget(m_pImportList, 1);
  importRow->addWidget(m_pImport);

  auto* left = new QVBoxLayout;
  left->addLayout(tables);
  left->addWidget(importLabel);
  left->addLayout(importRow);

  auto* main = new QHBoxLayout(this);
  main->addLayout(left, 1);
  main->addSpacing(8);
  main->addWidget(BuildFileButtons());

  ConnectControls();
  // The pictures start from the tables the dialog holds; SetTables shows the caller's.
  m_pScale->ShowColourScale();
  Refresh(0);
  Refresh(1);
  m_form.m_nPendingTable = -1;
}

QWidget* CDqtDialog::BuildTableGroup(int k) {
  auto* group = new QGroupBox(U(k == 0 ? kDqtGroup0 : kDqtGroup1), this);
  m_apPreview[k] = new CDqtPreview(8, 8, 80, 80);
  QFrame* frame = PictureFrame(group, 1139 + k, m_apPreview[k], QSize(88, 88));
  m_pQf[k] = new QLabel(U(kDqtNoQuality), group);
  m_pQf[k]->setObjectName(QString::number(1141 + k));
  m_pQf[k]->setMinimumWidth(72);
  m_pQuality[k] = new QLineEdit(group);
  m_pQuality[k]->setObjectName(QString::number(1501 + k));
  // A number-style edit: digits only, anything else refused with a beep.
  m_pQuality[k]->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_pQuality[k]));
  m_pQuality[k]->setMaxLength(5);
  m_pQuality[k]->setFixedWidth(56);
  m_pMake[k] = Button(group, 1503 + k, kDqtMake);

  auto* grid = new QGridLayout(group);
  grid->addWidget(frame, 0, 0, 3, 1);
  grid->addWidget(m_pQf[k], 0, 1, 1, 2);
  grid->addWidget(m_pQuality[k], 1, 1);
  grid->addWidget(m_pMake[k], 1, 2);
  grid->setRowStretch(2, 1);
  return group;
}

QWidget* CDqtDialog::BuildFileButtons() {
  auto* column = new QWidget(this);
  auto* box = new QVBoxLayout(column);
  box->setContentsMargins(0, 0, 0, 0);
  m_pOk = Button(this, 6, "OK");
  m_pCancel = Button(this, 2, "Cancel");
  m_pHelp = Button(this, 1299, kDqtHelp);
  m_pHelp->setEnabled(static_cast<bool>(m_help));
  m_pLoad = Button(this, 1507, kDqtLoad);
  m_pSave = Button(this, 1508, kDqtSave);
  for (QPushButton* b : {m_pOk, m_pCancel, m_pHelp}) box->addWidget(b);
  box->addStretch(1);
  box->addWidget(m_pLoad);
  box->addWidget(m_pSave);
  return column;
}

void CDqtDialog::ConnectControls() {
  for (int k = 0; k < 2; ++k) {
    connect(m_pQuality[k], &QLineEdit::textChanged, this, [this, k] { m_form.EditChanged(k); });
    connect(m_pQuality[k], &QLineEdit::inputRejected, this, &CDqtDialog::Beep);
    connect(m_pMake[k], &QPushButton::clicked, this, [this, k] { OnMake(k); });
  }
  connect(m_pImport, &QPushButton::clicked, this, &CDqtDialog::OnImport);
  connect(m_pLoad, &QPushButton::clicked, this, &CDqtDialog::OnLoad);
  connect(m_pSave, &QPushButton::clicked, this, &CDqtDialog::OnSave);
  // Only this button closes with OK; Enter makes the pending table instead.
  connect(m_pOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(m_pHelp, &QPushButton::clicked, this, [this] {
    if (m_help) m_help(kDqtHelpTopic);
  });
}

void CDqtDialog::SetTables(const QuantTable tables[2]) {
  for (int k = 0; k < 2; ++k) {
    m_form.m_anTable[k] = tables[k];
    Refresh(k);
  }
}

void CDqtDialog::Refresh(int k) {
  m_apPreview[k]->ShowTable(m_form.m_anTable[k].data());
  m_pQf[k]->setText(QString::fromStdString(qv::QualityLabel(m_form.m_anTable[k])));
}

void CDqtDialog::OnMake(int k) {
  m_form.MakeTable(k, m_pQuality[k]->text().toStdString());
  Refresh(k);
}

void CDqtDialog::OnEnter() {
  const std::string texts[2] = {m_pQuality[0]->text().toStdString(), m_pQuality[1]->text().toStdString()};
  const int k = m_form.Enter(texts);
  if (k >= 0) Refresh(k);
}

void CDqtDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  // A focused button takes Enter itself (QDialog clicks it); elsewhere
  // Enter is the dialog's default action, which never closes it.
  if (enter && event->modifiers() == Qt::NoModifier && !qobject_cast<QPushButton*>(focusWidget())) {
    OnEnter();
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDqtDialog::OnImport() {
  const int i = m_pImportList->currentIndex();
  if (i < 0 || i >= static_cast<int>(m_sources.size())) {
    Beep();
    return;
  }
  m_form.Import(m_sources[static_cast<size_t>(i)]);
  Refresh(0);
  Refresh(1);
}

void CDqtDialog::OnLoad() {
  CFileDialog dlg(CFileDialog::Open, kDqtFileFilter, this);
  dlg.SetTitle(kDqtOpenTitle);
  dlg.SetInitialDir(m_startDir);
  if (!dlg.Run()) return;
  const int changed = m_form.Load(dlg.Path(), m_sink);
  if (changed & CDqtForm::kTable0) Refresh(0);
  if (changed & CDqtForm::kTable1) Refresh(1);
}

void CDqtDialog::OnSave() {
  CFileDialog dlg(CFileDialog::Save, kDqtFileFilter, this);
  dlg.SetTitle(kDqtSaveTitle);
  dlg.SetInitialDir(m_startDir);
  if (!dlg.Run()) return;
  m_form.Save(dlg.Path(), m_sink);
}

void CDqtDialog::Beep() {
  ++m_nBeeps;
  QApplication::beep();
}

bool RunDqtDialog(QWidget* parent, IMessageSink& sink, const std::string& startDir,
                  const std::vector<DqtSource>& documents, QuantTable tables[2], std::function<void(int)> help) {
  CDqtDialog dlg(parent, sink, startDir, documents, std::move(help));
  dlg.SetTables(tables);
  if (dlg.exec() != QDialog::Accepted) return false;
  tables[0] = dlg.Table(0);
  tables[1] = dlg.Table(1);
  return true;
}

} // namespace qv
