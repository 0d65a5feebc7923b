// The parameter limits of promotions: the kinds, their privilege classes and
// the limits encoded in privilege entity names. Free of widgets, so that
// zpserver holds an order's promotion parameter to the same limit the
// selection dialog applied.
#pragma once

#include <optional>
#include <string>

#include "MSysmgntDef.h"

namespace promotions {

// Parameter kinds and their privilege classes (40 + kind).
enum ParaKind : int { kMinimum = 1, kDiscount = 2, kReduction = 3 };
inline int PrivClassOf(int kind) { return 40 + kind; }

// The limit one entity name gives its kind: the part in square brackets is
// "k@v"; nothing when the name carries no such part or names another kind.
std::optional<int> LimitOfEntityName(const std::string& name, int kind);
// Folds an authorised entity's limit into the kind's limit so far (-1: none):
// the lowest minimum and discount, the highest reduction.
int MostGenerous(int kind, int limitSoFar, int entityLimit);
// Step 7 of the limit query: the answers in order, each authorised one read
// through the first entity of its ENT_ID.
int LimitFromAnswers(int kind, const MSysmgntDef::SPrivEntityList& entities,
                     const MSysmgntDef::SOperPrivAuthList& answers, int limit);

}  // namespace promotions
