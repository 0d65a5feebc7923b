#include "print_papers.h"

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
