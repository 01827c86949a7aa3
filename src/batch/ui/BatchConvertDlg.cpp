#include "batch/ui/BatchConvertDlg.h"

#include <cstdio>

#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ConverterApp.h"
#include "app/Profile.h"

namespace qv {
namespace {

// The dialog's own texts.
const char kCaption[] = "Batch Convert";
const char kInputGroup[] = "&Input File Directory";
const char kOutputGroup[] = "&Output File Directory";
const char kSeqGroup[] = "Output File Top Seq &No.";
const char kSeqHint[] = "Imagxxxx.jpg    xxxx : 0001～9999";
const char kAspectGroup[] = "Aspect";
const char kQualityGroup[] = "Quality";
const char kBrowse[] = "Browse";
const char kWidth[] = "Width";
const char kHeight[] = "Height";
const char kValue[] = "Value";
const char kLow[] = "Low";
const char kHigh[] = "High";
const char kOk[] = "OK";
const char kCancel[] = "Cancel";
const char kDefault[] = "&Default";
const char kSettingSave[] = "SettingSave";
const char kHelp[] = "&Help";
const char kInputTitle[] = "Input file directory";
const char kOutputTitle[] = "Output file directory";

QString U(const char* s) { return QString::fromUtf8(s); }
QString Q(const std::string& s) { return QFile::decodeName(s.c_str()); }
std::string S(const QString& s) { return QFile::encodeName(s).toStdString(); }

QPushButton* HiddenButton(const char* text, const char* id, QWidget* parent) {
  auto* b = new QPushButton(U(text), parent);
  b->setObjectName(QString::fromLatin1(id));
  b->setEnabled(false);
  b->hide();
  return b;
}

} // namespace

CBatchConvertDlg::CBatchConvertDlg(CConverterApp& app, QWidget* parent) : QDialog(parent), m_app(app) {
  setWindowTitle(U(kCaption));
  // Built in this order, which is also the tab order.
  QGroupBox* inGroup = MakeInputGroup();
  QGroupBox* outGroup = MakeOutputGroup();
  QGroupBox* seqGroup = MakeSeqGroup();
  QGroupBox* sizeGroup = MakeSizeGroup();
  QGroupBox* qualityGroup = MakeQualityGroup();
  QHBoxLayout* buttons = MakeButtonRow();

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(inGroup, 1);
  layout->addWidget(outGroup);
  layout->addWidget(seqGroup);
  layout->addWidget(sizeGroup);
  layout->addWidget(qualityGroup);
  layout->addLayout(buttons);
  resize(420, 560);  // 271 x 341 dialog units

  ShowSavedFields();
}

// Input folder and its files.
QGroupBox* CBatchConvertDlg::MakeInputGroup() {
  auto* group = new QGroupBox(U(kInputGroup), this);
  m_pSrc = new QLineEdit(group);
  m_pSrc->setObjectName(QStringLiteral("1203"));
  auto* browse = new QPushButton(U(kBrowse), group);
  browse->setObjectName(QStringLiteral("1204"));
  m_pList = new QListWidget(group);
  m_pList->setObjectName(QStringLiteral("1129"));
  m_pList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  auto* up = new QToolButton(group);
  up->setArrowType(Qt::UpArrow);
  up->setObjectName(QStringLiteral("1134up"));
  auto* down = new QToolButton(group);
  down->setArrowType(Qt::DownArrow);
  down->setObjectName(QStringLiteral("1134down"));
  auto* grid = new QGridLayout(group);
  grid->addWidget(m_pSrc, 0, 0);
  grid->addWidget(browse, 0, 1);
  grid->addWidget(m_pList, 1, 0, 2, 1);
  auto* updown = new QVBoxLayout;
  updown->setSpacing(0);
  updown->addWidget(up);
  updown->addWidget(down);
  updown->addStretch();
  grid->addLayout(updown, 1, 1);

  connect(m_pSrc, &QLineEdit::textChanged, this, &CBatchConvertDlg::FillFileList);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(m_pSrc, kInputTitle); });
  connect(up, &QToolButton::clicked, this, [this] { MoveSelected(true); });
  connect(down, &QToolButton::clicked, this, [this] { MoveSelected(false); });
  return group;
}

