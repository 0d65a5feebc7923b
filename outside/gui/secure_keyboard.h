// TSecureKeyboard: the counter's password keypad. It is configured by
// print/SecureKeyboard.ini below the run directory:
//
//   [SecureKeyboard]
//   DeviceOnLine=1          ; 1 the keypad is connected, anything else not
//   Device=/dev/ttyUSB0     ; a serial line or any character device or FIFO
//   Baud=9600               ; serial lines only
//   Timeout=60              ; seconds the operator has to type the password
//
// (the keys are also read without the section). The keypad sends the digits
// typed, Backspace to take one back, Escape to give up and Enter to finish.
#pragma once

#include <QObject>
#include <QString>

#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "handler_scope.h"

namespace zpgui {
class KeypadHandler {
 public:
  virtual ~KeypadHandler() = default;
  virtual bool Open() = 0;
  virtual std::string GetPassWord() = 0;
  virtual void Close() = 0;
};
KeypadHandler* InstallKeypadHandler(KeypadHandler* handler);
using KeypadHandlerScope = HandlerScope<KeypadHandler, &InstallKeypadHandler>;

// Stands in for the keypad while alive: online or not, the passwords the
// customer types in order ("" once they run out); records "open", "read"
// and "close" in order.
class KeypadScript final : public KeypadHandler {
 public:
  explicit KeypadScript(bool online) : online_(online) {}
  void Type(const std::string& digits) { passwords_.push_back(digits); }
  const std::vector<std::string>& Events() const { return events_; }
  bool Open() override;
  std::string GetPassWord() override;
  void Close() override;

 private:
  bool online_;
  std::deque<std::string> passwords_;
  std::vector<std::string> events_;
  KeypadHandlerScope scope_{this};
};
}  // namespace zpgui

class TSecureKeyboard : public QObject {
  Q_OBJECT

 public:
  explicit TSecureKeyboard(QObject* owner = nullptr);
  ~TSecureKeyboard() override;

  static QString SettingsPath();

  // True when the keypad is configured online and its device opened.
  bool Open();
  // The digits typed, once Enter is pressed; "" when the operator gave up,
  // the time ran out or the keypad is not open.
  std::string GetPassWord();
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // Overrides the settings file's Timeout.
  void SetTimeout(std::chrono::milliseconds timeout) { timeout_override_ = timeout; }

 private:
  int fd_ = -1;
  std::chrono::milliseconds timeout_{std::chrono::seconds(60)};
  std::optional<std::chrono::milliseconds> timeout_override_;
};
