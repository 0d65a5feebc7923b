// Service passwords are kept as salted, iterated SHA-256 hashes; the clear
// password never reaches the store.
#pragma once

#include <string>
#include <string_view>

namespace zp::store {

std::string sha256Hex(std::string_view data);

struct PasswordHash {
  std::string salt;  // hex
  std::string hash;  // hex
};

PasswordHash hashPassword(std::string_view password);
// `bytes` bytes from the system's random source, as hex (salts, session tokens).
std::string randomHex(std::size_t bytes);
PasswordHash hashPassword(std::string_view password, std::string_view salt);
// Compares in constant time.
bool verifyPassword(std::string_view password, const PasswordHash& stored);

}  // namespace zp::store
