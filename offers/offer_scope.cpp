#include "offer_scope.h"

namespace offers {

bool InServiceClass(int serviceId, const std::string& classText) {
  return classText.find(std::to_string(serviceId)) != std::string::npos;
}

bool InOrderScope(int busiType, int itemBusiType, int serviceId, const std::string& ringBackServices) {
  if (itemBusiType == busiType) return true;
  switch (busiType) {
    case 5:
      return InServiceClass(serviceId, "305025");
    case 101:
      return InServiceClass(serviceId, "305031305032");
    case 104:
      return InServiceClass(serviceId, ringBackServices);
    default:
      return false;
  }
}

}  // namespace offers
