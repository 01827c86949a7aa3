// Starting the program (one instance per user, the window where it was) and
// the ways files are offered to it (the open dialog, the recent-file list).
#include <QAbstractItemModel>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "GuiFixture.h"
#include "app/Profile.h"
#include "gui/AppTexts.h"
#include "gui/CommandIds.h"
#include "gui/DocTemplate.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/RecentFileList.h"
#include "gui/SingleInstance.h"
#include "platform/ui/FileDialog.h"

namespace qv::test {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
  ScopedEnv(const char* name, const std::string* value) : m_name(name), m_had(qEnvironmentVariableIsSet(name)) {
    m_old = qgetenv(name);
    if (value)
      qputenv(name, QByteArray::fromStdString(*value));
    else
      qunsetenv(name);
  }
  ~ScopedEnv() {
    if (m_had)
      qputenv(m_name, m_old);
    else
      qunsetenv(m_name);
  }

private:
  const char* m_name;
  bool m_had;
  QByteArray m_old;
};

std::string Key(const char* what) { return std::string("qv-") + what + "-" + std::to_string(::getpid()); }

bool IsSocket(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISSOCK(st.st_mode);
}

TEST(SingleInstanceFolder, lockAndSocketLiveTogetherInTheRuntimeFolder) {
  TempDir runtime;
  const std::string path = runtime.Path();
  ScopedEnv env("XDG_RUNTIME_DIR", &path);
  CSingleInstance first(Key("together"));
  ASSERT_TRUE(first.Acquire());
  EXPECT_EQ(first.LockPath().toStdString(), path + "/" + Key("together") + ".lock");
  EXPECT_EQ(first.ServerName().toStdString(), path + "/" + Key("together") + ".socket");
  EXPECT_TRUE(IsSocket(first.ServerName()));
}

TEST(SingleInstanceFolder, withoutARuntimeFolderBothGoToAPrivateFolderOfTheUser) {
  TempDir tmp;
  const std::string base = tmp.Path();
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
  ScopedEnv env("TMPDIR", &base);
  const std::string folder = base + "/quorvex-runtime-" + std::to_string(::getuid());
  EXPECT_EQ(CSingleInstance::Folder().toStdString(), folder);
  struct stat st {};
  ASSERT_EQ(::lstat(folder.c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  CSingleInstance first(Key("private"));
  ASSERT_TRUE(first.Acquire());
  EXPECT_EQ(first.LockPath().toStdString().rfind(folder + "/", 0), 0u);
  EXPECT_EQ(first.ServerName().toStdString().rfind(folder + "/", 0), 0u);
}

TEST(SingleInstanceFolder, anInstanceOfAnotherRuntimeFolderLeavesTheHandOverAlone) {
  TempDir a, b;
  const std::string pathA = a.Path(), pathB = b.Path();
  const std::string key = Key("apart");
  ScopedEnv env("XDG_RUNTIME_DIR", &pathA);
  CSingleInstance first(key);
  ASSERT_TRUE(first.Acquire());
  QSignalSpy spy(&first, &CSingleInstance::filesReceived);
  {
    // Another login of the same user: its own runtime folder, its own
    // instance, which comes and goes.
    ScopedEnv other("XDG_RUNTIME_DIR", &pathB);
    CSingleInstance second(key);
    EXPECT_TRUE(second.Acquire());
  }
  EXPECT_TRUE(IsSocket(first.ServerName()));
  CSingleInstance third(key);
  EXPECT_FALSE(third.Acquire());
  EXPECT_TRUE(third.SendFiles({"/x/late.jpg"}));
  ASSERT_TRUE(spy.wait(3000));
  EXPECT_EQ(spy.at(0).at(0).toStringList(), QStringList{QStringLiteral("/x/late.jpg")});
}

TEST(SingleInstanceStart, aStartWhoseHandOverFailsOpensTheFileItself) {
  TempDir dir;
  const std::string runtime = dir.Path();
  ScopedEnv env("XDG_RUNTIME_DIR", &runtime);
  const std::string key = Key("orphan");
  // The lock is held by something that does not listen: nobody takes files.
  const int fd = ::open((runtime + "/" + key + ".lock").c_str(), O_RDWR | O_CREAT, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  const std::string photo = dir.File("p.jpg");
  WriteFileBytes(photo, EncodeJpeg(MakeTestPicture(40, 30), 40, 30, 3));
  CQuorvexApp app(dir.File("config"));
  StartOptions o;
  o.instanceKey = key;
  o.handOverMs = 300;
  o.show = false;
  o.files = {photo};
  EXPECT_EQ(app.InitInstance(o), CQuorvexApp::StartResult::Running);
  ASSERT_NE(app.MainFrame(), nullptr);
  ASSERT_EQ(app.Template().Count(), 1);
  EXPECT_EQ(app.Template().Documents()[0]->PathName(), photo);
  app.ExitInstance();
  ::close(fd);
}

// ---- the window's place over restarts ----

class WindowPlaceTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::mkdir(dir.File("config").c_str(), 0755);
    WriteFileText(dir.File("config/quorvex.ini"),
                  "[default]\nRestoreWindowPos=1\nWindowPosLeft=40\nWindowPosTop=50\nWindowPosWidth=800\n"
                  "WindowPosHeight=600\n");
  }
  // One start and exit through the main window; the outer rectangle it
  // had once it was up.
  QRect StartAndExit() {
    CQuorvexApp app(dir.File("config"));
    StartOptions o;
    o.singleInstance = false;
    EXPECT_EQ(app.InitInstance(o), CQuorvexApp::StartResult::Running);
    CMainFrame* frame = app.MainFrame();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(frame));
    // A window manager frames the window a moment after it shows.
    (void)QTest::qWaitFor([&] { return frame->frameGeometry() == Stored(); }, 3000);
    const QRect outer = frame->frameGeometry();
    frame->close();
    app.ExitInstance();
    return outer;
  }
  QRect Stored() {
    CProfile ini(dir.File("config/quorvex.ini"));
    return QRect(ini.GetInt("default", "WindowPosLeft", 0), ini.GetInt("default", "WindowPosTop", 0),
                 ini.GetInt("default", "WindowPosWidth", 0), ini.GetInt("default", "WindowPosHeight", 0));
  }
  TempDir dir;
};

