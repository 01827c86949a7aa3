#include "platform/MessageSink.h"

#include <cstdio>

namespace qv {

std::string PrefixLines(const std::string& prefix, const std::string& text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    size_t last = end;
    while (last > at && (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r')) --last;
    if (last > at) out += prefix + text.substr(at, last - at) + "\n";
    at = end + 1;
  }
  return out;
}

int CStderrMessageSink::MessageBox(const std::string& text, const std::string& caption, unsigned style) {
  if (m_quiet && (style & 0xF0) == MB_ICONINFORMATION) return m_answer;
  std::string head = m_program + ": ";
  if (!caption.empty() && caption != m_title) head += caption + ": ";
  // The caption goes with the first line only; the others carry the program's name.
  const std::string body = PrefixLines(m_program + ": ", text);
  std::string shown = body.empty() ? std::string() : head + body.substr(m_program.size() + 2);
  std::fputs(shown.c_str(), stderr);
  return m_answer;
}

} // namespace qv
