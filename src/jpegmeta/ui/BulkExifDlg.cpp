#include "jpegmeta/ui/BulkExifDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/BulkFilterForm.h"

namespace qv {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

QCheckBox* Box(const char* text, int id, int value, QWidget* parent) {
  auto* box = new QCheckBox(U(text), parent);
  box->setObjectName(QString::number(id));
  box->setChecked(value != 0);
  return box;
}

} // namespace

CBulkExifDlg::CBulkExifDlg(CBulkFilterSettings& settings, QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), m_settings(settings) {
  setWindowTitle(U(kBulkExifCaption));
  m_pGenCmt = Box(kBulkExifGenCmt, 1091, m_settings.ExifGenCmt, this);
  m_pGenEng = Box(kBulkExifGenEng, 1093, m_settings.ExifGenEng, this);
  m_pUserCmt = Box(kBulkExifUserCmt, 1092, m_settings.ExifUserCmt, this);
  connect(m_pGenCmt, &QCheckBox::toggled, this, &CBulkExifDlg::UpdateEnables);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(U("キャンセル"));
  buttons->button(QDialogButtonBox::Help)->setText(U("ヘルプ(&H)"));
  buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("1299"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CBulkExifDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CBulkExifDlg::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
    if (help) help(HELP_BULK_EXIF);
  });

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_pGenCmt);
  // The language is a detail of the generated lines.
  auto* indented = new QVBoxLayout;
  indented->setContentsMargins(20, 0, 0, 0);
  indented->addWidget(m_pGenEng);
  layout->addLayout(indented);
  layout->addWidget(m_pUserCmt);
  layout->addWidget(buttons);
  UpdateEnables();
}

void CBulkExifDlg::UpdateEnables() { m_pGenEng->setEnabled(ExifEnglishEnabled(m_pGenCmt->isChecked())); }

void CBulkExifDlg::accept() {
  m_settings.ExifGenCmt = m_pGenCmt->isChecked() ? 1 : 0;
  m_settings.ExifUserCmt = m_pUserCmt->isChecked() ? 1 : 0;
  m_settings.ExifGenEng = m_pGenEng->isChecked() ? 1 : 0;
  QDialog::accept();
}

} // namespace qv
