#pragma once
// Message boxes as dialogs: the same text, caption, icon and buttons.
#include <string>

#include "platform/MessageSink.h"

class QWidget;

namespace qv {

class CQtMessageSink : public IMessageSink {
public:
  // The window that owns the boxes (the main window once it exists).
  void SetOwner(QWidget* owner) { m_owner = owner; }
  QWidget* Owner() const { return m_owner; }
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override;

private:
  QWidget* m_owner = nullptr;
};

} // namespace qv
