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
  constexpr Fit C = Fit::cut;
  return RecordTable({{"soNbr", 40},           {"soDate", 20},           {"custName", 64, C},   {"custNum", 20},
                      {"regType", 20, C},      {"regNum", 40},           {"assurer", 50, C},    {"assureLinkPhone", 25},
                      {"assureRegType", 20, C}, {"assureRegNum", 50},    {"busiSoMode", 10, C}, {"busiSoMode2", 200, C},
                      {"busiName", 50, C},     {"busiMemo", 2000, C},    {"soOpId", 200, C},    {"soOrgId", 200, C},
                      {"busiMemo1", 200, C},   {"busiMemo2", 200, C},    {"busiMemo3", 200, C}, {"busiMemo4", 200, C}});
}

RecordTable RecordTable::busiInvoice() {
  constexpr Fit C = Fit::cut;
  constexpr Fit E = Fit::emptyWhenLong;
  std::vector<FieldDef> f = {{"date", 10},          {"phoneId", 20},      {"soNbr", 64},        {"payName", 40, C},
                             {"eqptFee", 6, E},     {"inNetFee", 6, E},   {"phoneFee", 6, E},   {"newBusiFee", 6, E},
                             {"simFee", 6, E},      {"prepayFee", 10, E}, {"totalFeeUpper", 64},
                             {"totalFeeLower", 20}, {"linkPhone", 50},    {"ticketer", 20, C},  {"soOper", 20, C},
                             {"operDate", 10}};
  for (int i = 1; i <= 6; ++i) f.push_back({"feeItemName" + std::to_string(i), 20, C});
  for (int i = 1; i <= 6; ++i) f.push_back({"feeValue" + std::to_string(i), 10});
  f.push_back({"remark", 200, C});
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
  // The reasons reach the operator inside the paper's failure message.
  const auto it = index_.find(name);
  if (it == index_.end()) return fail("报表没有字段[" + name + "]");
  if (!open_ || records_.empty()) return fail("报表还没有可以填写字段[" + name + "]的记录");
  std::string gbk;
  if (!gbk::fromUtf8(value, gbk)) {
    const std::optional<std::string> bad = gbk::firstWithoutGbk(value);
    return fail("字段[" + name + "]中的字符\"" + (bad ? *bad : value) + "\"无法打印");
  }
  const FieldDef& def = fields_[it->second];
  std::string& slot = records_.back()[it->second];
  if (gbk.size() <= def.maxBytes) {
    slot = value;
    return true;
  }
  switch (def.fit) {
    case Fit::cut:
      slot = gbk::cutToBytes(value, def.maxBytes);
      return true;
    case Fit::emptyWhenLong:
      slot.clear();
      return true;
    case Fit::exact:
      break;
  }
  return fail("字段[" + name + "]最多" + std::to_string(def.maxBytes) + "字节,内容[" + value + "]有" +
              std::to_string(gbk.size()) + "字节");
}

std::string RecordTable::get(const std::string& name, std::size_t record) const {
  const auto it = index_.find(name);
  if (it == index_.end() || record >= records_.size()) return std::string();
  return records_[record][it->second];
}

}  // namespace zp::report
