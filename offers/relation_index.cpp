#include "relation_index.h"

namespace offers {

RelationIndex::RelationIndex(std::vector<Relation> relations) : relations_(std::move(relations)) {
  for (std::size_t i = 0; i < relations_.size(); ++i) {
    byProd_[relations_[i].prodId].push_back(i);
    byPre_[relations_[i].preProdId].push_back(i);
  }
}

std::span<const std::size_t> RelationIndex::ByProd(int code) const {
  const auto it = byProd_.find(code);
  return it == byProd_.end() ? std::span<const std::size_t>() : std::span<const std::size_t>(it->second);
}

std::span<const std::size_t> RelationIndex::ByPre(int code) const {
  const auto it = byPre_.find(code);
  return it == byPre_.end() ? std::span<const std::size_t>() : std::span<const std::size_t>(it->second);
}

}  // namespace offers
