#include "cli/TerminalProgress.h"

#include <cstdio>

namespace qv::cli {

void CTerminalProgress::SetFileName(const std::string& name) {
  m_name = name;
  Draw();
}

void CTerminalProgress::SetCounter(const std::string& text) {
  m_counter = text;
  Draw();
}

void CTerminalProgress::Clear() {
  if (m_show && m_drawn) std::fputs("\r\033[K", stderr);
  m_drawn = false;
}

void CTerminalProgress::Draw() {
  if (!m_show) return;
  std::fprintf(stderr, "\r\033[K%s  %s", m_counter.c_str(), m_name.c_str());
  std::fflush(stderr);
  m_drawn = true;
}

} // namespace qv::cli
