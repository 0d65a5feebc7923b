// The error record of every service and library call.
#pragma once

#include <cstdint>
#include <string>

struct CBSErrorMsg {
  std::int32_t code = 0;      // result code; 0 when no error
  std::int32_t code2 = 0;     // a second integer the back end may fill
  std::string text1 = "no error";  // first text: what failed, as the back end or runtime names it
  std::string text2 = "no error";  // second text: the message text

  void reset() {
    code = 0;
    code2 = 0;
    text1 = "no error";
    text2 = "no error";
  }
  bool operator==(const CBSErrorMsg&) const = default;
};
