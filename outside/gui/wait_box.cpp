#include "wait_box.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace zpgui {
namespace {

WaitBoxHandler* current_handler = nullptr;
const char kName[] = "zpWaitBox";

// One box for the whole application, made at its first use and hidden, not
// destroyed, when the last call closes it: the workspace opens it for every
// query, and making a window anew each time cost more than the query's own
// drawing. It goes with the application.
QPointer<QFrame> theBox;
int depth = 0;  // opens not yet closed

void ForgetBox() {
  delete theBox.data();
  depth = 0;
}

QFrame* MakeBox() {
  auto* frame = new QFrame(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
  frame->setObjectName(kName);
  frame->setFrameStyle(QFrame::Box | QFrame::Raised);
  frame->setAttribute(Qt::WA_ShowWithoutActivating);
  auto* label = new QLabel(frame);
  label->setObjectName("lblWaitText");
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumWidth(240);
  auto* layout = new QVBoxLayout(frame);
  layout->setContentsMargins(24, 16, 24, 16);
  layout->addWidget(label);
  static const bool forgetOnExit = (qAddPostRoutine(ForgetBox), true);
  (void)forgetOnExit;
  return frame;
}

class QtWaitBox final : public WaitBoxHandler {
 public:
  void Open(const std::string& text) override {
    // Made again if someone deleted it; the calls it was open for still
    // count, and still close it.
    if (!theBox) theBox = MakeBox();
    QFrame* box = theBox;
    // The window does not answer until the call returns: say so at the pointer too.
    if (depth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    box->findChild<QLabel*>("lblWaitText")->setText(QString::fromStdString(text));
    box->adjustSize();
    if (QWidget* owner = QApplication::activeWindow()) {
      box->move(owner->geometry().center() - box->rect().center());
    }
    box->show();
    box->raise();
    // The long call that follows blocks the event loop; paint now or never.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }

  void Close() override {
    if (depth == 0) return;
    if (--depth > 0) return;
    if (theBox) theBox->hide();
    QApplication::restoreOverrideCursor();
  }
};

}  // namespace

WaitBoxHandler* InstallWaitBoxHandler(WaitBoxHandler* handler) {
  WaitBoxHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

QWidget* CurrentWaitBox() { return depth > 0 ? theBox.data() : nullptr; }

void WaitBoxLog::Open(const std::string& text) {
  events_.push_back("+" + text);
  ++depth_;
}

void WaitBoxLog::Close() {
  events_.push_back("-");
  if (depth_ == 0) {
    underflow_ = true;
  } else {
    --depth_;
  }
}

}  // namespace zpgui

void ShowWaitBox(const char* text) {
  const std::string message = text ? text : "";
  if (zpgui::current_handler) return zpgui::current_handler->Open(message);
  zpgui::QtWaitBox().Open(message);
}

void CloseWaitBox() {
  if (zpgui::current_handler) return zpgui::current_handler->Close();
  zpgui::QtWaitBox().Close();
}
