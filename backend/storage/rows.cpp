#include "rows.h"

#include <soci/soci.h>

#include <deque>

namespace zp::store {
namespace {

// Bound parameters must stay at fixed addresses until the statement ran.
struct Uses {
  std::deque<long long> ints;
  std::deque<std::string> texts;
};

void bindParams(soci::statement& st, Uses& uses, const std::vector<Param>& params) {
  for (const Param& p : params) {
    if (const long long* v = std::get_if<long long>(&p)) {
      uses.ints.push_back(*v);
      st.exchange(soci::use(uses.ints.back()));
    } else {
      uses.texts.push_back(std::get<std::string>(p));
      st.exchange(soci::use(uses.texts.back()));
    }
  }
}

}  // namespace

void forEachRow(soci::session& sql, const std::string& query, std::string_view kinds,
                const std::vector<Param>& params, const std::function<void(const Row&)>& fn) {
  Row row;
  std::vector<soci::indicator> inds(kinds.size(), soci::i_ok);
  for (char k : kinds) {
    if (k == 'i') {
      row.slot_.push_back(row.ints_.size());
      row.ints_.push_back(0);
    } else {
      row.slot_.push_back(row.texts_.size());
      row.texts_.emplace_back();
    }
  }
  soci::statement st(sql);
  for (std::size_t c = 0; c < kinds.size(); ++c) {
    if (kinds[c] == 'i')
      st.exchange(soci::into(row.ints_[row.slot_[c]], inds[c]));
    else
      st.exchange(soci::into(row.texts_[row.slot_[c]], inds[c]));
  }
  Uses uses;
  bindParams(st, uses, params);
  st.alloc();
  st.prepare(query);
  st.define_and_bind();
  if (!st.execute(true)) return;
  do {
    for (std::size_t c = 0; c < kinds.size(); ++c) {
      if (inds[c] != soci::i_null) continue;
      if (kinds[c] == 'i')
        row.ints_[row.slot_[c]] = 0;
      else
        row.texts_[row.slot_[c]].clear();
    }
    fn(row);
  } while (st.fetch());
}

bool firstRow(soci::session& sql, const std::string& query, std::string_view kinds, const std::vector<Param>& params,
              Row& out) {
  bool found = false;
  forEachRow(sql, query, kinds, params, [&](const Row& r) {
    if (!found) out = r;
    found = true;
  });
  return found;
}

long long execute(soci::session& sql, const std::string& statement, const std::vector<Param>& params) {
  soci::statement st(sql);
  Uses uses;
  bindParams(st, uses, params);
  st.alloc();
  st.prepare(statement);
  st.define_and_bind();
  st.execute(true);
  return st.get_affected_rows();
}

}  // namespace zp::store
