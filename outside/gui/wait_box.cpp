#include "wait_box.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace zpgui {
namespace {

WaitBoxHandler* current_handler = nullptr;
const char kName[] = "zpWaitBox";
const char kDepth[] = "zpWaitDepth";

// The box itself keeps the nesting depth, so no state of our own is needed:
// Qt's list of top-level widgets is where the box is found again.
class QtWaitBox final : public WaitBoxHandler {
 public:
  void Open(const std::string& text) override {
    QWidget* box = CurrentWaitBox();
    if (!box) {
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
      box = frame;
      // The window does not answer until the call returns: say so at the pointer too.
      QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    box->setProperty(kDepth, box->property(kDepth).toInt() + 1);
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
    QWidget* box = CurrentWaitBox();
    if (!box) return;
    const int depth = box->property(kDepth).toInt() - 1;
    box->setProperty(kDepth, depth);
    if (depth <= 0) {
      delete box;
      QApplication::restoreOverrideCursor();
    }
  }
};

}  // namespace

WaitBoxHandler* InstallWaitBoxHandler(WaitBoxHandler* handler) {
  WaitBoxHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

QWidget* CurrentWaitBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == QLatin1String(kName)) return widget;
  }
  return nullptr;
}

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