QGroupBox* CBatchConvertDlg::MakeOutputGroup() {
  auto* group = new QGroupBox(U(kOutputGroup), this);
  m_pDst = new QLineEdit(group);
  m_pDst->setObjectName(QStringLiteral("1205"));
  auto* browse = new QPushButton(U(kBrowse), group);
  browse->setObjectName(QStringLiteral("1207"));
  auto* row = new QHBoxLayout(group);
  row->addWidget(m_pDst);
  row->addWidget(browse);

  connect(browse, &QPushButton::clicked, this, [this] { Browse(m_pDst, kOutputTitle); });
  return group;
}

QGroupBox* CBatchConvertDlg::MakeSeqGroup() {
  auto* group = new QGroupBox(U(kSeqGroup), this);
  m_pSeq = new QLineEdit(group);
  m_pSeq->setObjectName(QStringLiteral("1120"));
  m_pSeq->setMaximumWidth(70);
  auto* row = new QHBoxLayout(group);
  row->addWidget(m_pSeq);
  row->addWidget(new QLabel(U(kSeqHint), group), 1);
  return group;
}

QGroupBox* CBatchConvertDlg::MakeSizeGroup() {
  auto* group = new QGroupBox(U(kAspectGroup), this);
  m_pWidth = new QLineEdit(group);
  m_pWidth->setObjectName(QStringLiteral("1200"));
  m_pHeight = new QLineEdit(group);
  m_pHeight->setObjectName(QStringLiteral("1201"));
  for (QLineEdit* e : {m_pWidth, m_pHeight}) {
    e->setReadOnly(true);
    e->setValidator(new QIntValidator(0, 99999, e));
    e->setMaximumWidth(70);
  }
  auto* row = new QHBoxLayout(group);
  row->addWidget(new QLabel(U(kWidth), group));
  row->addWidget(m_pWidth);
  row->addSpacing(12);
  row->addWidget(new QLabel(U(kHeight), group));
  row->addWidget(m_pHeight);
  row->addStretch();
  return group;
}

QGroupBox* CBatchConvertDlg::MakeQualityGroup() {
  auto* group = new QGroupBox(U(kQualityGroup), this);
  m_pQualityText = new QLabel(group);
  m_pQualityText->setObjectName(QStringLiteral("1140"));
  m_pQualityText->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_pQualityText->setMinimumWidth(30);
  m_pQuality = new QScrollBar(Qt::Horizontal, group);
  m_pQuality->setObjectName(QStringLiteral("1136"));
  m_pQuality->setRange(1, 100);
  m_pQuality->setSingleStep(1);
  m_pQuality->setPageStep(10);
  m_pQuality->setTracking(false);  // the thumb counts when it is released
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel(U(kValue), group), 0, 0);
  grid->addWidget(m_pQualityText, 0, 1);
  grid->addWidget(new QLabel(U(kLow), group), 1, 0);
  grid->addWidget(m_pQuality, 1, 1, 1, 2);
  grid->addWidget(new QLabel(U(kHigh), group), 1, 3);
  grid->setColumnStretch(2, 1);

  connect(m_pQuality, &QScrollBar::valueChanged, this,
          [this](int v) { m_pQualityText->setText(QString::number(v)); });
  return group;
}

