// Printing a template filled from a record table: to a named printer (or a
// "PDF:<folder>" pseudo-printer), or into a preview the operator prints from.
#pragma once

#include <string>

#include "record_table.h"
#include "report_template.h"

class QPrinter;

namespace zp::report {

// Draws one page per record of the table on the printer, the template's
// millimetres shifted by the offsets; the stationery layer only with
// `stationery`. False with the reason when the printer cannot be painted on.
bool renderReport(const ReportTemplate& layout, const RecordTable& table, PrintOffsets offsets, QPrinter& printer,
                  std::string* error = nullptr, bool stationery = true);

// Loads the template (and its settings file), points a printer at the named
// one and prints, or with `preview` shows the preview dialog instead (which
// prints when the operator asks it to; an empty name then leaves the choice
// to the dialog). False with the reason otherwise.
bool printReport(const std::string& templatePath, const RecordTable& table, const std::string& printerName,
                 bool preview, std::string* error = nullptr);

}  // namespace zp::report
