// Adding and removing promotions, and products, on catalogues whose relation tables hold
// 1k, 10k and 100k relations. The catalogue is made of identical groups of
// five items and five relations (B requires A, C requires B, D needs A or C,
// E excludes A); one step checks C (which brings B and A and drops E) and
// then unchecks A (which takes B, C and D along), touching the five
// relations of its group. The figure is the time per relation touched: with
// the relations indexed by both ends it should not grow with the table. The
// reference is the same walk finding relations by scanning the whole table,
// as the rules are written.
#include <benchmark/benchmark.h>

#include <vector>

#include "offer_rows.h"
#include "ratio_reporter.h"
#include "relation_index.h"
#include "relation_rules.h"

namespace {

constexpr int kGroup = 5;  // items and relations per group

struct Catalogue {
  std::vector<offers::Relation> relations;
  offers::RowList<offers::OfferRow> rows;
};

Catalogue MakeCatalogue(int relationCount) {
  Catalogue c;
  const int groups = relationCount / kGroup;
  for (int g = 0; g < groups; ++g) {
    const int a = g * 10 + 1, b = a + 1, cc = a + 2, d = a + 3, e = a + 4;
    c.relations.push_back({b, a, offers::kRequires});
    c.relations.push_back({cc, b, offers::kRequires});
    c.relations.push_back({d, a, offers::kAnyOf});
    c.relations.push_back({d, cc, offers::kAnyOf});
    c.relations.push_back({e, a, offers::kExcludes});
    for (int code : {a, b, cc, d, e}) {
      offers::OfferRow r;
      r.code = code;
      r.caption = "[" + std::to_string(code) + "]";
      r.validText = r.chosenValid = offers::kValidNow;
      r.expireText = offers::kExpireNow;
      r.cycles = "6";
      r.checked = code == d || code == e;
      r.action = r.checked ? offers::kActAdded : "";
      c.rows.Append(r);
    }
  }
  return c;
}

// The same rules under either item's policy: promotions and products share
// one implementation, so both must stay flat.
void IndexedAddRemove(benchmark::State& state, const offers::OfferPolicy& policy) {
  Catalogue c = MakeCatalogue(static_cast<int>(state.range(0)));
  offers::RelationIndex index(c.relations);
  offers::RelationRules rules(c.rows, index, policy);
  const std::size_t groups = c.rows.size() / kGroup;
  std::size_t g = 0;
  for (auto _ : state) {
    const std::size_t base = g * kGroup;
    c.rows[base + 2].checked = true;  // the operator checks C
    if (!rules.CheckRow(base + 2)) state.SkipWithError("add refused");
    if (!rules.UncheckRow(base)) state.SkipWithError("removal refused");
    // Back to the start for the next visit: D and E chosen again.
    c.rows[base + 3].checked = c.rows[base + 4].checked = true;
    c.rows[base + 3].action = c.rows[base + 4].action = offers::kActAdded;
    g = (g + 1) % groups;
  }
  state.SetItemsProcessed(state.iterations() * kGroup);
}

void BM_IndexedAddRemove(benchmark::State& state) {
  IndexedAddRemove(state, offers::PromotionPolicy(offers::Presence::checkMark));
}
void BM_ProductAddRemove(benchmark::State& state) {
  IndexedAddRemove(state, offers::ProductPolicy(offers::Presence::checkMark));
}

// The reference: the same walk, each step scanning the relation table.
struct ScanRules {
  std::vector<offers::Relation>& relations;
  offers::RowList<offers::OfferRow>& rows;

  offers::OfferRow& row(int code) { return rows[rows.RowsOf(code).front()]; }
  void add(int x) {
    row(x).checked = true;
    for (const auto& r : relations)
      if (r.type == offers::kExcludes && r.preProdId == x && row(r.prodId).checked) remove(r.prodId);
    for (const auto& r : relations) {
      if (r.prodId != x) continue;
      if (r.type == offers::kExcludes && row(r.preProdId).checked) remove(r.preProdId);
      if (r.type == offers::kRequires && !row(r.preProdId).checked) add(r.preProdId);
    }
  }
  void remove(int x) {
    row(x).checked = false;
    for (const auto& r : relations) {
      if (r.preProdId != x || (r.type != offers::kRequires && r.type != offers::kAnyOf)) continue;
      if (!row(r.prodId).checked) continue;
      if (r.type == offers::kAnyOf) {
        bool kept = false;
        for (const auto& o : relations)
          if (o.prodId == r.prodId && o.type == offers::kAnyOf && row(o.preProdId).checked) kept = true;
        if (kept) continue;
      }
      remove(r.prodId);
    }
  }
};

void BM_ScanAddRemove(benchmark::State& state) {
  Catalogue c = MakeCatalogue(static_cast<int>(state.range(0)));
  ScanRules scan{c.relations, c.rows};
  const std::size_t groups = c.rows.size() / kGroup;
  std::size_t g = 0;
  for (auto _ : state) {
    const std::size_t base = g * kGroup;
    scan.add(c.rows[base + 2].code);
    scan.remove(c.rows[base].code);
    c.rows[base + 3].checked = c.rows[base + 4].checked = true;
    g = (g + 1) % groups;
  }
  state.SetItemsProcessed(state.iterations() * kGroup);
}

BENCHMARK(BM_IndexedAddRemove)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_ProductAddRemove)->Arg(1000)->Arg(10000)->Arg(100000);
BENCHMARK(BM_ScanAddRemove)->Arg(1000)->Arg(10000)->Arg(100000);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto perRelation = [&](const std::string& name) { return reporter.time(name) / kGroup; };
  std::printf("\nTime per relation touched (one add and one removal touch the %d relations of a group):\n", kGroup);
  for (const char* n : {"1000", "10000", "100000"}) {
    std::printf("  %6s relations: promotions %8.1f ns   products %8.1f ns   scanning %12.1f ns\n", n,
                perRelation(std::string("BM_IndexedAddRemove/") + n), perRelation(std::string("BM_ProductAddRemove/") + n),
                perRelation(std::string("BM_ScanAddRemove/") + n));
  }
  reporter.ratio("indexed, 100k relations against 1k", "BM_IndexedAddRemove/100000", "BM_IndexedAddRemove/1000",
                 "<= 2");
  reporter.ratio("products, 100k relations against 1k", "BM_ProductAddRemove/100000", "BM_ProductAddRemove/1000",
                 "<= 2");
  reporter.ratio("scanning, 100k relations against 1k", "BM_ScanAddRemove/100000", "BM_ScanAddRemove/1000",
                 "reference");
  benchmark::Shutdown();
  return 0;
}
