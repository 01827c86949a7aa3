#pragma once
// A started desktop program per test: settings in a temporary folder,
// messages recorded, real JPEG files written beside them.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "support/TestSupport.h"

class QWidget;

namespace qv {
class CChildFrame;
class CDocument;
class CImageView;
class CMainFrame;
class CQuorvexApp;
} // namespace qv

namespace qv::test {

class GuiTest : public ::testing::Test {
public:
  // Lets the windows paint and deletes what was closed.
  static void Settle(int ms = 20);
  // Saves a picture of the widget as screenshots/<name>.png.
  static void Screenshot(QWidget* widget, const std::string& name);

protected:
  void SetUp() override;
  void TearDown() override;

  CQuorvexApp& App() { return *m_app; }
  CMainFrame* Frame() const;
  // A test photograph written as a JPEG file in the test folder.
  std::string Photo(const std::string& name, int width, int height, unsigned seed = 1);
  CDocument* Open(const std::string& path);
  static CImageView* ViewOf(CDocument* doc);
  static CChildFrame* FrameOf(CDocument* doc);
  int DocumentCount();
  // Runs a command the way its menu item or key does (nothing when disabled).
  void Trigger(int id);
  bool Enabled(int id);
  TempDir dir;
  RecordingSink sink;

private:
  std::unique_ptr<CQuorvexApp> m_app;
};

} // namespace qv::test
