#pragma once
// A batch run in the real desktop program, stepped by the test itself.
#include <string>
#include <vector>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "batch/BatchSettings.h"
#include "batch/ui/ProgressDlg.h"
#include "gui/BatchHost.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"

namespace qv::test {

class BatchRunFixture : public GuiTest {
protected:
  void SetUp() override {
    GuiTest::SetUp();
    Frame()->BatchTimer()->stop();  // each test says how the run is driven
    ::mkdir(dir.File("in").c_str(), 0755);
    ::mkdir(dir.File("out").c_str(), 0755);
  }
  // Photos under the names (but those containing "broken") in in/, and a
  // run of them all into out/.
  void Start(const std::vector<std::string>& names) {
    for (const std::string& n : names)
      if (n.find("broken") == std::string::npos) Photo("in/" + n, 320, 200, static_cast<unsigned>(n.size()));
    BatchRunRequest req;
    req.files = names;
    req.srcDir = dir.File("in");
    req.dstDir = dir.File("out");
    ASSERT_TRUE(App().BatchHost().Run().Start(req));
  }
  void Tick() {
    Frame()->OnTimerTick();
    Frame()->BatchTimer()->stop();
    Settle(0);
  }
  CProgressDlg* Progress() { return static_cast<CProgressDlg*>(App().BatchHost().Progress()); }
};

} // namespace qv::test
