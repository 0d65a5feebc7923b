#include "agent_rules.h"

#include "publicbusi_functions.h"

namespace agent {

namespace {
constexpr int kInformation = 64;
constexpr int kError = 16;
constexpr int kYesNo = 36;
constexpr int kNo = 7;
constexpr const char* kNotice = "提示";
constexpr const char* kException = "异常";
}  // namespace

std::string TrimBlanks(const std::string& text) {
  const char* const blanks = " \t\r\n";
  const auto first = text.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

bool NeedsNumberFormatCheck(int regTypeCode) { return regTypeCode == 1; }

ListAnswer ReadListAnswer(int result) {
  switch (result) {
    case 1: return ListAnswer::BlackListed;
    case 2: return ListAnswer::GreyListed;
    default: return ListAnswer::Clear;
  }
}

DocumentCheckEnd RunDocumentCheck(const std::string& typedNumber, int regTypeCode, const DocumentCheckPorts& ports) {
  const std::string number = TrimBlanks(typedNumber);
  if (number.empty()) {
    ports.message("证件号码不能为空！", kNotice, kInformation);
    return DocumentCheckEnd::EmptyNumber;
  }
  if (NeedsNumberFormatCheck(regTypeCode) && !ports.numberFormatValid(number)) {
    if (ports.message("证件号码格式不合法！是否继续？", kNotice, kYesNo) == kNo) return DocumentCheckEnd::FormatRefused;
  }
  if (!ports.initService()) {
    ports.message("营业公共服务初始化出错", kNotice, kError);
    return DocumentCheckEnd::ServiceInitFailed;
  }
  // The service normalises the number itself; it gets the field as typed.
  int result = 0;
  if (!ports.checkBlackList(regTypeCode, typedNumber, result)) {
    ports.message("调用后台服务进行黑名单检查失败!", kException, kError);
    return DocumentCheckEnd::ListCallFailed;
  }
  switch (ReadListAnswer(result)) {
    case ListAnswer::BlackListed:
      ports.message("该客户为黑名单客户,不允许受理!", kNotice, kInformation);
      return DocumentCheckEnd::BlackListed;
    case ListAnswer::GreyListed:
      if (ports.message("该客户为灰名单客户,是否继续?", kNotice, kYesNo) == kNo) return DocumentCheckEnd::GreyRefused;
      return DocumentCheckEnd::Passed;
    case ListAnswer::Clear: break;
  }
  return DocumentCheckEnd::Passed;
}

bool ClearsNumber(DocumentCheckEnd end) {
  return end == DocumentCheckEnd::BlackListed || end == DocumentCheckEnd::GreyRefused;
}

MPublicDef::SOperator MakeOperator(const AgentTexts& texts) {
  MPublicDef::SOperator op;
  op.set_REGION_CODE(static_cast<std::int16_t>(ExtractItemCode(TrimBlanks(texts.regionText))));
  op.set_SO_MAN(TrimBlanks(texts.soMan));
  op.set_REG_TYPE(static_cast<std::int16_t>(ExtractItemCode(TrimBlanks(texts.regTypeText))));
  op.set_REG_NBR(TrimBlanks(texts.regNbr));
  op.set_ADDRESS(TrimBlanks(texts.address));
  op.set_LINK_PHONE(TrimBlanks(texts.linkPhone));
  op.set_EMAIL(TrimBlanks(texts.email));
  op.set_SO_DESC(TrimBlanks(texts.soDesc));
  op.set_REMARK(TrimBlanks(texts.remark));
  return op;
}

}  // namespace agent
