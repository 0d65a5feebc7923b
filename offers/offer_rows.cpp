#include "offer_rows.h"

namespace offers {

const std::vector<std::size_t>& RowSet::RowsOf(int code) {
  if (stale_) {
    index_.clear();
    for (std::size_t i = 0, n = Count(); i < n; ++i) index_[At(i).code].push_back(i);
    stale_ = false;
  }
  static const std::vector<std::size_t> none;
  const auto it = index_.find(code);
  return it == index_.end() ? none : it->second;
}

}  // namespace offers
