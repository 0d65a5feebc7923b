// The wait box: a small modeless window with a progress text, shown around a
// long call. Calls nest; the box goes when every ShowWaitBox has its
// CloseWaitBox. WaitBox closes it on every path out of a scope.
#pragma once

#include <string>
#include <vector>

#include "handler_scope.h"

class QWidget;

void ShowWaitBox(const char* text);
void CloseWaitBox();

namespace zpgui {

class WaitBoxHandler {
 public:
  virtual ~WaitBoxHandler() = default;
  virtual void Open(const std::string& text) = 0;
  virtual void Close() = 0;
};
WaitBoxHandler* InstallWaitBoxHandler(WaitBoxHandler* handler);
using WaitBoxHandlerScope = HandlerScope<WaitBoxHandler, &InstallWaitBoxHandler>;

// The production box, while one is open (its object name is "zpWaitBox").
QWidget* CurrentWaitBox();

class WaitBox {
 public:
  explicit WaitBox(const char* text) { ShowWaitBox(text); }
  ~WaitBox() { Close(); }
  void Close() {
    if (open_) CloseWaitBox();
    open_ = false;
  }
  WaitBox(const WaitBox&) = delete;
  WaitBox& operator=(const WaitBox&) = delete;

 private:
  bool open_ = true;
};

// Records opens ("+text") and closes ("-") in order while alive.
class WaitBoxLog final : public WaitBoxHandler {
 public:
  const std::vector<std::string>& Events() const { return events_; }
  int Depth() const { return depth_; }
  // True when every open was closed, and never more closes than opens.
  bool Balanced() const { return depth_ == 0 && !underflow_; }
  void Open(const std::string& text) override;
  void Close() override;

 private:
  std::vector<std::string> events_;
  int depth_ = 0;
  bool underflow_ = false;
  WaitBoxHandlerScope scope_{this};
};

}  // namespace zpgui
