#pragma once
// The progress dialog of a long run as one line on a terminal.
#include <string>

#include "batch/BatchEngine.h"

namespace qv::cli {

class CTerminalProgress : public IBatchProgress {
public:
  explicit CTerminalProgress(bool show) : m_show(show) {}
  ~CTerminalProgress() override { Clear(); }
  void SetRange(int) override {}
  void SetFileName(const std::string& name) override;
  void SetCounter(const std::string& text) override;
  void StepIt() override {}
  bool AbortRequested() const override { return false; }
  // Erases the line, so that a message printed next stays readable.
  void Clear();

private:
  void Draw();
  bool m_show;
  bool m_drawn = false;
  std::string m_name, m_counter;
};

} // namespace qv::cli
