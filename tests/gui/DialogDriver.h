#pragma once
// Driving a modal dialog from a test: act on it once it is up, type into it.
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

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

inline void Type(QLineEdit* edit, const char* text) {
  edit->setFocus();
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

} // namespace qv::test
