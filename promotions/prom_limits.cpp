#include "prom_limits.h"

#include <cctype>
#include <charconv>

namespace promotions {

namespace {

std::string trimmed(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

std::optional<int> number(const std::string& s) {
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<int> LimitOfEntityName(const std::string& rawName, int kind) {
  const std::string name = trimmed(rawName);
  const std::size_t open = name.find('['), close = name.find(']');
  if (open == std::string::npos || close == std::string::npos || name.find('@') == std::string::npos) return std::nullopt;
  if (close < open) return std::nullopt;
  const std::string part = name.substr(open + 1, close - open - 1);
  if (part.find('@') != 1) return std::nullopt;
  // A kind or limit that is not a number says nothing.
  const auto k = number(part.substr(0, 1));
  const auto v = number(part.substr(2));
  if (!k || !v || *k != kind) return std::nullopt;
  return *v;
}

int MostGenerous(int kind, int limitSoFar, int entityLimit) {
  if (limitSoFar == -1) return entityLimit;
  if (kind == kReduction) return entityLimit > limitSoFar ? entityLimit : limitSoFar;
  return entityLimit < limitSoFar ? entityLimit : limitSoFar;
}

int LimitFromAnswers(int kind, const MSysmgntDef::SPrivEntityList& entities,
                     const MSysmgntDef::SOperPrivAuthList& answers, int limit) {
  for (const auto& answer : answers) {
    if (answer.get_AUTHORIZED() != 1) continue;
    const MSysmgntDef::SPrivEntity* entity = nullptr;
    for (const auto& e : entities)
      if (e.get_ENT_ID() == answer.get_ENT_ID()) {
        entity = &e;
        break;
      }
    if (!entity) continue;
    if (const auto v = LimitOfEntityName(entity->get_ENT_NAME(), kind)) limit = MostGenerous(kind, limit, *v);
  }
  return limit;
}

}  // namespace promotions
