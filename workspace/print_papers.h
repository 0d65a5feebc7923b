// Printing the papers of a submitted order: choosing a printer the system
// knows (asking the operator when the configured one is not), and printing a
// template from a record table, the receipt until the operator says it came
// out right.
#pragma once

#include <string>

#include "record_table.h"

class QWidget;
class CBusinessPublic;

#include "MPublicDef.h"

// A printer that can be printed to, starting from the host's configured one:
// when that is unknown the operator is told and chooses another, which then
// becomes the configured printer. False when the operator gives up printing.
bool EnsurePrinter(std::string* printerName);

// Prints the template with the table (or previews it). False without an
// owner, when the template cannot be loaded, when no printer was chosen, or
// when printing failed. The receipt is printed again for as long as the
// operator answers that it did not print correctly.
bool PrintTemplate(QWidget* owner, const std::string& templatePath, const zp::report::RecordTable& table,
                   bool preview);

// The papers of a submitted order, as the commit prints them: the receipt
// (when the operator wants it) with the business's memo, then the invoice
// (when the order has invoice lines and the operator wants it) and its print
// count. Print failures are reported and the commit goes on. A paper whose
// data cannot be prepared is reported with the order's number (the order is
// submitted) and the operator may try again; false when a chosen paper was
// given up that way. `busiPublic` is the workspace's initialised library
// object; the tables are the workspace's, and each holds only this order's
// record afterwards.
struct OrderPapers {
  int busiCode = 0;
  int verifyMode = 0;
  MPublicDef::SSoInfo soInfo;
  MPublicDef::SSoResultInfo result;
  MPublicDef::STiketInfoList tickets;
  MPublicDef::SUserInfo user;
  MPublicDef::SCustInfo cust;
  MPublicDef::SOperator agent;
};
bool PrintOrderPapers(QWidget* owner, const std::string& runPath, CBusinessPublic& busiPublic, const OrderPapers& order,
                      zp::report::RecordTable& cdsSoVoucher, zp::report::RecordTable& cdsBusiInvoice);
