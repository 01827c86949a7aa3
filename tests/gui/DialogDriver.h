#pragma once
// Driving a modal dialog from a test: act on it once it is up, type into it.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

namespace qv::test {

// Runs fn on the dialog of type T once it is the modal window.
template <typename T>
void WhenModal(std::function<void(T&)> fn) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, fn, tries] {
    T* dlg = qobject_cast<T*>(QApplication::activeModalWidget());
    if (!dlg && ++*tries < 500) return;
    timer->stop();
    timer->deleteLater();
    if (dlg) fn(*dlg);
  });
  timer->start(10);
}

// Accepts the file dialog that comes up next with this path typed in;
// its title and filters go to *seen.
struct SeenFileDialog {
  std::string title;
  QStringList filters;
  std::string folder;
};
inline void AnswerFileDialog(const std::string& path, SeenFileDialog* seen) {
  WhenModal<QFileDialog>([path, seen](QFileDialog& dlg) {
    if (seen) {
      seen->title = dlg.windowTitle().toStdString();
      seen->filters = dlg.nameFilters();
      seen->folder = QFile::encodeName(dlg.directory().absolutePath()).toStdString();
    }
    auto* edit = dlg.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (edit) edit->setText(QString::fromStdString(path));
    static_cast<QDialog&>(dlg).accept();
    if (dlg.isVisible()) dlg.reject();
  });
}

inline void Type(QLineEdit* edit, const char* text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

} // namespace qv::test
