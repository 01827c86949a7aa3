#include "jpegmeta/ui/BulkFilterDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/AppHelpers.h"
#include "app/ConverterApp.h"
#include "app/Profile.h"
#include "platform/ui/FileDialog.h"
#include "jpegmeta/ui/BulkAppnDlg.h"
#include "jpegmeta/ui/BulkExifDlg.h"

namespace qv {
namespace {

// Labels and buttons the resource leaves unnamed.
const char kSourceLabel[] = "転送元ディレクトリ";
const char kDestLabel[] = "転送先ディレクトリ";
const char kSegmentGroup[] = "セグメント";
const char kBrowse[] = "参照...";
const char kOk[] = "OK";
const char kCancel[] = "キャンセル";
const char kHelp[] = "ヘルプ(&H)";

QString U(const char* s) { return QString::fromUtf8(s); }
// Paths are the file system's bytes.
QString Q(const std::string& s) { return QFile::decodeName(s.c_str()); }
std::string S(const QString& s) { return QFile::encodeName(s).toStdString(); }

} // namespace

CBulkFilterDlg::CBulkFilterDlg(CConverterApp& app, QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), m_app(app), m_help(std::move(help)) {
  setWindowTitle(U(kBulkFilterCaption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeFolderRows());
  layout->addWidget(MakeOptionRows());
  layout->addWidget(MakeFileRows());

  auto* buttons = new QHBoxLayout;
  QPushButton* save = NewButton(kBulkSaveSettings, 1138);
  QPushButton* helpButton = NewButton(kHelp, 1299);
  helpButton->setEnabled(false);  // this dialog has no topic of its own
  helpButton->hide();
  QPushButton* ok = NewButton(kOk, 1);
  QPushButton* cancel = NewButton(kCancel, 2);
  ok->setDefault(true);
  buttons->addWidget(save);
  buttons->addWidget(helpButton);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(save, &QPushButton::clicked, this, &CBulkFilterDlg::OnSaveSettings);
  connect(ok, &QPushButton::clicked, this, &CBulkFilterDlg::accept);
  connect(cancel, &QPushButton::clicked, this, &CBulkFilterDlg::reject);

  m_form.Load(m_app.Profile());
  ShowValues(m_form.Values());
  resize(480, sizeHint().height());
}

QLineEdit* CBulkFilterDlg::NewEdit(int id) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(QString::number(id));
  return edit;
}

QCheckBox* CBulkFilterDlg::NewCheck(const char* text, int id) {
  auto* box = new QCheckBox(U(text), this);
  box->setObjectName(QString::number(id));
  connect(box, &QCheckBox::toggled, this, &CBulkFilterDlg::UpdateEnables);
  return box;
}

QPushButton* CBulkFilterDlg::NewButton(const char* text, int id) {
  auto* button = new QPushButton(U(text), this);
  button->setObjectName(QString::number(id));
  button->setAutoDefault(false);
  return button;
}

QWidget* CBulkFilterDlg::MakeFolderRows() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(new QLabel(U(kSourceLabel), box), 0, 0);
  grid->addWidget(NewEdit(1203), 0, 1);
  grid->addWidget(NewButton(kBrowse, 1204), 0, 2);
  grid->addWidget(new QLabel(U(kDestLabel), box), 1, 0);
  grid->addWidget(NewEdit(1205), 1, 1);
  grid->addWidget(NewButton(kBrowse, 1207), 1, 2);
  grid->addWidget(NewCheck(kBulkCreateLog, 1206), 2, 0);
  grid->addWidget(NewEdit(1208), 2, 1);
  grid->addWidget(NewButton(kBrowse, 1209), 2, 2);
  connect(Button(1204), &QPushButton::clicked, this, [this] { PickFolder(Edit(1203), kBulkInputTitle); });
  connect(Button(1207), &QPushButton::clicked, this, [this] {
    if (PickFolder(Edit(1205), kBulkOutputTitle))
      Edit(1208)->setText(Q(LogPathForDestination(S(Edit(1205)->text()), S(Edit(1208)->text()))));
  });
  connect(Button(1209), &QPushButton::clicked, this, &CBulkFilterDlg::OnBrowseLog);
  return box;
}

QWidget* CBulkFilterDlg::MakeOptionRows() {
  auto* group = new QGroupBox(U(kSegmentGroup), this);
  auto* grid = new QGridLayout(group);
  grid->addWidget(NewCheck(kBulkRemoveThumb, 1230), 0, 0);
  grid->addWidget(NewCheck(kBulkRemoveJfxx, 1232), 1, 0);
  grid->addWidget(NewCheck(kBulkRemoveAppX, 1233), 2, 0);
  grid->addWidget(NewButton(kBulkDetails, 1237), 2, 1);
  grid->addWidget(NewCheck(kBulkUniteDqt, 1234), 3, 0);
  grid->addWidget(NewCheck(kBulkUniteDht, 1235), 4, 0);
  grid->addWidget(NewCheck(kBulkRemoveCom, 1236), 5, 0);
  grid->addWidget(NewCheck(kBulkConvertExif, 1238), 6, 0);
  grid->addWidget(NewButton(kBulkDetails, 1239), 6, 1);
  grid->setColumnStretch(0, 1);
  connect(Button(1237), &QPushButton::clicked, this, &CBulkFilterDlg::OnAppnDetails);
  connect(Button(1239), &QPushButton::clicked, this, &CBulkFilterDlg::OnExifDetails);
  return group;
}

