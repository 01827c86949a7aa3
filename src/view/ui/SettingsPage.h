#pragma once
// The base of the settings sheet's pages.
#include <QWidget>

namespace qv {

// One page: filled once when first shown, stored by the sheet's OK.
class CSettingsPage : public QWidget {
public:
  CSettingsPage(QWidget* parent, int helpTopic) : QWidget(parent), m_nHelpTopic(helpTopic) {}
  int HelpTopic() const { return m_nHelpTopic; }
  bool WasShown() const { return m_bShown; }
  void InitOnce() {
    if (m_bShown) return;
    m_bShown = true;
    OnInitDialog();
  }
  virtual void OnInitDialog() = 0;
  virtual void OnOK() = 0;

private:
  int m_nHelpTopic;
  bool m_bShown = false;
};

} // namespace qv
