#include "relation_index.h"

#include <algorithm>

namespace offers {

void RelationIndex::Slices::build(const std::vector<Relation>& relations, int Relation::*end) {
  std::vector<std::pair<int, std::size_t>> keyed;
  keyed.reserve(relations.size());
  for (std::size_t i = 0; i < relations.size(); ++i) keyed.emplace_back(relations[i].*end, i);
  // Stable on position, so each slice keeps the order the back end sent.
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  positions.clear();
  positions.reserve(keyed.size());
  of.clear();
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    if (i == 0 || keyed[i].first != keyed[i - 1].first) of[keyed[i].first] = {i, 0};
    ++of[keyed[i].first].second;
    positions.push_back(keyed[i].second);
  }
}

std::span<const std::size_t> RelationIndex::Slices::at(int code) const {
  const auto it = of.find(code);
  if (it == of.end()) return {};
  return std::span<const std::size_t>(positions.data() + it->second.first, it->second.second);
}

RelationIndex::RelationIndex(std::vector<Relation> relations) : relations_(std::move(relations)) {
  byProd_.build(relations_, &Relation::prodId);
  byPre_.build(relations_, &Relation::preProdId);
}

std::span<const std::size_t> RelationIndex::ByProd(int code) const { return byProd_.at(code); }
std::span<const std::size_t> RelationIndex::ByPre(int code) const { return byPre_.at(code); }

}  // namespace offers