TEST_F(WindowPlaceTest, theOuterRectangleIsStoredAndComesBackTheSameOverTwoRestarts) {
  const QRect first = StartAndExit();
  EXPECT_EQ(first, QRect(40, 50, 800, 600));
  EXPECT_EQ(Stored(), QRect(40, 50, 800, 600));
  const QRect second = StartAndExit();
  EXPECT_EQ(second, first);
  EXPECT_EQ(Stored(), first);
  EXPECT_EQ(StartAndExit(), first);
  EXPECT_EQ(Stored(), first);
}

class StartAndFilesTest : public GuiTest {};

// ---- the open dialog ----

// The texts the dialog's filter list shows.
QStringList ShownFilters(QFileDialog* dlg) {
  QStringList texts;
  if (auto* combo = dlg->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
  return texts;
}

TEST_F(StartAndFilesTest, theOpenDialogShowsTheFilterTextOnceAndStillFiltersByIt) {
  for (const char* n : {"a.jpg", "B.JPEG", "c.jif", "d.jfif"}) Photo(n, 16, 16);
  for (const char* n : {"e.png", "f.txt", "g.jpe"}) WriteFileText(dir.File(n), "x");
  App().OpenDialog().SetInitialDir(dir.Path());
  QFileDialog* dlg = App().OpenDialog().Dialog();
  dlg->setOption(QFileDialog::DontUseNativeDialog);
  QStringList filters, listed;
  QTimer::singleShot(50, dlg, [&] {
    filters = ShownFilters(dlg);
    Screenshot(dlg, "open-dialog");
    if (auto* view = dlg->findChild<QListView*>(QStringLiteral("listView"))) {
      // The folder is read in the background.
      (void)QTest::qWaitFor([&] { return view->model()->rowCount(view->rootIndex()) >= 4; }, 5000);
      Settle(50);
      for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r) {
        const QString name = view->model()->index(r, 0, view->rootIndex()).data().toString();
        if (!QFileInfo(QString::fromStdString(dir.File(name.toStdString()))).isDir()) listed << name;
      }
    }
    dlg->reject();
  });
  Trigger(ID_FILE_OPEN);
  EXPECT_EQ(filters, QStringList{QStringLiteral("JPEG file(*.jpg;*.jpeg;*.jif;*.jfif)")});
  listed.sort(Qt::CaseInsensitive);
  EXPECT_EQ(listed, (QStringList{"a.jpg", "B.JPEG", "c.jif", "d.jfif"}));
  EXPECT_EQ(App().App().m_settings.ReadFilterIdx, 1);
}

