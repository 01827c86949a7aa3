#pragma once
// The settings sheet (command 441, caption "環境設定"): four pages that
// edit the application's settings, OK, Cancel and Help, no Apply. A page
// fills its controls when it is first shown; OK stores the pages that were
// shown, Cancel stores nothing.
#include <functional>
#include <vector>

#include <QDialog>

#include "view/DqtForm.h"

class QPushButton;
class QTabWidget;

namespace qv {

class CConverterApp;
class CCommentPage;
class CGeneralPage;
class CJpegPage;
class CPngPage;
class CSettingsPage;

// What the pages need from outside the application's settings.
struct SettingsSheetHost {
  // Button 1011: the recent-file list cleared, in the profile at once.
  std::function<void()> clearRecent;
  // The help window for a topic.
  std::function<void(int topic)> help;
  // The open documents, for the DQT dialog's import list.
  std::vector<DqtSource> documents;
  // Bits per pixel of the screen (the 15/16-bit dither box).
  int screenDepth = 24;
};

class CSettingsSheet : public QDialog {
  Q_OBJECT
public:
  CSettingsSheet(QWidget* parent, CConverterApp& app, SettingsSheetHost host);
  ~CSettingsSheet() override;

  QTabWidget* Tabs() const { return m_pTabs; }
  CGeneralPage* General() const { return m_pGeneral; }
  CCommentPage* Comment() const { return m_pComment; }
  CJpegPage* Jpeg() const { return m_pJpeg; }
  CPngPage* Png() const { return m_pPng; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* CancelButton() const { return m_pCancel; }
  QPushButton* HelpButton() const { return m_pHelp; }

  void accept() override;

private:
  CSettingsPage* Page(int index) const;

  SettingsSheetHost m_host;
  QTabWidget* m_pTabs = nullptr;
  CGeneralPage* m_pGeneral = nullptr;
  CCommentPage* m_pComment = nullptr;
  CJpegPage* m_pJpeg = nullptr;
  CPngPage* m_pPng = nullptr;
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pCancel = nullptr;
  QPushButton* m_pHelp = nullptr;
};

// Command 441: the sheet, modally; its result is not used.
void RunSettingsSheet(QWidget* parent, CConverterApp& app, SettingsSheetHost host);

} // namespace qv
