// The rows of a promotion or product list as the relation rules see them:
// one row per item in list order, with the fields the rules read and write.
// The list frame and the selection dialog keep their own columns beside
// these (RowList<R> with R derived from OfferRow); the rules touch only the
// OfferRow part, so an action can be undone by restoring that part.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace offers {

// The row vocabulary, shown as it stands.
inline constexpr const char* kActAdded = "新增";
inline constexpr const char* kActKept = "原有";
inline constexpr const char* kActCancelled = "删除";
inline constexpr const char* kStatusMandatory = "必选";
inline constexpr const char* kStatusOptional = "可选";
inline constexpr const char* kValidNow = "立即生效";
inline constexpr const char* kValidNext = "下周期生效";
inline constexpr const char* kExpireNow = "立即失效";
inline constexpr const char* kExpireNext = "下周期失效";

struct OfferRow {
  int code = 0;              // the item's code, read back from its caption
  std::string caption;       // the display text "[code] name"
  std::string action;        // kActAdded, kActKept, kActCancelled, or empty: not chosen (dialog)
  bool checked = false;      // the dialog's check mark
  bool mandatory = false;    // status kStatusMandatory
  std::string validText;     // validity mode of the catalogue entry
  std::string chosenValid;   // validity mode the operator chose
  std::string expireText;    // expiry mode
  std::string cycles;        // duration: a number, "-1" may choose, "-2" must choose
  std::string chosenCycles;  // empty or a number
  bool inEffect = false;     // the subscriber's item already runs
  bool locked = false;       // validity fixed to the next cycle
  bool isNew = false;        // added in this order (frame)
  bool otherBusiness = false;  // the subscriber's item of another business: shown, never changed here

  bool operator==(const OfferRow&) const = default;
};

// Where an item counts as present: the dialog's check mark, or the frame's
// action (anything but kActCancelled).
enum class Presence { checkMark, action };

// Rows by position, with an index from code to the rows of that code in list
// order. Whoever adds, removes or re-codes rows calls Invalidate().
class RowSet {
 public:
  virtual ~RowSet() = default;
  virtual std::size_t Count() const = 0;
  virtual OfferRow& At(std::size_t i) = 0;

  const std::vector<std::size_t>& RowsOf(int code);
  void Invalidate() { stale_ = true; }

 private:
  std::unordered_map<int, std::vector<std::size_t>> index_;
  bool stale_ = true;
};

template <class R>
class RowList final : public RowSet {
 public:
  std::size_t Count() const override { return rows_.size(); }
  OfferRow& At(std::size_t i) override { return rows_[i]; }

  R& operator[](std::size_t i) { return rows_[i]; }
  const R& operator[](std::size_t i) const { return rows_[i]; }
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  auto begin() { return rows_.begin(); }
  auto end() { return rows_.end(); }
  auto begin() const { return rows_.begin(); }
  auto end() const { return rows_.end(); }

  R& Append(R row) {
    rows_.push_back(std::move(row));
    Invalidate();
    return rows_.back();
  }
  template <class Pred>
  std::size_t RemoveIf(Pred pred) {
    const std::size_t before = rows_.size();
    std::erase_if(rows_, pred);
    Invalidate();
    return before - rows_.size();
  }
  void RemoveAt(std::size_t i) {
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(i));
    Invalidate();
  }
  void Clear() {
    rows_.clear();
    Invalidate();
  }

 private:
  std::vector<R> rows_;
};

}  // namespace offers
