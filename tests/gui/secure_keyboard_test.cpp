#include "secure_keyboard.h"

#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "gui_test_support.h"

namespace {

using namespace std::chrono_literals;

void WriteSettings(const TempRunDir& run, const std::string& ini) {
  QDir(run.path()).mkpath("print");
  QFile file(run.filePath("print/SecureKeyboard.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(ini.data(), static_cast<qint64>(ini.size()));
}

// The keypad's far end: a pseudo-terminal whose slave side is the device.
class FakeKeypad {
 public:
  FakeKeypad() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) device_ = ::ptsname(master_);
  }
  ~FakeKeypad() {
    if (master_ >= 0) ::close(master_);
  }
  const std::string& device() const { return device_; }
  void Press(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }

 private:
  int master_ = -1;
  std::string device_;
};

}  // namespace

TEST(SecureKeyboard, OpensOnlyWhenConfiguredOnlineWithADeviceThatOpens) {
  FakeKeypad keypad;
  ASSERT_FALSE(keypad.device().empty());
  const std::string device = keypad.device();
  struct Case {
    const char* what;
    std::string ini;  // "-" for no settings file
    bool opens;
  };
  const Case cases[] = {
      {"no settings file", "-", false},
      {"offline", "[SecureKeyboard]\nDeviceOnLine=0\nDevice=" + device + "\n", false},
      {"online without a device", "[SecureKeyboard]\nDeviceOnLine=1\n", false},
      {"device missing", "[SecureKeyboard]\nDeviceOnLine=1\nDevice=/dev/zp-no-such-keypad\n", false},
      {"online", "[SecureKeyboard]\nDeviceOnLine=1\nDevice=" + device + "\n", true},
      {"online, no section", "DeviceOnLine=1\nDevice=" + device + "\n", true},
      {"online is 1 only", "[SecureKeyboard]\nDeviceOnLine=2\nDevice=" + device + "\n", false},
  };
  for (const Case& c : cases) {
    TempRunDir run;
    if (c.ini != "-") WriteSettings(run, c.ini);
    TSecureKeyboard keyboard;
    EXPECT_EQ(keyboard.Open(), c.opens) << c.what;
    EXPECT_EQ(keyboard.IsOpen(), c.opens) << c.what;
    keyboard.Close();
    EXPECT_FALSE(keyboard.IsOpen());
    EXPECT_EQ(keyboard.GetPassWord(), "") << c.what;  // a closed keypad gives nothing
  }
}

TEST(SecureKeyboard, ReadsTheDigitsTypedUntilEnter) {
  FakeKeypad keypad;
  TempRunDir run;
  WriteSettings(run, "[SecureKeyboard]\nDeviceOnLine=1\nDevice=" + keypad.device() + "\nTimeout=5\n");
  TSecureKeyboard keyboard;
  ASSERT_TRUE(keyboard.Open());
  struct Case {
    std::string pressed;
    std::string password;
  };
  const Case cases[] = {
      {"246810\r", "246810"},
      {"12a3\b45\r", "1245"},  // noise is ignored, Backspace takes one back
      {"\x7f" "99\n", "99"},
      {"12\x1b", ""},  // Escape gives up
      {"\r", ""},
  };
  for (const Case& c : cases) {
    keypad.Press(c.pressed);
    EXPECT_EQ(keyboard.GetPassWord(), c.password) << c.pressed;
  }
  // Keys after Enter are the next password's.
  keypad.Press("11\r22\r");
  EXPECT_EQ(keyboard.GetPassWord(), "11");
  EXPECT_EQ(keyboard.GetPassWord(), "22");
}

TEST(SecureKeyboard, GivesNothingWhenTheTimeRunsOut) {
  FakeKeypad keypad;
  TempRunDir run;
  WriteSettings(run, "[SecureKeyboard]\nDeviceOnLine=1\nDevice=" + keypad.device() + "\n");
  TSecureKeyboard keyboard;
  keyboard.SetTimeout(150ms);
  ASSERT_TRUE(keyboard.Open());
  keypad.Press("1234");
  EXPECT_EQ(keyboard.GetPassWord(), "");
  keypad.Press("\r");  // the late Enter ends an empty entry, not the old digits
  EXPECT_EQ(keyboard.GetPassWord(), "");
}

TEST(SecureKeyboard, ReadsFromAFifoToo) {
  TempRunDir run;
  const QByteArray fifo = run.filePath("keypad").toLocal8Bit();
  ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
  WriteSettings(run, "[SecureKeyboard]\nDeviceOnLine=1\nDevice=" + fifo.toStdString() + "\n");
  TSecureKeyboard keyboard;
  ASSERT_TRUE(keyboard.Open());
  const int writer = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(::write(writer, "135790\r", 7), 7);
  EXPECT_EQ(keyboard.GetPassWord(), "135790");
  ::close(writer);
}

TEST(SecureKeyboard, ScriptStandsInForTheKeypad) {
  {
    zpgui::KeypadScript script(true);
    script.Type("246810");
    TSecureKeyboard keyboard;
    ASSERT_TRUE(keyboard.Open());
    EXPECT_EQ(keyboard.GetPassWord(), "246810");
    EXPECT_EQ(keyboard.GetPassWord(), "");
    keyboard.Close();
    EXPECT_EQ(script.Events(), (std::vector<std::string>{"open", "read", "read", "close"}));
  }
  {
    zpgui::KeypadScript script(false);
    TSecureKeyboard keyboard;
    EXPECT_FALSE(keyboard.Open());
    EXPECT_EQ(script.Events(), std::vector<std::string>{"open"});
  }
}
