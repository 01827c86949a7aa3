#pragma once
// Dialog 143: which APPn segments (1 to 15) the bulk filter removes. Edits
// its parent's settings in place on OK.
#include <functional>

#include <QDialog>

class QCheckBox;
class QPushButton;

namespace qv {

struct CBulkFilterSettings;

class CBulkAppnDlg : public QDialog {
  Q_OBJECT
public:
  // help: shows a help topic by its number; may be empty.
  CBulkAppnDlg(CBulkFilterSettings& settings, QWidget* parent, std::function<void(int)> help = {});

  // APP1 ... APP15 (1251-1265).
  QCheckBox* AppBox(int n) const { return m_pBoxes[n]; }
  QPushButton* SelectAllButton() const { return m_pSelectAll; }

  void accept() override;

private:
  void OnSelectAll();

  CBulkFilterSettings& m_settings;
  QCheckBox* m_pBoxes[16] = {};  // [0] unused
  QPushButton* m_pSelectAll = nullptr;
};

} // namespace qv
