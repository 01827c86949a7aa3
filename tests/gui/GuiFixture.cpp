#include "GuiFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QTest>

#include "gui/ChildFrame.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/ImageView.h"

namespace qv::test {

void GuiTest::SetUp() {
  m_app = std::make_unique<CQuorvexApp>(dir.File("config"));
  StartOptions options;
  options.singleInstance = false;
  options.show = false;
  ASSERT_EQ(m_app->InitInstance(options), CQuorvexApp::StartResult::Running);
  m_app->App().SetMessageSink(sink);
  Frame()->move(0, 0);
  Frame()->resize(1000, 720);
  Frame()->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame()));
  // Keys reach only the active window; under X11 activation takes a round
  // trip (and the window manager's word, when there is one).
  Frame()->activateWindow();
  (void)QTest::qWaitForWindowActive(Frame(), 3000);
}

void GuiTest::TearDown() {
  if (!m_app) return;  // skipped before the program started
  m_app->ExitInstance();
  m_app.reset();
  Settle(0);
}

CMainFrame* GuiTest::Frame() const { return m_app->MainFrame(); }

std::string GuiTest::Photo(const std::string& name, int width, int height, unsigned seed) {
  const std::string path = dir.File(name);
  WriteFileBytes(path, EncodeJpeg(MakeTestPicture(width, height, seed), width, height, 3, 90));
  return path;
}

CDocument* GuiTest::Open(const std::string& path) {
  CDocument* doc = m_app->OpenDocumentFile(path);
  Settle();
  return doc;
}

CImageView* GuiTest::ViewOf(CDocument* doc) { return doc ? doc->FirstView() : nullptr; }

CChildFrame* GuiTest::FrameOf(CDocument* doc) {
  CImageView* v = ViewOf(doc);
  return v ? v->Frame() : nullptr;
}

int GuiTest::DocumentCount() { return m_app->Template().Count(); }

void GuiTest::Trigger(int id) {
  Frame()->updateActions();
  QAction* a = Frame()->Action(id);
  ASSERT_NE(a, nullptr) << "no action " << id;
  a->trigger();
  Settle();
}

bool GuiTest::Enabled(int id) {
  Frame()->updateActions();
  QAction* a = Frame()->Action(id);
  return a && a->isEnabled();
}

void GuiTest::Settle(int ms) {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  if (ms > 0) QTest::qWait(ms);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void GuiTest::Screenshot(QWidget* widget, const std::string& name) {
  const QString folder = QStringLiteral(QUORVEX_SCREENSHOT_DIR);
  QDir().mkpath(folder);
  Settle();
  const QPixmap shot = widget->grab();
  EXPECT_TRUE(shot.save(folder + QLatin1Char('/') + QString::fromStdString(name) + QStringLiteral(".png")));
}

} // namespace qv::test
