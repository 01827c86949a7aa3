#pragma once
// The About box: the application icon, the product and version lines and
// the device picture on white, with OK.
#include <QDialog>

class QLabel;
class QPushButton;

namespace qv {

class CAboutDlg : public QDialog {
  Q_OBJECT
public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  // The link to the maker's page: present but hidden and disabled, as the
  // box was designed.
  QLabel* Link() const { return m_pLink; }
  QPushButton* OkButton() const { return m_pOk; }

private:
  QLabel* m_pLink = nullptr;
  QPushButton* m_pOk = nullptr;
};

} // namespace qv
