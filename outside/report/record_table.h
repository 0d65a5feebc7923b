// An in-memory record table of named text fields, each with a maximum
// length: what the receipt and the invoice are prepared into and what the
// report engine prints from. Lengths count the bytes of the text's GBK form,
// as the suite's columns and printed forms do. What a field does with a text
// longer than itself depends on what it holds: a name or a memo is cut at a
// character boundary (the paper still serves), a number or an amount is
// refused (a paper must never print one that lost its end), and a short
// fixed amount field that the paper does not need is left empty.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace zp::report {

enum class Fit {
  exact,         // numbers, dates, amounts: a longer text is refused
  cut,           // names, memos, item names: cut at a character boundary
  emptyWhenLong  // short amount fields: left empty rather than refused
};

struct FieldDef {
  std::string name;
  std::size_t maxBytes;
  Fit fit = Fit::exact;
};

class RecordTable {
 public:
  explicit RecordTable(std::vector<FieldDef> fields);

  // The receipt ("cdsSoVoucher") and the invoice ("cdsBusiInvoice").
  static RecordTable soVoucher();
  static RecordTable busiInvoice();

  const std::vector<FieldDef>& fields() const { return fields_; }
  const FieldDef* find(const std::string& name) const;

  // A table is opened once before use; records are added to an open table.
  void open() { open_ = true; }
  bool isOpen() const { return open_; }
  void clear() { records_.clear(); }
  // Adds an empty record and makes it the current one; false when not open.
  bool append();
  std::size_t recordCount() const { return records_.size(); }

  // Sets a field of the current (last) record, fitting a long text as the
  // field says. False, with the reason in *error and the record unchanged,
  // for an unknown field, a closed or empty table, a text that is not valid
  // UTF-8 or has no GBK form, or a text longer than an exact field.
  bool set(const std::string& name, const std::string& value, std::string* error = nullptr);
  // A field of a record; empty for an unknown name or record.
  std::string get(const std::string& name, std::size_t record = 0) const;

 private:
  std::vector<FieldDef> fields_;
  std::map<std::string, std::size_t> index_;
  std::vector<std::vector<std::string>> records_;
  bool open_ = false;
};

}  // namespace zp::report
