// The relation rules of promotions and products: what adding or removing one
// item does to the others (requires, any-of, excludes), the deferral of new
// items behind a replaced one, and their guards.
//
// The rules walk rows through an index of the relations, so one step costs
// the relations of the items it touches, not the whole table. Two guards sit
// on top of the written rules:
//  - a walk that comes back to an item it is already walking from (a cycle in
//    the relation table) stops and refuses, naming the items of the cycle;
//  - a walk deeper than kMaxWalkDepth items stops and refuses as well, so a
//    runaway relation table cannot exhaust the stack;
//  - every operator action is all-or-nothing: when it is refused, each row it
//    changed (the operator's own toggle included) is put back as it was.
// Accepted actions change the rows exactly as the written rules do.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "offer_rows.h"
#include "relation_index.h"

namespace offers {

// Far beyond any real chain of prerequisites, far below what the stack holds.
inline constexpr std::size_t kMaxWalkDepth = 256;

// What differs between promotions and products.
struct OfferPolicy {
  std::string noun;                   // the word in messages: "促销" or "产品"
  Presence presence = Presence::checkMark;
  bool prerequisiteGetsTwelveCycles = false;  // a "-2" prerequisite checked on the way gets "12"
  bool seedsPreselected = false;      // MANDATORY 2 is seeded as well as 1
  bool scoped = false;                // the subscriber's items are filtered by InOrderScope
  bool serviceClasses = false;        // items carry a class by InServiceClass
};

OfferPolicy PromotionPolicy(Presence presence);
OfferPolicy ProductPolicy(Presence presence);

// Whether a catalogue entry with this MANDATORY starts on the order.
bool Seeds(int mandatory, const OfferPolicy& policy);

// A message for the operator, as ShowGUIMessage takes it.
struct Message {
  std::string text;
  std::string caption;
  int flags = 0;
  bool operator==(const Message&) const = default;
};

struct Verdict {
  bool accepted = true;
  std::optional<Message> message;  // set when refused

  explicit operator bool() const { return accepted; }
  static Verdict Accept() { return {}; }
  static Verdict Refuse(Message m) { return {false, std::move(m)}; }
};

class RelationRules {
 public:
  RelationRules(RowSet& rows, const RelationIndex& relations, OfferPolicy policy);

  // Operator actions, each all-or-nothing.
  // The dialog: the operator checked row i (the check mark, the prerequisites,
  // the exclusions, the action, the deferral behind a replaced item).
  Verdict CheckRow(std::size_t i);
  // The dialog: the operator unchecked row i.
  Verdict UncheckRow(std::size_t i);
  // The frame: the operator deleted row i (action kActCancelled and its
  // dependents). An accepted cancellation leaves removing added rows to the
  // frame.
  Verdict CancelRow(std::size_t i);
  // The dialog: the operator chose the next cycle for row i.
  Verdict ChooseNextCycle(std::size_t i);

  // The written rules, one step each, for callers that compose their own
  // action (and for tests). None of them restores anything.
  Verdict CheckAdd(int code);
  Verdict EnsureAnyPrerequisite(int code);
  Verdict CheckRemove(int code);  // CheckPromUncheck / CheckPromCancel
  Verdict AdjustForReplaced(std::size_t i);
  Verdict DeferDependents(int code, bool lock);

  bool IsPresent(std::size_t i);

  // Joins several steps (and the caller's own changes, announced with Touch)
  // into one operator action: Finish puts every row back when the verdict
  // is a refusal. Actions started inside one join it.
  class Action {
   public:
    explicit Action(RelationRules& rules);
    ~Action();
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;
    Verdict Finish(Verdict v);

   private:
    RelationRules& rules_;
    bool outer_;
  };
  // Row i is about to change outside the rules, within an action.
  void Touch(std::size_t i) { touch(i); }

 private:
  class Walk;

  std::optional<std::size_t> firstPresent(int code, int notCode);
  std::optional<std::size_t> firstAbsent(int code);
  void touch(std::size_t i);
  void makePresent(std::size_t i);
  void makeAbsent(std::size_t i);
  void markChosen(std::size_t i);  // action "删除" → "原有", empty → "新增"
  Verdict excluded(std::size_t i);
  Verdict takePrerequisite(std::size_t i);
  Verdict cycle(const std::vector<int>& path, int back);
  Verdict tooDeep(const std::vector<int>& path);
  std::string captionOf(int code);

  RowSet& rows_;
  const RelationIndex& relations_;
  OfferPolicy policy_;
  std::vector<int> addPath_, removePath_, deferPath_;
  // The action under way: each row's OfferRow part before its first change.
  std::vector<std::pair<std::size_t, OfferRow>> journal_;
  std::unordered_set<std::size_t> journaled_;
  bool journaling_ = false;
};

}  // namespace offers
