#pragma once
// The stand-in for the help file: one small window that names the topic a
// help request asked for and points at the README section that describes
// the program's windows. It never blocks: the window that asked stays
// usable, and a modal dialog's help can be read and closed while the
// dialog is up.
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

namespace qv {

inline constexpr const char kHelpWindowCaption[] = "Quorvex Help";
inline constexpr const char kHelpReadmeSection[] = "The desktop program";

class CHelpWindow : public QWidget {
  Q_OBJECT
public:
  // Shows `topic` in the help window, made for `from`'s window (a new one
  // when the window that asks changed). Returns the window.
  static CHelpWindow* ShowTopic(QWidget* from, int topic);
  // The help's search page.
  static CHelpWindow* ShowSearch(QWidget* from);
  // The help window while one is open, else null.
  static CHelpWindow* Current();
  // What a topic is about, "" for numbers the program does not use.
  static const char* TopicTitle(int topic);

  // The topic shown; 0 for the search page.
  int Topic() const { return m_nTopic; }
  QString Text() const;
  QPushButton* SearchButton() const { return m_pSearch; }
  QPushButton* CloseButton() const { return m_pClose; }

private:
  explicit CHelpWindow(QWidget* parent);
  static CHelpWindow* For(QWidget* from);
  void Show(int topic);

  int m_nTopic = 0;
  QLabel* m_pTitle = nullptr;
  QLabel* m_pText = nullptr;
  QPushButton* m_pSearch = nullptr;  // the search page, as the help viewer offers it
  QPushButton* m_pClose = nullptr;
};

// A help request from the window the user is in (a modal dialog while one
// is up): the callback the dialogs' Help buttons are given.
void ShowHelpTopic(int topic);

} // namespace qv
