#include "print_papers.h"

#include "cbusinesspublic.h"
#include "csysmgntpublic.h"
#include "gui_message.h"
#include "printers.h"
#include "report_printer.h"
#include "report_template.h"

bool EnsurePrinter(std::string* printerName) {
  const std::string configured = GetDefaultPrinterName();
  std::string name = configured;
  bool noticeDue = true;
  while (!CheckPrinter(name)) {
    if (noticeDue) ShowGUIMessage("当前配置打印机[%s]无效,请您重新选择打印机!", "打印机无效", 16, name);
    std::string chosen = name;
    if (zpgui::PrinterSetupDialog(&chosen)) {
      name = chosen;
      noticeDue = true;
      continue;
    }
    if (ShowGUIMessage("警告：您确认放弃打印报表吗?放弃之后将无法重新打印!", "确认操作", 292) == 6) return false;
    noticeDue = false;
  }
  if (name != configured) SetDefaultPrinterName(name);
  if (printerName) *printerName = name;
  return true;
}

bool PrintTemplate(QWidget* owner, const std::string& templatePath, const zp::report::RecordTable& table,
                   bool preview) {
  if (!owner) return false;
  zp::report::ReportTemplate layout;
  if (!zp::report::loadTemplate(templatePath, layout, nullptr)) return false;
  if (preview) return zp::report::printReport(templatePath, table, std::string(), true);
  std::string printer;
  if (!EnsurePrinter(&printer)) return false;
  if (!zp::report::printReport(templatePath, table, printer, false)) return false;
  if (templatePath.find("publicBusiSoVoucher.rmf") != std::string::npos) {
    while (ShowGUIMessage("是否打印成功？", "提示", 52) == 7) {
      if (!zp::report::printReport(templatePath, table, printer, false)) return false;
    }
  }
  return true;
}

namespace {

// A paper whose data could not be prepared: the order is submitted all the
// same, so the operator learns its number and may try again. True when the
// operator wants to try again.
bool AskToPrepareAgain(const char* paper, const MPublicDef::SSoResultInfo& result, const CBSErrorMsg& error) {
  return ShowGUIMessage("业务已受理成功,业务流水号[%s]。\n%s打印数据准备失败:\n[%s]\n[%s]\n"
                        "是否重新准备并打印%s?选\"否\"将不打印%s,请记下业务流水号。",
                        "提示", 52, std::to_string(result.get_SO_NBR()), paper, error.text1, error.text2, paper,
                        paper) == 6;
}

}  // namespace

bool PrintOrderPapers(QWidget* owner, const std::string& runPath, CBusinessPublic& busiPublic, const OrderPapers& order,
                      zp::report::RecordTable& cdsSoVoucher, zp::report::RecordTable& cdsBusiInvoice) {
  bool allPrepared = true;
  if (ShowGUIMessage("是否打印回执...!", "提示", 36) == 6) {
    std::string memo;
    {
      CSysMgntPublic sysMgnt;
      if (sysMgnt.Init(0, 0, 0, 0, 0))
        sysMgnt.GetSysParaMaxValue(order.user.get_REGION_CODE(), 0, "GUI" + std::to_string(order.busiCode), memo);
    }
    memo += "\n";
    bool prepared = false;
    do {
      prepared = busiPublic.PrintDataGetSoVoucher(order.busiCode, order.verifyMode, order.user.get_PHONE_ID(),
                                                  order.soInfo, order.result, order.cust, order.agent, memo,
                                                  cdsSoVoucher);
    } while (!prepared && AskToPrepareAgain("回执", order.result, busiPublic.LastError()));
    if (!prepared) {
      allPrepared = false;
    } else if (!PrintTemplate(owner, runPath + "/print/publicBusiSoVoucher.rmf", cdsSoVoucher, false)) {
      ShowGUIMessage("回执打印失败...!", "提示", 64);
    }
  }
  if (!order.tickets.empty() && ShowGUIMessage("是否打印发票!", "提示", 36) == 6) {
    bool prepared = false;
    do {
      prepared = busiPublic.PrintDataGetSoInvoice(order.user.get_PHONE_ID(), order.cust, order.result, order.tickets,
                                                  "", order.soInfo.get_OP_ID(), cdsBusiInvoice);
    } while (!prepared && AskToPrepareAgain("发票", order.result, busiPublic.LastError()));
    if (!prepared) return false;
    if (!PrintTemplate(owner, runPath + "/print/publicBusiInvoice.rmf", cdsBusiInvoice, false)) {
      ShowGUIMessage("发票打印失败...!", "提示", 64);
    } else {
      MPublicDef::SSoInfo header = order.soInfo;
      header.set_SO_NBR(order.result.get_SO_NBR());
      int count = 0;
      if (!busiPublic.SetSoPrint(header, count, 0, "", ""))
        ShowGUIMessage("发票信息打印次数回写失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 16, busiPublic.LastError().text2,
                       busiPublic.LastError().text1);
    }
  }
  return allPrepared;
}
