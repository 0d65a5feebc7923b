#include "offer_scope.h"

#include <gtest/gtest.h>

namespace offers {
namespace {

TEST(OfferScope, CurrentItemsOfTheOrder) {
  struct {
    int busiType, itemBusiType, serviceId;
    const char* ringBack;
    bool in;
  } cases[] = {
      {101, 101, 1, "", true},           // the business's own type
      {101, 106, 305032, "", true},      // Global Call's scope
      {101, 106, 305031, "", true},
      {101, 106, 305033, "", false},
      {5, 106, 305025, "", true},
      {5, 106, 305032, "", false},
      {104, 106, 1141, "1104,1141", true},
      {104, 106, 1141, "", false},       // empty ring-back class: only type 104
      {104, 104, 1141, "", true},
      {102, 106, 305025, "305025", false},  // no scope text for other types
  };
  for (const auto& c : cases)
    EXPECT_EQ(InOrderScope(c.busiType, c.itemBusiType, c.serviceId, c.ringBack), c.in)
        << c.busiType << " " << c.serviceId;
}

TEST(OfferScope, ServiceClassIsASubstringSearch) {
  EXPECT_TRUE(InServiceClass(1122, "1121,1122,1123"));
  EXPECT_TRUE(InServiceClass(112, "1121"));  // as the suite searches: inside another id too
  EXPECT_FALSE(InServiceClass(1124, "1121,1122,1123"));
  EXPECT_FALSE(InServiceClass(1, ""));
}

}  // namespace
}  // namespace offers
