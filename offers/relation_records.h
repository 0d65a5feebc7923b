// The catalogue's relation records as the shared rules read them. Kept apart
// from the rules, which know nothing of the wire; promotions and products
// both read their relations through this one function.
#pragma once

#include <utility>
#include <vector>

#include "MProductIntfApp.h"
#include "relation_index.h"

namespace offers {

inline RelationIndex IndexOf(const MProductIntfApp::SProductRelationList& relations) {
  std::vector<Relation> out;
  out.reserve(relations.size());
  for (const auto& r : relations) out.push_back({r.get_PROD_ID(), r.get_PRE_PROD_ID(), r.get_RELATE_TYPE()});
  return RelationIndex(std::move(out));
}

}  // namespace offers
