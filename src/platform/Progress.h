#pragma once
// The progress dialog of a long run (the batch conversion, the bulk filter)
// as the core sees it.
#include <string>

namespace qv {

class IBatchProgress {
public:
  virtual ~IBatchProgress() = default;
  virtual void SetRange(int total) = 0;  // position 0, step 1
  virtual void SetFileName(const std::string& name) = 0;
  virtual void SetCounter(const std::string& text) = 0;
  virtual void StepIt() = 0;
  virtual bool AbortRequested() const = 0;
  // Shown again without activating it, after every Convert step.
  virtual void ShowAgain() {}
};

} // namespace qv
