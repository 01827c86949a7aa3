#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include "GuiFixture.h"
#include "gui/CommandIds.h"
#include "gui/QuorvexApp.h"
#include "image/JpegCodec.h"
#include "platform/ui/FileDialog.h"

namespace qv::test {
namespace {

class OpenSpecialFileTest : public GuiTest {};

TEST_F(OpenSpecialFileTest, fileOpenOfAPipeFailsAtOnceWithTheOpenErrorText) {
  const std::string pipe = dir.File("pipe.jpg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
  // Should the open block after all, a writer that comes and goes ends it,
  // so the test fails on the time instead of hanging.
  std::atomic<bool> done{false};
  std::thread rescue([&] {
    for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    while (!done) {
      const int fd = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) ::close(fd);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });

  App().OpenDialog().SetInitialDir(dir.Path());
  QFileDialog* dlg = App().OpenDialog().Dialog();
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  QTimer::singleShot(50, dlg, [dlg] {
    if (auto* edit = dlg->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      edit->setText(QStringLiteral("pipe.jpg"));
    static_cast<QDialog*>(dlg)->accept();
    if (dlg->isVisible()) dlg->reject();
  });
  const auto start = std::chrono::steady_clock::now();
  Trigger(ID_FILE_OPEN);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  done = true;
  rescue.join();

  EXPECT_LT(seconds, 3.0);
  EXPECT_EQ(DocumentCount(), 0);
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_EQ(sink.messages[0].caption, "JPEG File Load");
  char text[512];
  std::snprintf(text, sizeof text, LoadErrorFormat(4), pipe.c_str());
  EXPECT_EQ(sink.messages[0].text, text);
}

} // namespace
} // namespace qv::test
