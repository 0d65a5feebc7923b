// ShowModal: every modal dialog of the suite is run through this one call,
// which returns the dialog's result (1 confirmed, 2 or 0 cancelled, as the
// dialog sets it). Production execs the dialog; a test handler fills it in.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "handler_scope.h"

class QDialog;

namespace zpgui {

class ModalHandler {
 public:
  virtual ~ModalHandler() = default;
  virtual int Run(QDialog& dialog) = 0;
};
ModalHandler* InstallModalHandler(ModalHandler* handler);
using ModalHandlerScope = HandlerScope<ModalHandler, &InstallModalHandler>;

}  // namespace zpgui

int ShowModal(QDialog& dialog);

namespace zpgui {

// Stands in for the operator while alive. Each dialog shown takes the next
// step of the script: the dialog is shown (so its show handlers run), the
// step fills it and presses its buttons or calls done(); a dialog the step
// leaves open is closed as by its window's close box. The result is the
// dialog's own. A dialog with no step left is closed that way too and
// counted as unexpected. Every dialog's object name is recorded in order.
class ModalScript final : public ModalHandler {
 public:
  using Step = std::function<void(QDialog&)>;
  void Then(Step step) { steps_.push_back(std::move(step)); }
  const std::vector<std::string>& Shown() const { return shown_; }
  int Unexpected() const { return unexpected_; }
  int Run(QDialog& dialog) override;

 private:
  std::deque<Step> steps_;
  std::vector<std::string> shown_;
  int unexpected_ = 0;
  ModalHandlerScope scope_{this};
};

}  // namespace zpgui
