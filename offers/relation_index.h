// The relations between catalogue items, indexed by both ends so that a rule
// touches only the relations of the item it is looking at, in the order the
// back end sent them.
#pragma once

#include <cstddef>
#include <span>
#include <unordered_map>
#include <vector>

namespace offers {

enum RelateType : int {
  kAnyOf = 0,     // PROD_ID needs at least one of its type-0 partners
  kRequires = 1,  // PROD_ID needs PRE_PROD_ID
  kExcludes = 2,  // the two exclude each other
};

struct Relation {
  int prodId = 0;
  int preProdId = 0;
  int type = 0;  // other values than the three kinds are ignored
};

class RelationIndex {
 public:
  RelationIndex() = default;
  explicit RelationIndex(std::vector<Relation> relations);

  std::size_t size() const { return relations_.size(); }
  const Relation& operator[](std::size_t i) const { return relations_[i]; }
  // Positions of the relations with PROD_ID (PRE_PROD_ID) = code, ascending.
  std::span<const std::size_t> ByProd(int code) const;
  std::span<const std::size_t> ByPre(int code) const;

 private:
  // Positions grouped by code in one array each, with each code's slice:
  // one lookup and one contiguous read per step.
  struct Slices {
    std::vector<std::size_t> positions;
    std::unordered_map<int, std::pair<std::size_t, std::size_t>> of;  // code -> first, count
    void build(const std::vector<Relation>& relations, int Relation::*end);
    std::span<const std::size_t> at(int code) const;
  };

  std::vector<Relation> relations_;
  Slices byProd_;
  Slices byPre_;
};

}  // namespace offers
