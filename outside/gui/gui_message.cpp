#include "gui_message.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include <cstdarg>

namespace zpgui {
namespace {

MessageHandler* current_handler = nullptr;

struct ButtonSet {
  QMessageBox::StandardButton buttons[3];
  int count;
};

ButtonSet ButtonsOf(int flags) {
  switch (flags & 0x0F) {
    case 1: return {{QMessageBox::Ok, QMessageBox::Cancel}, 2};
    case 3: return {{QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel}, 3};
    case 4: return {{QMessageBox::Yes, QMessageBox::No}, 2};
    default: return {{QMessageBox::Ok}, 1};
  }
}

int DefaultIndex(int flags, int count) {
  const int index = (flags & 0xF00) >> 8;
  return index < count ? index : 0;
}

int AnswerOf(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok: return kAnswerOk;
    case QMessageBox::Cancel: return kAnswerCancel;
    case QMessageBox::Yes: return kAnswerYes;
    case QMessageBox::No: return kAnswerNo;
    default: return 0;
  }
}

QMessageBox::Icon IconOf(int flags) {
  switch (flags & 0xF0) {
    case 16: return QMessageBox::Critical;
    case 32: return QMessageBox::Question;
    case 48: return QMessageBox::Warning;
    case 64: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
  }
}

class QtMessages final : public MessageHandler {
 public:
  int Show(const GUIMessage& message) override {
    QWidget* parent = QApplication::activeModalWidget();
    if (!parent) parent = QApplication::activeWindow();
    const std::unique_ptr<QMessageBox> box = BuildGUIMessageBox(message, parent);
    box->exec();
    return MessageBoxAnswer(*box);
  }
};

}  // namespace

int DefaultAnswer(int flags) {
  const ButtonSet set = ButtonsOf(flags);
  return AnswerOf(set.buttons[DefaultIndex(flags, set.count)]);
}

bool IsQuestion(int flags) { return ButtonsOf(flags).count > 1; }

MessageHandler* InstallMessageHandler(MessageHandler* handler) {
  MessageHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

std::unique_ptr<QMessageBox> BuildGUIMessageBox(const GUIMessage& message, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setIcon(IconOf(message.flags));
  box->setWindowTitle(QString::fromStdString(message.caption));
  // Plain text: messages quote back-end error texts, which may hold "<".
  box->setTextFormat(Qt::PlainText);
  box->setText(QString::fromStdString(message.text));
  const ButtonSet set = ButtonsOf(message.flags);
  QMessageBox::StandardButtons all;
  for (int i = 0; i < set.count; ++i) all |= set.buttons[i];
  box->setStandardButtons(all);
  box->setDefaultButton(set.buttons[DefaultIndex(message.flags, set.count)]);
  // Escape must never count as Yes: it takes Cancel, else No, else OK.
  for (QMessageBox::StandardButton escape : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Ok}) {
    if (all & escape) {
      box->setEscapeButton(escape);
      break;
    }
  }
  return box;
}

int MessageBoxAnswer(const QMessageBox& box) {
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return kAnswerCancel;
  return AnswerOf(box.standardButton(clicked));
}

int ShowGUIText(const std::string& text, const std::string& caption, int flags) {
  const GUIMessage message{text, caption, flags};
  if (current_handler) return current_handler->Show(message);
  QtMessages production;
  return production.Show(message);
}

int MessageLog::Show(const GUIMessage& message) {
  shown_.push_back(message);
  if (!IsQuestion(message.flags)) return DefaultAnswer(message.flags);
  if (answers_.empty()) {
    ++unanswered_;
    return DefaultAnswer(message.flags);
  }
  const int answer = answers_.front();
  answers_.pop_front();
  return answer;
}

namespace detail {
std::string FormatGUIText(const char* pattern, ...) {
  va_list args;
  va_start(args, pattern);
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, pattern, args);
  va_end(args);
  std::string text;
  if (size > 0) {
    text.resize(static_cast<std::size_t>(size));
    std::vsnprintf(text.data(), text.size() + 1, pattern, again);
  }
  va_end(again);
  return text;
}
}  // namespace detail
}  // namespace zpgui
