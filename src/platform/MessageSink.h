#pragma once
// The stand-in for message boxes: the desktop program shows a dialog, the
// command-line tool prints to stderr, tests record what was said.
#include <string>
#include <utility>

namespace qv {

// Styles and answers keep the values the program was designed with.
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON2 = 0x100,  // the second button is the default
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IMessageSink {
public:
  virtual ~IMessageSink() = default;
  // Text is UTF-8; internal (CP932) text is converted before it gets here.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
};

// The command-line tool's messages on stderr: "PROGRAM: CAPTION: first line"
// and "PROGRAM: line" for each further line, without the blanks that pad the
// texts for a message box. A caption equal to the program's title says
// nothing on a terminal and is left out. Quiet drops the information
// messages (the closing counts); errors and warnings stay.
class CStderrMessageSink : public IMessageSink {
public:
  CStderrMessageSink(std::string program, std::string title, int answer = IDOK)
      : m_program(std::move(program)), m_title(std::move(title)), m_answer(answer) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void SetAnswer(int answer) { m_answer = answer; }
  void SetQuiet(bool quiet) { m_quiet = quiet; }

private:
  std::string m_program, m_title;
  int m_answer;
  bool m_quiet = false;
};

// Each non-blank line of text after prefix, its trailing blanks removed.
std::string PrefixLines(const std::string& prefix, const std::string& text);

// Swallows everything; the answer is fixed.
class CSilentMessageSink : public IMessageSink {
public:
  int MessageBox(const std::string&, const std::string&, unsigned) override { return IDOK; }
};

} // namespace qv
