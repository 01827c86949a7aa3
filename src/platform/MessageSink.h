#pragma once
// The stand-in for message boxes: the desktop program shows a dialog, the
// command-line tool prints to stderr, tests record what was said.
#include <string>

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
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class IMessageSink {
public:
  virtual ~IMessageSink() = default;
  // Text is UTF-8; internal (CP932) text is converted before it gets here.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned style) = 0;
};

// Prints "caption: text" to stderr and answers with a fixed reply.
class CStderrMessageSink : public IMessageSink {
public:
  explicit CStderrMessageSink(int answer = IDOK) : m_answer(answer) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;
  void SetAnswer(int answer) { m_answer = answer; }

private:
  int m_answer;
};

// Swallows everything; the answer is fixed.
class CSilentMessageSink : public IMessageSink {
public:
  int MessageBox(const std::string&, const std::string&, unsigned) override { return IDOK; }
};

} // namespace qv
