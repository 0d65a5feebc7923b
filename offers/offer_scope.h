// Which of a subscriber's current items belong to the order of a business,
// and the service classes an item's service id puts it in. Products use both
// (OfferPolicy::scoped, ::serviceClasses); every promotion of the subscriber
// belongs to the order and has no class.
#pragma once

#include <string>

namespace offers {

// The service id's decimal text occurs anywhere in the class text (the
// value of a system parameter such as "MscCall"): a plain substring search.
bool InServiceClass(int serviceId, const std::string& classText);

// An item of business type itemBusiType with serviceId belongs to the order
// of busiType when the types are equal, or when busiType is 5, 101 or 104
// and the service id is in that type's scope text (305025; 305031 and
// 305032; the ring-back class text).
bool InOrderScope(int busiType, int itemBusiType, int serviceId, const std::string& ringBackServices);

}  // namespace offers
