#include "platform/MessageSink.h"

#include <cstdio>

namespace qv {

int CStderrMessageSink::MessageBox(const std::string& text, const std::string& caption, unsigned) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  return m_answer;
}

} // namespace qv
