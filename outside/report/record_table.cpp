#include "record_table.h"

#include <stdexcept>

#include "gbk.h"

namespace zp::report {

RecordTable::RecordTable(std::vector<FieldDef> fields) : fields_(std::move(fields)) {
  for (std::size_t i = 0; i < fields_.size(); ++i)
    if (!index_.emplace(fields_[i].name, i).second)
      throw std::invalid_argument("field " + fields_[i].name + " is defined twice");
}

RecordTable RecordTable::soVoucher() {
  return RecordTable({{"soNbr", 40},         {"soDate", 20},          {"custName", 64},     {"custNum", 20},
                      {"regType", 20},       {"regNum", 40},          {"assurer", 50},      {"assureLinkPhone", 25},
                      {"assureRegType", 20}, {"assureRegNum", 50},    {"busiSoMode", 10},   {"busiSoMode2", 200},
                      {"busiName", 50},      {"busiMemo", 2000},      {"soOpId", 200},      {"soOrgId", 200},
                      {"busiMemo1", 200},    {"busiMemo2", 200},      {"busiMemo3", 200},   {"busiMemo4", 200}});
}

RecordTable RecordTable::busiInvoice() {
  std::vector<FieldDef> f = {{"date", 10},          {"phoneId", 20},      {"soNbr", 64},     {"payName", 40},
                             {"eqptFee", 6},        {"inNetFee", 6},      {"phoneFee", 6},   {"newBusiFee", 6},
                             {"simFee", 6},         {"prepayFee", 10},    {"totalFeeUpper", 64},
                             {"totalFeeLower", 20}, {"linkPhone", 50},    {"ticketer", 20},  {"soOper", 20},
                             {"operDate", 10}};
  for (int i = 1; i <= 6; ++i) f.push_back({"feeItemName" + std::to_string(i), 20});
  for (int i = 1; i <= 6; ++i) f.push_back({"feeValue" + std::to_string(i), 10});
  f.push_back({"remark", 200});
  return RecordTable(std::move(f));
}

const FieldDef* RecordTable::find(const std::string& name) const {
  const auto it = index_.find(name);
  return it == index_.end() ? nullptr : &fields_[it->second];
}

bool RecordTable::append() {
  if (!open_) return false;
  records_.emplace_back(fields_.size());
  return true;
}

bool RecordTable::set(const std::string& name, const std::string& value, std::string* error) {
  const auto fail = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  const auto it = index_.find(name);
  if (it == index_.end()) return fail("no field " + name);
  if (!open_ || records_.empty()) return fail("the table has no record to set " + name + " in");
  std::string gbk;
  std::string why;
  if (!gbk::fromUtf8(value, gbk, &why)) return fail("field " + name + ": " + why);
  const std::size_t max = fields_[it->second].maxBytes;
  if (gbk.size() > max)
    return fail("field " + name + " holds " + std::to_string(max) + " bytes; the text has " +
                std::to_string(gbk.size()));
  records_.back()[it->second] = value;
  return true;
}

std::string RecordTable::get(const std::string& name, std::size_t record) const {
  const auto it = index_.find(name);
  if (it == index_.end() || record >= records_.size()) return std::string();
  return records_[record][it->second];
}

}  // namespace zp::report
