// ShowGUIMessage: the suite's one way to tell or ask the operator something.
// Returns the button pressed: 1 OK, 2 Cancel, 6 Yes, 7 No. Texts are UTF-8.
//
// Flags combine three fields, as the suite has always written them:
//   buttons  0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No
//   icon     16 error, 32 question, 48 warning, 64 information
//   default  0 first button, 256 second, 512 third
// so 36 asks Yes/No with the question icon, 52 with the warning icon, 292 the
// same question as 36 with No as the default.
#pragma once

#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "handler_scope.h"

class QMessageBox;
class QWidget;

namespace zpgui {
// Answers, as ShowGUIMessage returns them.
enum : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

struct GUIMessage {
  std::string text;  // already formatted
  std::string caption;
  int flags = 0;
  bool operator==(const GUIMessage&) const = default;
};

// The answer pressing Enter gives: the default button's.
int DefaultAnswer(int flags);
// True when the flags offer more than one button, i.e. the message asks.
bool IsQuestion(int flags);

class MessageHandler {
 public:
  virtual ~MessageHandler() = default;
  virtual int Show(const GUIMessage& message) = 0;
};
// Installs a handler (null: the Qt message box) and returns the previous one.
MessageHandler* InstallMessageHandler(MessageHandler* handler);
using MessageHandlerScope = HandlerScope<MessageHandler, &InstallMessageHandler>;

// The production box, unexecuted, so its icon and buttons can be inspected;
// the production handler execs exactly this and reads the answer back with
// MessageBoxAnswer.
std::unique_ptr<QMessageBox> BuildGUIMessageBox(const GUIMessage& message, QWidget* parent = nullptr);
int MessageBoxAnswer(const QMessageBox& box);

// Shows a message already formatted: the text is taken as it stands.
int ShowGUIText(const std::string& text, const std::string& caption, int flags);

// Stands in for the operator while alive: records every message in order and
// answers questions from a queue. A question with the queue empty gets the
// default button's answer and is counted as unanswered, so a test can insist
// that it foresaw every question.
class MessageLog final : public MessageHandler {
 public:
  MessageLog() = default;
  explicit MessageLog(std::initializer_list<int> answers) : answers_(answers) {}
  void Answer(int answer) { answers_.push_back(answer); }
  const std::vector<GUIMessage>& Shown() const { return shown_; }
  int Unanswered() const { return unanswered_; }
  std::size_t AnswersLeft() const { return answers_.size(); }
  int Show(const GUIMessage& message) override;

 private:
  std::deque<int> answers_;
  std::vector<GUIMessage> shown_;
  int unanswered_ = 0;
  MessageHandlerScope scope_{this};  // last: installed only once the rest exists
};

namespace detail {
std::string FormatGUIText(const char* pattern, ...) __attribute__((format(printf, 1, 2)));

// Varargs take only what printf can read; a std::string passes its C text.
template <class T>
decltype(auto) PrintfArg(const T& value) {
  if constexpr (std::is_same_v<T, std::string>) {
    return value.c_str();
  } else {
    static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T> ||
                      std::is_array_v<T> || std::is_null_pointer_v<T>,
                  "ShowGUIMessage takes printf arguments only");
    return (value);
  }
}
}  // namespace detail
}  // namespace zpgui

// printf-style; a pattern given no arguments is shown as it stands, so a
// text that happens to hold a "%" is never read as a format.
template <class... Args>
int ShowGUIMessage(const char* pattern, const char* caption, int flags, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return zpgui::ShowGUIText(pattern ? pattern : "", caption ? caption : "", flags);
  } else {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-security"
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    return zpgui::ShowGUIText(zpgui::detail::FormatGUIText(pattern ? pattern : "", zpgui::detail::PrintfArg(args)...),
                              caption ? caption : "", flags);
#pragma GCC diagnostic pop
  }
}

// The older form: caption after the flags, then a second flag word that is
// added to the first.
template <class... Args>
int ShowGUIMessage(const char* pattern, int flags, const char* caption, int flags2, const Args&... args) {
  return ShowGUIMessage(pattern, caption, flags | flags2, args...);
}
