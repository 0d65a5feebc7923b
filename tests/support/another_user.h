// Root reads and writes a file whatever its permissions. To see what the
// counter does with a file it may not read or write, a test run as root
// hands the file and its folder to another user and checks files as that
// user on this thread (Linux keeps the file system's user per thread) for
// the object's lifetime. Run as anyone else, the permissions alone do it.
#pragma once

#include <gtest/gtest.h>
#include <sys/fsuid.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace zp::testing {

class AsAnotherUser {
 public:
  static constexpr uid_t kNobody = 65534;
  explicit AsAnotherUser(const std::string& path) {
    if (::geteuid() != 0) return;
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    EXPECT_EQ(::chown(folder.c_str(), kNobody, kNobody), 0);
    EXPECT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    ::setfsuid(kNobody);
    switched_ = ::setfsuid(kNobody) == static_cast<int>(kNobody);
    EXPECT_TRUE(switched_);
  }
  ~AsAnotherUser() {
    if (switched_) ::setfsuid(0);
  }
  AsAnotherUser(const AsAnotherUser&) = delete;
  AsAnotherUser& operator=(const AsAnotherUser&) = delete;

 private:
  bool switched_ = false;
};

}  // namespace zp::testing
