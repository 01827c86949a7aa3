#include "platform/ui/FileDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace qv {

QStringList NameFiltersFromList(const std::string& filterList) {
  const QStringList parts = QString::fromStdString(filterList).split(QLatin1Char('|'));
  QStringList filters;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].isEmpty()) break;  // the "||" at the end
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
  }
  return filters;
}

CFileDialog::CFileDialog(Mode mode, const std::string& filterList, QWidget* parent)
    : m_dialog(new QFileDialog(parent)), m_filters(NameFiltersFromList(filterList)) {
  // The texts name their patterns already: the list shows each text once,
  // as written, and the patterns in brackets behind it still filter.
  m_dialog->setOption(QFileDialog::HideNameFilterDetails, true);
  m_dialog->setNameFilters(m_filters);
  m_dialog->setOption(QFileDialog::ReadOnly, false);
  switch (mode) {
  case Open:
    m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
    m_dialog->setFileMode(QFileDialog::ExistingFile);
    break;
  case OpenMultiple:
    m_dialog->setAcceptMode(QFileDialog::AcceptOpen);
    m_dialog->setFileMode(QFileDialog::ExistingFiles);
    break;
  case Save:
    m_dialog->setAcceptMode(QFileDialog::AcceptSave);
    m_dialog->setFileMode(QFileDialog::AnyFile);
    break;  // Qt asks before overwriting unless told not to
  }
}

CFileDialog::~CFileDialog() { delete m_dialog.data(); }

void CFileDialog::SetParent(QWidget* parent) { m_dialog->setParent(parent, m_dialog->windowFlags() | Qt::Dialog); }

void CFileDialog::SetTitle(const std::string& title) { m_dialog->setWindowTitle(QString::fromStdString(title)); }

void CFileDialog::SetInitialDir(const std::string& dir) { m_dialog->setDirectory(QFile::decodeName(dir.c_str())); }

void CFileDialog::SetFilterIndex(int index) {
  if (m_filters.isEmpty()) return;
  const int i = index >= 1 && index <= m_filters.size() ? index - 1 : 0;
  m_dialog->selectNameFilter(m_filters[i]);
}

void CFileDialog::SetFileName(const std::string& name) { m_dialog->selectFile(QFile::decodeName(name.c_str())); }

bool CFileDialog::Run() { return m_dialog->exec() == QDialog::Accepted; }

std::vector<std::string> CFileDialog::Paths() const {
  std::vector<std::string> out;
  for (const QString& f : m_dialog->selectedFiles()) out.push_back(QFile::encodeName(f).toStdString());
  return out;
}

std::string CFileDialog::Path() const {
  const auto paths = Paths();
  return paths.empty() ? std::string() : paths.front();
}

std::string CFileDialog::Folder() const {
  // A typed path may name another folder than the one shown.
  const QStringList files = m_dialog->selectedFiles();
  const QString folder = m_dialog->result() == QDialog::Accepted && !files.isEmpty()
                             ? QFileInfo(files.front()).absolutePath()
                             : m_dialog->directory().absolutePath();
  return QFile::encodeName(folder).toStdString();
}

int CFileDialog::FilterIndex() const {
  // Depending on Qt's version the selected filter comes with or without
  // the patterns it hides.
  const QString selected = m_dialog->selectedNameFilter();
  for (int i = 0; i < m_filters.size(); ++i)
    if (m_filters[i] == selected || m_filters[i].left(m_filters[i].lastIndexOf(QStringLiteral(" ("))) == selected)
      return i + 1;
  return 1;
}

} // namespace qv
