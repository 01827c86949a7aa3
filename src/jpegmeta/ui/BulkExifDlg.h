#pragma once
// Dialog 156: the Exif-to-JFIF options of the bulk filter. Edits its
// parent's settings in place on OK.
#include <functional>

#include <QDialog>

class QCheckBox;

namespace qv {

struct CBulkFilterSettings;

class CBulkExifDlg : public QDialog {
  Q_OBJECT
public:
  // help: shows a help topic by its number; may be empty.
  CBulkExifDlg(CBulkFilterSettings& settings, QWidget* parent, std::function<void(int)> help = {});

  QCheckBox* GenCommentBox() const { return m_pGenCmt; }    // 1091
  QCheckBox* UserCommentBox() const { return m_pUserCmt; }  // 1092
  QCheckBox* EnglishBox() const { return m_pGenEng; }       // 1093

  void accept() override;

private:
  void UpdateEnables();

  CBulkFilterSettings& m_settings;
  QCheckBox* m_pGenCmt = nullptr;
  QCheckBox* m_pUserCmt = nullptr;
  QCheckBox* m_pGenEng = nullptr;
};

} // namespace qv
