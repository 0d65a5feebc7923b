#include "operator_rights.h"

namespace zp::workspace {
namespace {
struct Entities {
  int busiType, open, cancel;
};
constexpr Entities kEntities[] = {{101, 51501, 51502}, {102, 51507, 51508}, {5, 51505, 51506}};

const Entities* EntitiesOf(int busiType) {
  for (const Entities& e : kEntities)
    if (e.busiType == busiType) return &e;
  return nullptr;
}

bool Granted(int entity, const MSysmgntDef::SOperPrivAuthList& answers) {
  for (const auto& a : answers)
    if (a.get_ENT_ID() == entity && a.get_PRIV_ID() == kRightPrivilege && a.get_AUTHORIZED() == 1) return true;
  return false;
}
}  // namespace

MSysmgntDef::SOperPrivAuthList RightAsksFor(int busiType) {
  MSysmgntDef::SOperPrivAuthList asks;
  if (const Entities* e = EntitiesOf(busiType)) {
    for (int entity : {e->open, e->cancel}) {
      MSysmgntDef::SOperPrivAuth ask;
      ask.set_ENT_ID(entity);
      ask.set_PRIV_ID(kRightPrivilege);
      asks.push_back(ask);
    }
  }
  return asks;
}

bool RightsAlwaysGranted(int busiType) { return busiType == 104 || busiType == 131; }

OperatorRights RightsFrom(int busiType, const MSysmgntDef::SOperPrivAuthList& answers) {
  if (RightsAlwaysGranted(busiType)) return {true, true};
  const Entities* e = EntitiesOf(busiType);
  if (!e) return {};
  return {Granted(e->open, answers), Granted(e->cancel, answers)};
}

}  // namespace zp::workspace
