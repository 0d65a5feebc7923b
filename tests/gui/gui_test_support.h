// Helpers of the GUI library's tests: environment variables and a run
// directory that go back to what they were when the test ends.
#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<QByteArray>& value) : name_(name) {
    if (qEnvironmentVariableIsSet(name)) previous_ = qgetenv(name);
    if (value) {
      qputenv(name, *value);
    } else {
      qunsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (previous_) {
      qputenv(name_, *previous_);
    } else {
      qunsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<QByteArray> previous_;
};

// A fresh run directory, made the host's through ZP_RUN_PATH.
class TempRunDir {
 public:
  TempRunDir() : env_("ZP_RUN_PATH", dir_.path().toLocal8Bit()) {}
  QString path() const { return dir_.path(); }
  std::string str() const { return dir_.path().toStdString(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  ScopedEnv env_;
};

// Acts on the first visible window of type T once the modal loop about to
// start shows it, as an operator would. Should none turn up within about
// three seconds, every window is closed so that the loop, and the test, end.
template <class T>
void WhenShown(std::function<void(T&)> act) {
  auto* timer = new QTimer;
  auto tries = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, tries, act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* window = qobject_cast<T*>(widget); window && window->isVisible()) {
        timer->deleteLater();
        timer->stop();
        act(*window);
        return;
      }
    }
    if (++*tries > 300) {
      timer->deleteLater();
      timer->stop();
      QApplication::closeAllWindows();
    }
  });
  timer->start(10);
}
