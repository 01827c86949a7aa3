#include "jpegmeta/ui/BulkAppnDlg.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/BulkFilterForm.h"

namespace qv {
namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

} // namespace

CBulkAppnDlg::CBulkAppnDlg(CBulkFilterSettings& settings, QWidget* parent, std::function<void(int)> help)
    : QDialog(parent), m_settings(settings) {
  setWindowTitle(U(kBulkAppnCaption));
  auto* grid = new QGridLayout;
  // Five rows of three: APP1 APP2 APP3 / APP4 ...
  for (int n = 1; n <= 15; ++n) {
    auto* box = new QCheckBox(QStringLiteral("APP%1").arg(n), this);
    box->setObjectName(QString::number(1250 + n));
    box->setChecked(m_settings.RemoveAPP[n] != 0);
    grid->addWidget(box, (n - 1) / 3, (n - 1) % 3);
    m_pBoxes[n] = box;
  }
  m_pSelectAll = new QPushButton(U(kBulkAppnSelectAll), this);
  m_pSelectAll->setObjectName(QStringLiteral("1250"));
  m_pSelectAll->setAutoDefault(false);
  connect(m_pSelectAll, &QPushButton::clicked, this, &CBulkAppnDlg::OnSelectAll);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
  buttons->button(QDialogButtonBox::Cancel)->setText(U("キャンセル"));
  buttons->button(QDialogButtonBox::Help)->setText(U("ヘルプ(&H)"));
  buttons->button(QDialogButtonBox::Help)->setObjectName(QStringLiteral("1299"));
  connect(buttons, &QDialogButtonBox::accepted, this, &CBulkAppnDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CBulkAppnDlg::reject);
  connect(buttons, &QDialogButtonBox::helpRequested, this, [help] {
    if (help) help(HELP_BULK_APPN);
  });

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(m_pSelectAll, 0, Qt::AlignLeft);
  layout->addWidget(buttons);
}

void CBulkAppnDlg::OnSelectAll() {
  const bool state = AppnSelectAllState(m_pBoxes[1]->isChecked());
  for (int n = 1; n <= 15; ++n) m_pBoxes[n]->setChecked(state);
}

void CBulkAppnDlg::accept() {
  for (int n = 1; n <= 15; ++n) m_settings.RemoveAPP[n] = m_pBoxes[n]->isChecked() ? 1 : 0;
  QDialog::accept();
}

} // namespace qv
