#pragma once
// The comment edit dialog: the document's comment records by name, the
// text of the selected one, its character set, Ins and Del, and a text
// file read into the edit. It works on copies; only OK hands them back.
// The rules are CCommentForm's; the dialog moves text between it and the
// controls, converting internal text to Unicode and back.
#include <functional>
#include <string>
#include <vector>

#include <QDialog>
#include <QString>

#include "view/CommentForm.h"

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace qv {

class CConverterApp;
class CImageDoc;

class CCommentDialog : public QDialog {
  Q_OBJECT
public:
  // app: the default comment character set, the read settings for comment
  // files and the message sink. help: shows a help topic; without it the
  // Help button is disabled.
  CCommentDialog(QWidget* parent, CConverterApp& app, std::function<void(int topic)> help = {});

  // Before exec: copies of the records; `current` is an index into them.
  // After OK, `list` holds the edited records; after Cancel it is untouched.
  void SetComments(std::vector<CCommentRecord>& list, int current);

  // The work of "&File..." once a file is chosen.
  void LoadFile(const std::string& path);

  const CCommentForm& Form() const { return m_form; }
  int Beeps() const { return m_nBeeps; }
  QComboBox* NameCombo() const { return m_pName; }
  QComboBox* CharsetCombo() const { return m_pCharset; }
  QPlainTextEdit* TextEdit() const { return m_pText; }
  QPushButton* FileButton() const { return m_pFile; }
  QPushButton* InsButton() const { return m_pIns; }
  QPushButton* DelButton() const { return m_pDel; }
  QPushButton* OkButton() const { return m_pOk; }
  QPushButton* HelpButton() const { return m_pHelp; }

  void accept() override;

private:
  void BuildControls();
  void ConnectControls(QPushButton* cancel);
  void Init();
  // The form's wishes onto the controls.
  void Apply();
  // The edit's lines joined with CR LF, as internal text.
  std::string GetEditText() const;
  void SetEditText(const std::string& internal);
  void OnSelectionChanged(int k);
  void OnNameEdited(const QString& name);
  void OnTextChanged();
  void OnCharsetChosen(int index);
  void OnIns();
  void OnDel();
  void OnFile();
  void CannotHold(int code);
  void Beep();

  CConverterApp& m_app;
  CCommentForm m_form;
  std::vector<CCommentRecord>* m_pTarget = nullptr;
  std::function<void(int)> m_help;
  QString m_lastGoodText;  // the edit's text before a change it could not hold
  QString m_lastGoodName;
  int m_bUpdating = 0;
  int m_nBeeps = 0;
  QComboBox* m_pName = nullptr;      // 1006
  QComboBox* m_pCharset = nullptr;   // the selected record's character set
  QPlainTextEdit* m_pText = nullptr; // 1004
  QPushButton* m_pFile = nullptr;    // 1003
  QPushButton* m_pIns = nullptr;     // 1136
  QPushButton* m_pDel = nullptr;     // 1137
  QPushButton* m_pOk = nullptr;
  QPushButton* m_pHelp = nullptr;    // 1299
};

// Command 440 on a document: the dialog on its comment list. OK sets the
// comment flag and makes current the record named as the old current one
// (letter case ignored), or none. Returns whether OK ended it.
bool RunCommentDialog(QWidget* parent, CImageDoc& doc, std::function<void(int topic)> help = {});

} // namespace qv
