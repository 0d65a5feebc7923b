#include "commit_rules.h"

#include "gbk.h"
#include "record_table.h"

namespace zp::workspace {

namespace {

constexpr int kGlobalCall = 101, kGps = 102, kRingBack = 104, kGprsAccessPoint = 131;
// The back end files every deleted product under this type, whatever the
// business being cancelled.
constexpr int kProductDeleteBusiType = 102;

bool Blank(const std::string& s) { return s.find_first_not_of(" \t\r\n\f\v") == std::string::npos; }

}  // namespace

std::optional<OrderRefusal> FirstOrderRefusal(const OrderEntry& e) {
  const bool open = e.operation == kOpen;
  const bool edits = open || e.operation == kChange;
  if (e.busiType == kGlobalCall && open && Blank(e.isdn))
    return OrderRefusal{1, "全球呼号码不能为空！", kTabUserSvr, ""};
  if (e.busiType == kGps && open && Blank(e.spId))
    return OrderRefusal{2, "服务提供商代码不能为空！", kTabUserSvr, "cmbSPId"};
  if (e.busiType == kGps && open && Blank(e.gpsType))
    return OrderRefusal{3, "服务使用方式不能为空！", kTabUserSvr, "cmbGpsType"};
  if (e.busiType == kRingBack && open && Blank(e.songId))
    return OrderRefusal{4, "铃声不能为空！", kTabUserSvr, "cmbSongId"};
  if (edits && e.productsApply && e.activeProducts == 0 && e.activeProms == 0)
    return OrderRefusal{5, "必须选择一个促销或产品信息！", kTabUserSvr, ""};
  if (edits && !e.productsApply && e.activeProms == 0)
    return OrderRefusal{6, "必须选择一个促销信息！", kTabUserSvr, ""};
  if (edits && e.busiType == kGprsAccessPoint && e.activeProducts == 0)
    return OrderRefusal{7, "GPRS接入点必须选择一个产品（接入点）信息！", kTabUserSvr, ""};
  if (Blank(e.agentRegNbr)) return OrderRefusal{8, "请输入经办人证件号码！", kTabAgent, "edRegNbr"};
  if (Blank(e.agentName)) return OrderRefusal{9, "请输入经办人！", kTabAgent, "edSoMen"};
  // The order carries its agent only under a document type.
  if (e.agentRegType == 0) return OrderRefusal{10, "请选择经办人证件类型！", kTabAgent, "cmbRegType"};
  for (const TypedText& t : e.typedTexts) {
    if (const auto bad = gbk::firstWithoutGbk(t.text))
      return OrderRefusal{11, t.label + "中的字符\"" + *bad + "\"系统无法保存,请改用其他字或写法后再提交！", t.tab,
                          t.focus};
  }
  // The receipt prints the agent's phone in a box of its own and never cuts
  // a number: a longer one would leave the order without its receipt.
  static const std::size_t receiptPhone =
      zp::report::RecordTable::soVoucher().find("assureLinkPhone")->maxBytes;
  if (gbk::byteLength(e.agentLinkPhone) > receiptPhone)
    return OrderRefusal{12,
                        "联系电话最多" + std::to_string(receiptPhone) + "位,回执上打印不下更长的号码,请只填写一个号码！",
                        kTabAgent, "edLinkPhone"};
  return std::nullopt;
}

short ActTypeOf(int operation) {
  switch (operation) {
    case kOpen:
      return 1;
    case kCancel:
      return 3;
    case kChange:
      return 2;
    default:
      return 0;
  }
}

MPublicDef::SMscFuncOperList CurrentProductDeletes(const MPublicDef::SMscFuncInfoList& current,
                                                   std::int16_t subscriberRegion) {
  MPublicDef::SMscFuncOperList lines;
  for (const MPublicDef::SMscFuncInfo& p : current) {
    MPublicDef::SMscFuncOper d;
    d.set_ACT_TYPE(3);
    d.set_BUSI_TYPE(kProductDeleteBusiType);
    d.set_PROD_ID(p.get_PROD_ID());
    d.set_FUNC_PARAM("");
    d.set_FUNC_TYPE(0);
    d.set_OPER_TYPE(1);
    d.set_PROPERTY("");
    d.set_REMARK("");
    d.set_SERV_ID(p.get_SERV_ID());
    d.set_REGION_CODE(subscriberRegion);
    d.set_SERVICE_ID(p.get_SERVICE_ID());
    lines.push_back(std::move(d));
  }
  return lines;
}

}  // namespace zp::workspace