QWidget* CBulkFilterDlg::MakeFileRows() {
  auto* box = new QWidget(this);
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(NewCheck(kBulkRecurse, 1216));
  row->addWidget(NewCheck(kBulkExtFilter, 1217));
  row->addWidget(NewEdit(1218), 1);
  return box;
}

QLineEdit* CBulkFilterDlg::Edit(int id) const { return findChild<QLineEdit*>(QString::number(id)); }
QCheckBox* CBulkFilterDlg::Check(int id) const { return findChild<QCheckBox*>(QString::number(id)); }
QPushButton* CBulkFilterDlg::Button(int id) const { return findChild<QPushButton*>(QString::number(id)); }

void CBulkFilterDlg::ShowValues(const BulkFilterDialogValues& v) {
  Edit(1203)->setText(Q(v.srcDir));
  Edit(1205)->setText(Q(v.dstDir));
  Edit(1208)->setText(Q(v.logPath));
  Edit(1218)->setText(QString::fromStdString(v.extList));
  const std::pair<int, int> checks[] = {{1206, v.createLog},  {1230, v.removeThumb}, {1232, v.removeJfxx},
                                        {1233, v.removeAppX}, {1234, v.uniteDqt},    {1235, v.uniteDht},
                                        {1236, v.removeCom},  {1238, v.convertExif}, {1216, v.recurse},
                                        {1217, v.extFilter}};
  for (const auto& [id, on] : checks) Check(id)->setChecked(on != 0);
  UpdateEnables();
}

BulkFilterDialogValues CBulkFilterDlg::ReadValues() const {
  BulkFilterDialogValues v;
  v.srcDir = S(Edit(1203)->text());
  v.dstDir = S(Edit(1205)->text());
  v.logPath = S(Edit(1208)->text());
  v.extList = Edit(1218)->text().toStdString();
  auto on = [this](int id) { return Check(id)->isChecked() ? 1 : 0; };
  v.createLog = on(1206);
  v.removeThumb = on(1230);
  v.removeJfxx = on(1232);
  v.removeAppX = on(1233);
  v.uniteDqt = on(1234);
  v.uniteDht = on(1235);
  v.removeCom = on(1236);
  v.convertExif = on(1238);
  v.recurse = on(1216);
  v.extFilter = on(1217);
  return v;
}

void CBulkFilterDlg::UpdateEnables() {
  const BulkFilterEnables e = BulkFilterEnablesFor(ReadValues());
  Edit(1218)->setEnabled(e.extEdit);
  Button(1237)->setEnabled(e.appnDetails);
  Button(1239)->setEnabled(e.exifDetails);
  Edit(1208)->setEnabled(e.logPath);
  Button(1209)->setEnabled(e.logPath);
}

bool CBulkFilterDlg::PickFolder(QLineEdit* edit, const char* title) {
  // Qt's own dialog: the same on every desktop, and one the tests can drive.
  QFileDialog dlg(this, U(title), edit->text());
  dlg.setFileMode(QFileDialog::Directory);
  dlg.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
  if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  edit->setText(dlg.selectedFiles().front());
  return true;
}

void CBulkFilterDlg::OnBrowseLog() {
  CFileDialog dlg(CFileDialog::Save, kBulkLogFilter, this);
  dlg.SetTitle(kBulkLogDialogTitle);
  const std::string current = S(Edit(1208)->text());
  dlg.SetInitialDir(LogDialogFolder(current));
  dlg.Dialog()->setOption(QFileDialog::DontUseNativeDialog);
  dlg.Dialog()->setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dlg.Run() && !dlg.Path().empty()) Edit(1208)->setText(Q(dlg.Path()));
}

void CBulkFilterDlg::OnAppnDetails() {
  CBulkAppnDlg dlg(m_form.Settings(), this, m_help);
  dlg.exec();
}

void CBulkFilterDlg::OnExifDetails() {
  CBulkExifDlg dlg(m_form.Settings(), this, m_help);
  dlg.exec();
}

void CBulkFilterDlg::OnSaveSettings() {
  // The settings folder may not be there before the first exit.
  MakeDirectoryPath(m_app.ConfigDir());
  if (!m_form.StoreAndSave(ReadValues(), m_app.Profile()))
    ShowFileError(m_app.Messages(), kBulkFilterOperation, m_app.Profile().Path(), kBulkSaveFailed);
}

void CBulkFilterDlg::accept() {
  m_form.Store(ReadValues());
  QDialog::accept();
}

} // namespace qv