// ---- the recent-file list ----

TEST(RecentFileNames, oneRuleForEveryEntry) {
  EXPECT_EQ(AbbreviatePath("/p/photo.jpg", 30), "/p/photo.jpg");
  EXPECT_EQ(AbbreviatePath("/home/u/pictures/2024/holiday/photo.jpg", 30), "/home/u/pictures/\xE2\x80\xA6/photo.jpg");
  EXPECT_EQ(AbbreviatePath("/home/u/pictures/2024/holiday/photo.jpg", 20), "/home/u/\xE2\x80\xA6/photo.jpg");
  EXPECT_EQ(AbbreviatePath("/home/u/pictures/2024/holiday/photo.jpg", 12), "/\xE2\x80\xA6/photo.jpg");
  // The name stays whole even when it alone is too long.
  EXPECT_EQ(AbbreviatePath("/a/b/a-very-long-file-name-of-a-photo.jpg", 20),
            "/\xE2\x80\xA6/a-very-long-file-name-of-a-photo.jpg");
  EXPECT_EQ(AbbreviatePath("/a-very-long-file-name-of-a-photo.jpg", 20), "/a-very-long-file-name-of-a-photo.jpg");
  // Characters are counted, not bytes.
  EXPECT_EQ(AbbreviatePath("/写真/夏休み/海/写真一.jpg", 20), "/写真/夏休み/海/写真一.jpg");
  EXPECT_EQ(AbbreviatePath("/写真/二〇二四年/夏休み/海/写真一.jpg", 20), "/写真/二〇二四年/\xE2\x80\xA6/写真一.jpg");
}

TEST_F(StartAndFilesTest, theRecentMenuShowsNumberedEntriesShortenedAlike) {
  const std::string deep = "some-folder-with-a-long-name/and-one-more-level";
  ::mkdir(dir.File("some-folder-with-a-long-name").c_str(), 0755);
  ::mkdir(dir.File(deep).c_str(), 0755);
  const std::string a = Photo(deep + "/a&b.jpg", 16, 16);
  const std::string b = Photo("b.jpg", 16, 16);
  Open(a);
  Open(b);
  Trigger(ID_CLOSE_ALL);
  QMenu* file = Frame()->menuBar()->actions().front()->menu();
  emit file->aboutToShow();
  std::vector<std::string> texts;
  for (int i = 0; i < 2; ++i) {
    QAction* entry = Frame()->Action(ID_FILE_MRU_FIRST + i);
    ASSERT_NE(entry, nullptr) << i;
    texts.push_back(entry->text().toStdString());
  }
  EXPECT_EQ(texts[0], "&1 " + AbbreviatePath(b, kRecentDisplayLength));
  EXPECT_EQ(texts[1], "&2 " + [&] {
    std::string t = AbbreviatePath(a, kRecentDisplayLength);
    return t.replace(t.find('&'), 1, "&&");
  }());
  for (const std::string& t : texts) {
    // Always a path: it starts at the root, and the folder part is never
    // left out without saying so.
    EXPECT_EQ(t.substr(3, 1), "/") << t;
    const std::string shown = t.substr(3);
    EXPECT_TRUE(shown == a || shown == b || shown.find("/\xE2\x80\xA6/") != std::string::npos) << t;
  }
  EXPECT_NE(texts[1].find("/a&&b.jpg"), std::string::npos);
  Screenshot(Frame(), "main-recent-entries");
}

} // namespace
} // namespace qv::test
