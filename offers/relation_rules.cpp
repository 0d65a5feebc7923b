#include "relation_rules.h"

#include <algorithm>

namespace offers {

OfferPolicy PromotionPolicy(Presence presence) { return {"促销", presence, true, true, false, false}; }
OfferPolicy ProductPolicy(Presence presence) { return {"产品", presence, false, false, true, true}; }

bool Seeds(int mandatory, const OfferPolicy& policy) {
  return mandatory == 1 || (policy.seedsPreselected && mandatory == 2);
}

// One item on a walk's path for as long as the rule is looking at it.
class RelationRules::Walk {
 public:
  Walk(std::vector<int>& path, int code) : path_(path) { path_.push_back(code); }
  ~Walk() { path_.pop_back(); }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  static bool On(const std::vector<int>& path, int code) {
    return std::find(path.begin(), path.end(), code) != path.end();
  }

 private:
  std::vector<int>& path_;
};

// Rows are journaled while an action runs and put back when it is refused.
// Actions do not nest: an inner one joins the outer journal.
RelationRules::Action::Action(RelationRules& rules) : rules_(rules), outer_(rules.journaling_) {
  if (!outer_) {
    rules_.journal_.clear();
    rules_.journaled_.clear();
    rules_.journaling_ = true;
  }
}

RelationRules::Action::~Action() {
  if (!outer_) rules_.journaling_ = false;
}

Verdict RelationRules::Action::Finish(Verdict v) {
  if (!v && !outer_) {
    for (auto it = rules_.journal_.rbegin(); it != rules_.journal_.rend(); ++it)
      rules_.rows_.At(it->first) = it->second;
  }
  return v;
}

RelationRules::RelationRules(RowSet& rows, const RelationIndex& relations, OfferPolicy policy)
    : rows_(rows), relations_(relations), policy_(std::move(policy)) {}

bool RelationRules::IsPresent(std::size_t i) {
  const OfferRow& r = rows_.At(i);
  return policy_.presence == Presence::checkMark ? r.checked : r.action != kActCancelled;
}

std::optional<std::size_t> RelationRules::firstPresent(int code, int notCode) {
  if (code == notCode) return std::nullopt;
  for (std::size_t i : rows_.RowsOf(code))
    if (IsPresent(i)) return i;
  return std::nullopt;
}

std::optional<std::size_t> RelationRules::firstAbsent(int code) {
  for (std::size_t i : rows_.RowsOf(code))
    if (!IsPresent(i)) return i;
  return std::nullopt;
}

void RelationRules::touch(std::size_t i) {
  if (journaling_ && journaled_.insert(i).second) journal_.emplace_back(i, rows_.At(i));
}

void RelationRules::makePresent(std::size_t i) {
  touch(i);
  OfferRow& r = rows_.At(i);
  if (policy_.presence == Presence::checkMark) {
    r.checked = true;
  } else if (r.action == kActCancelled) {
    r.action = r.isNew ? kActAdded : kActKept;
  }
}

void RelationRules::makeAbsent(std::size_t i) {
  touch(i);
  OfferRow& r = rows_.At(i);
  if (policy_.presence == Presence::checkMark) {
    r.checked = false;
    if (r.action == kActAdded) r.action.clear();
    else if (r.action == kActKept) r.action = kActCancelled;
  } else {
    r.action = kActCancelled;
  }
}

void RelationRules::markChosen(std::size_t i) {
  touch(i);
  OfferRow& r = rows_.At(i);
  if (r.action == kActCancelled) r.action = kActKept;
  else if (r.action.empty()) r.action = kActAdded;
}

std::string RelationRules::captionOf(int code) {
  const auto& at = rows_.RowsOf(code);
  return at.empty() ? std::to_string(code) : rows_.At(at.front()).caption;
}

Verdict RelationRules::cycle(const std::vector<int>& path, int back) {
  std::string names;
  auto from = std::find(path.begin(), path.end(), back);
  for (auto it = from; it != path.end(); ++it) names += captionOf(*it) + "→";
  names += captionOf(back);
  return Verdict::Refuse({"提示：" + policy_.noun + "之间的关系配置成环[" + names + "]，本次操作不能办理！请联系管理员检查" +
                              policy_.noun + "关系配置。",
                          "提示", 16});
}

Verdict RelationRules::tooDeep(const std::vector<int>& path) {
  return Verdict::Refuse({"提示：" + policy_.noun + "关系的依赖层次超过" + std::to_string(kMaxWalkDepth) + "层[" +
                              captionOf(path.front()) + "]，本次操作不能办理！请联系管理员检查" + policy_.noun +
                              "关系配置。",
                          "提示", 16});
}

// Y is present and excluded by what is being added.
Verdict RelationRules::excluded(std::size_t y) {
  if (rows_.At(y).mandatory)
    return Verdict::Refuse({"提示：您选择的" + policy_.noun + "或依赖的" + policy_.noun + "和必选项[" +
                                rows_.At(y).caption + "]有互斥关系！",
                            "提示", 16});
  makeAbsent(y);
  // makeAbsent already turned the action as a successful uncheck does.
  return CheckRemove(rows_.At(y).code);
}

// A prerequisite row that was not present: check it and add it as the
// operator would have.
Verdict RelationRules::takePrerequisite(std::size_t p) {
  const int code = rows_.At(p).code;
  makePresent(p);
  Verdict v = CheckAdd(code);
  if (v) v = EnsureAnyPrerequisite(code);
  if (!v) return v;
  OfferRow& r = rows_.At(p);
  if (policy_.prerequisiteGetsTwelveCycles && r.cycles == "-2" && r.chosenCycles.empty()) r.chosenCycles = "12";
  markChosen(p);
  return v;
}

Verdict RelationRules::CheckAdd(int x) {
  Walk walk(addPath_, x);
  if (addPath_.size() > kMaxWalkDepth) return tooDeep(addPath_);
  for (std::size_t k : relations_.ByPre(x)) {
    const Relation& rel = relations_[k];
    if (rel.type != kExcludes || rel.prodId == x) continue;
    // Every present row of the excluded item; rows may change on the way.
    for (std::size_t y : std::vector<std::size_t>(rows_.RowsOf(rel.prodId))) {
      if (!IsPresent(y)) continue;
      if (Verdict v = excluded(y); !v) return v;
    }
  }
  for (std::size_t k : relations_.ByProd(x)) {
    const Relation& rel = relations_[k];
    if (rel.type == kExcludes) {
      if (auto y = firstPresent(rel.preProdId, x))
        if (Verdict v = excluded(*y); !v) return v;
    } else if (rel.type == kRequires && rel.preProdId != x) {
      if (Walk::On(addPath_, rel.preProdId)) return cycle(addPath_, rel.preProdId);
      if (auto p = firstAbsent(rel.preProdId))
        if (Verdict v = takePrerequisite(*p); !v) return v;
    }
  }
  return Verdict::Accept();
}

Verdict RelationRules::EnsureAnyPrerequisite(int x) {
  Walk walk(addPath_, x);
  if (addPath_.size() > kMaxWalkDepth) return tooDeep(addPath_);
  const Relation* first = nullptr;
  for (std::size_t k : relations_.ByProd(x))
    if (relations_[k].type == kAnyOf) {
      first = &relations_[k];
      break;
    }
  if (!first || first->preProdId == x) return Verdict::Accept();
  if (Walk::On(addPath_, first->preProdId)) return cycle(addPath_, first->preProdId);
  const auto& candidates = rows_.RowsOf(first->preProdId);
  if (candidates.empty() || IsPresent(candidates.front())) return Verdict::Accept();
  for (std::size_t k : relations_.ByProd(x)) {
    const Relation& other = relations_[k];
    if (other.type == kAnyOf && other.preProdId != first->preProdId && firstPresent(other.preProdId, x))
      return Verdict::Accept();
  }
  return takePrerequisite(candidates.front());
}

Verdict RelationRules::CheckRemove(int x) {
  Walk walk(removePath_, x);
  if (removePath_.size() > kMaxWalkDepth) return tooDeep(removePath_);
  for (std::size_t k : relations_.ByPre(x)) {
    const Relation& rel = relations_[k];
    if (rel.type != kRequires && rel.type != kAnyOf) continue;
    if (rel.prodId == x) continue;
    if (Walk::On(removePath_, rel.prodId)) return cycle(removePath_, rel.prodId);
    if (rel.type == kAnyOf) {
      bool kept = false;
      for (std::size_t j : relations_.ByProd(rel.prodId)) {
        const Relation& other = relations_[j];
        if (other.type == kAnyOf && firstPresent(other.preProdId, rel.prodId)) {
          kept = true;
          break;
        }
      }
      if (kept) continue;
    }
    auto y = firstPresent(rel.prodId, x);
    if (!y) continue;
    if (rows_.At(*y).mandatory)
      return Verdict::Refuse({"提示：您取消的" + policy_.noun + "的依赖项中有必选项[" + rows_.At(*y).caption + "]！",
                              "提示", 16});
    // The order cancels items of its own business only: one of another
    // business that depends on this one would be cancelled in this
    // business's name, or not at all.
    if (rows_.At(*y).otherBusiness)
      return Verdict::Refuse({"提示：您取消的" + policy_.noun + "的依赖项[" + rows_.At(*y).caption +
                                  "]属于其他业务,不能在本业务中取消！请先在该业务中处理。",
                              "提示", 16});
    makeAbsent(*y);
    if (Verdict v = CheckRemove(rel.prodId); !v) return v;
  }
  return Verdict::Accept();
}

Verdict RelationRules::AdjustForReplaced(std::size_t i) {
  const int x = rows_.At(i).code;
  // The exclusions of X from both sides, in relation order.
  std::vector<std::size_t> sides;
  for (std::size_t k : relations_.ByProd(x))
    if (relations_[k].type == kExcludes) sides.push_back(k);
  for (std::size_t k : relations_.ByPre(x))
    if (relations_[k].type == kExcludes && relations_[k].prodId != x) sides.push_back(k);
  std::sort(sides.begin(), sides.end());
  for (std::size_t k : sides) {
    const Relation& rel = relations_[k];
    const int other = rel.prodId == x ? rel.preProdId : rel.prodId;
    for (std::size_t y : rows_.RowsOf(other)) {
      if (y == i || rows_.At(y).action != kActCancelled) continue;
      const OfferRow& replaced = rows_.At(y);
      if (replaced.expireText == kExpireNext && rows_.At(i).validText == kValidNow && replaced.inEffect) {
        touch(i);
        rows_.At(i).chosenValid = kValidNext;
        rows_.At(i).locked = true;
        if (Verdict v = DeferDependents(x, true); !v) return v;
      }
      break;
    }
  }
  return Verdict::Accept();
}

Verdict RelationRules::DeferDependents(int x, bool lock) {
  Walk walk(deferPath_, x);
  if (deferPath_.size() > kMaxWalkDepth) return tooDeep(deferPath_);
  for (std::size_t k : relations_.ByPre(x)) {
    const Relation& rel = relations_[k];
    if ((rel.type != kRequires && rel.type != kAnyOf) || rel.prodId == x) continue;
    if (Walk::On(deferPath_, rel.prodId)) return cycle(deferPath_, rel.prodId);
    for (std::size_t y : rows_.RowsOf(rel.prodId)) {
      OfferRow& r = rows_.At(y);
      if (r.action != kActAdded || r.validText != kValidNow || r.chosenValid != kValidNow) continue;
      touch(y);
      if (lock) r.locked = true;
      r.chosenValid = kValidNext;
      if (Verdict v = DeferDependents(rel.prodId, false); !v) return v;
    }
  }
  return Verdict::Accept();
}

Verdict RelationRules::CheckRow(std::size_t i) {
  Action action(*this);
  const int x = rows_.At(i).code;
  makePresent(i);
  Verdict v = CheckAdd(x);
  if (v) v = EnsureAnyPrerequisite(x);
  if (v) {
    markChosen(i);
    if (rows_.At(i).action == kActAdded) v = AdjustForReplaced(i);
  }
  return action.Finish(std::move(v));
}

Verdict RelationRules::UncheckRow(std::size_t i) {
  Action action(*this);
  makeAbsent(i);
  return action.Finish(CheckRemove(rows_.At(i).code));
}

Verdict RelationRules::CancelRow(std::size_t i) {
  Action action(*this);
  touch(i);
  rows_.At(i).action = kActCancelled;
  return action.Finish(CheckRemove(rows_.At(i).code));
}

Verdict RelationRules::ChooseNextCycle(std::size_t i) {
  Action action(*this);
  touch(i);
  rows_.At(i).chosenValid = kValidNext;
  return action.Finish(DeferDependents(rows_.At(i).code, false));
}

}  // namespace offers
