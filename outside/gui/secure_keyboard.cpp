#include "secure_keyboard.h"

#include <QSettings>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "run_path.h"

namespace zpgui {
namespace {

KeypadHandler* current_handler = nullptr;

// A password is six digits; the bound only stops a babbling device.
constexpr std::size_t kMaxDigits = 32;

QVariant Setting(const QSettings& settings, const char* key) {
  const QVariant value = settings.value(QStringLiteral("SecureKeyboard/") + QLatin1String(key));
  return value.isValid() ? value : settings.value(QLatin1String(key));
}

speed_t BaudOf(int baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B9600;
  }
}

}  // namespace

KeypadHandler* InstallKeypadHandler(KeypadHandler* handler) {
  KeypadHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

bool KeypadScript::Open() {
  events_.push_back("open");
  return online_;
}

std::string KeypadScript::GetPassWord() {
  events_.push_back("read");
  if (!online_ || passwords_.empty()) return "";
  std::string digits = std::move(passwords_.front());
  passwords_.pop_front();
  return digits;
}

void KeypadScript::Close() { events_.push_back("close"); }

}  // namespace zpgui

TSecureKeyboard::TSecureKeyboard(QObject* owner) : QObject(owner) {}

TSecureKeyboard::~TSecureKeyboard() {
  if (fd_ >= 0) ::close(fd_);
}

QString TSecureKeyboard::SettingsPath() { return GetZPRunPath() + QStringLiteral("/print/SecureKeyboard.ini"); }

bool TSecureKeyboard::Open() {
  if (zpgui::current_handler) return zpgui::current_handler->Open();
  Close();
  const QSettings settings(SettingsPath(), QSettings::IniFormat);
  if (zpgui::Setting(settings, "DeviceOnLine").toString().trimmed() != QLatin1String("1")) return false;
  const QByteArray device = zpgui::Setting(settings, "Device").toString().trimmed().toLocal8Bit();
  if (device.isEmpty()) return false;
  bool ok = false;
  const int seconds = zpgui::Setting(settings, "Timeout").toInt(&ok);
  timeout_ = timeout_override_ ? *timeout_override_ : std::chrono::seconds(ok && seconds > 0 ? seconds : 60);

  const int fd = ::open(device.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  if (::isatty(fd)) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
      ::close(fd);
      return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    const speed_t speed = zpgui::BaudOf(zpgui::Setting(settings, "Baud").toInt());
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
      ::close(fd);
      return false;
    }
    // Keys pressed before we asked are not part of this password.
    ::tcflush(fd, TCIFLUSH);
  }
  fd_ = fd;
  return true;
}

std::string TSecureKeyboard::GetPassWord() {
  if (zpgui::current_handler) return zpgui::current_handler->GetPassWord();
  if (fd_ < 0) return "";
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + timeout_;
  std::string digits;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return "";
    pollfd ready{fd_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, static_cast<int>(left.count()));
    if (polled < 0 && errno == EINTR) continue;
    if (polled <= 0) return "";
    // One byte at a time: whatever follows Enter stays for the next password.
    char byte = 0;
    const ssize_t got = ::read(fd_, &byte, 1);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) return "";  // the device went away
    if (byte == '\r' || byte == '\n') return digits;
    if (byte == 0x1B) return "";
    if (byte == 0x08 || byte == 0x7F) {
      if (!digits.empty()) digits.pop_back();
    } else if (byte >= '0' && byte <= '9' && digits.size() < zpgui::kMaxDigits) {
      digits.push_back(byte);
    }
  }
}

void TSecureKeyboard::Close() {
  if (zpgui::current_handler) return zpgui::current_handler->Close();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}
