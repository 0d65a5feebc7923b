// What the commit decides before it asks the back end anything: whether the
// operator's input makes an order (the first check it fails, with the page
// and field to put him back on), and the delete lines of a cancellation's
// current products. No widget is involved.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MPublicDef.h"
#include "business_codes.h"

namespace zp::workspace {

// A text the operator typed that travels in the order, with the words that
// name it to him and the page and field to put him back on.
struct TypedText {
  std::string label;
  std::string text;
  int tab = 0;        // InfoTab
  std::string focus;  // object name of its field
};

// The operator's input as the checks see it; texts as the controls hold them.
struct OrderEntry {
  int busiType = 0;
  int operation = 0;  // kOpen, kCancel, kChange; 0 when none is checked
  std::string isdn;
  std::string spId;
  std::string gpsType;
  std::string songId;
  std::string agentRegNbr;
  std::string agentName;
  // Code of the agent's document type; 0 when none is selected or the
  // combo holds a text of the operator's own.
  int agentRegType = 0;
  std::string agentLinkPhone;
  // Every free text the order carries, in the order of the pages.
  std::vector<TypedText> typedTexts;
  bool productsApply = false;
  int activeProms = 0;
  int activeProducts = 0;
};

// Pages of pcInfo a refusal turns to.
enum InfoTab : int { kTabUserInfo = 0, kTabUserSvr = 1, kTabAgent = 2 };

struct OrderRefusal {
  int check = 0;       // 1..12, in the order the checks run
  std::string text;    // the notice shown
  int tab = 0;         // InfoTab
  std::string focus;   // object name of the control to focus; empty for none
};

// The first check the input fails, or nothing when the order may go on.
// Texts count as empty when they hold only blanks. After the nine checks
// of the input itself: an agent without a document type (the order would
// go without its agent), and a text with a character that has no GBK form
// (the back end could not be sent the order at all); last, an agent's phone
// longer than the receipt prints (the submitted order's receipt could never
// be prepared).
std::optional<OrderRefusal> FirstOrderRefusal(const OrderEntry& entry);

// The ACT_TYPE of the order's service line: 1 add, 3 delete, 2 modify.
short ActTypeOf(int operation);

// A cancellation takes every current product with it: one delete line per
// product, always under business type 102, in the subscriber's region.
MPublicDef::SMscFuncOperList CurrentProductDeletes(const MPublicDef::SMscFuncInfoList& current,
                                                   std::int16_t subscriberRegion);

}  // namespace zp::workspace