QHBoxLayout* CBatchConvertDlg::MakeButtonRow() {
  m_pOk = new QPushButton(U(kOk), this);
  m_pOk->setDefault(true);
  auto* cancel = new QPushButton(U(kCancel), this);
  m_pDefault = new QPushButton(U(kDefault), this);
  m_pDefault->setObjectName(QStringLiteral("1208"));
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_pDefault);
  buttons->addWidget(HiddenButton(kSettingSave, "1138", this));
  buttons->addWidget(HiddenButton(kHelp, "1299", this));
  buttons->addWidget(HiddenButton("▲", "1130", this));
  buttons->addWidget(HiddenButton("▼", "1131", this));
  buttons->addStretch();
  buttons->addWidget(m_pOk);
  buttons->addWidget(cancel);

  connect(m_pOk, &QPushButton::clicked, this, &CBatchConvertDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CBatchConvertDlg::reject);
  connect(m_pDefault, &QPushButton::clicked, this, &CBatchConvertDlg::OnDefault);
  return buttons;
}

// Every field from the settings file; its quality is in force until the
// dialog says otherwise.
void CBatchConvertDlg::ShowSavedFields() {
  m_fields.Load(m_app.Profile());
  m_app.m_settings.Param1 = m_fields.JpegQuality;
  m_pSrc->setText(Q(m_fields.SrcDirectory));  // fills the file list
  m_pDst->setText(Q(m_fields.DstDirectory));
  m_pSeq->setText(QString::asprintf("%04d", m_fields.FileSeqNo));
  m_pQuality->setValue(qBound(1, m_app.m_settings.Param1, 100));
  m_pQualityText->setText(QString::number(m_app.m_settings.Param1));
  m_pWidth->setText(QString::number(static_cast<unsigned>(m_fields.SizeWidth)));
  m_pHeight->setText(QString::number(static_cast<unsigned>(m_fields.SizeHeight)));
}

void CBatchConvertDlg::FillFileList(const QString& dir) {
  m_pList->clear();
  for (const std::string& name : qv::FillFileList(S(dir), m_fields.ExtFilter != 0, m_fields.StrExtFilter)) {
    auto* item = new QListWidgetItem(Q(name), m_pList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }
}

void CBatchConvertDlg::MoveSelected(bool up) {
  const int row = m_pList->currentRow();
  const int n = m_pList->count();
  if (row < 0 || n < 2) return;
  const int to = up ? row - 1 : row + 1;
  if (to < 0 || to >= n) return;
  QListWidgetItem* item = m_pList->takeItem(row);  // keeps its tick
  m_pList->insertItem(to, item);
  m_pList->setCurrentRow(to);
}

void CBatchConvertDlg::Browse(QLineEdit* edit, const char* title) {
  const QString dir = QFileDialog::getExistingDirectory(this, U(title), edit->text(), QFileDialog::ShowDirsOnly);
  if (!dir.isEmpty()) edit->setText(dir);
}

void CBatchConvertDlg::OnDefault() {
  const CBatchSettings defaults;
  m_pSrc->setText(Q(defaults.SrcDirectory));  // refills the list
  m_pDst->setText(Q(defaults.DstDirectory));
  m_pSeq->setText(QStringLiteral("0001"));
  m_pQuality->setValue(75);
  m_pQualityText->setText(QStringLiteral("75"));
}

BatchDialogValues CBatchConvertDlg::ReadValues() const {
  BatchDialogValues v;
  v.srcDir = S(m_pSrc->text());
  v.dstDir = S(m_pDst->text());
  v.seqText = m_pSeq->text().toStdString();
  v.quality = m_pQualityText->text().toInt();
  v.width = m_pWidth->text().toInt();
  v.height = m_pHeight->text().toInt();
  for (int i = 0; i < m_pList->count(); ++i) {
    const QListWidgetItem* item = m_pList->item(i);
    v.files.emplace_back(S(item->text()), item->checkState() == Qt::Checked);
  }
  return v;
}

void CBatchConvertDlg::accept() {
  m_bRun = false;
  switch (CheckBatchDialog(m_app, m_fields, ReadValues(), m_app.Messages(), m_request)) {
  case BatchOkOutcome::Stay: return;
  case BatchOkOutcome::CloseNoRun: break;
  case BatchOkOutcome::CloseRun: m_bRun = true; break;
  }
  QDialog::accept();
}

} // namespace qv
