// Printers: the host's configured printer, the check that a name can be
// printed to, and the printer setup dialog.
//
// Besides the system's printers there is one kind of name of our own:
// "PDF:<folder>" prints each document into a new PDF file in that folder
// (the folder must exist). Counters without a printer and the tests use it.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <QString>

#include "handler_scope.h"

class QPrinter;
class QWidget;

namespace zpgui {
inline constexpr char kPdfPrinterPrefix[] = "PDF:";

// The host's settings: an INI file in the run directory, which an
// administrator may preset; the program never writes it (an installed run
// directory is shared by every user and not theirs to write).
QString HostSettingsPath();
// The clerk's own settings (the printer he chose): zphost.ini in his
// configuration folder ($XDG_CONFIG_HOME/vasdesk).
QString UserSettingsPath();
// The printer of a fresh install: the system's default printer, or where
// there is none, PDF files in a folder of the user's documents (created
// here); "" when not even that folder can be made.
std::string FallbackPrinterName();
// The folder of a "PDF:<folder>" name, or nothing for any other name.
std::optional<std::string> PdfPrinterFolder(const std::string& name);
// Points the printer at the named one; a PDF name gets a fresh file
// "<document>-<n>.pdf" in its folder. False when the name does not check.
bool ApplyPrinterName(QPrinter& printer, const std::string& name, const std::string& document);
// The name, in the terms above, of what a printer is set to.
std::string PrinterNameOf(const QPrinter& printer);

class PrinterSetupHandler {
 public:
  virtual ~PrinterSetupHandler() = default;
  // True when the operator confirmed; *name is then the printer chosen.
  virtual bool Choose(std::string* name) = 0;
};
PrinterSetupHandler* InstallPrinterSetupHandler(PrinterSetupHandler* handler);
using PrinterSetupHandlerScope = HandlerScope<PrinterSetupHandler, &InstallPrinterSetupHandler>;

// The printer setup dialog, opened on *name; true when confirmed, with *name
// the printer the operator chose.
bool PrinterSetupDialog(std::string* name);

// Stands in for the operator while alive: each dialog takes the next choice
// (a printer name, or nothing to cancel); with none left it cancels and
// counts the call as unexpected. The names it was opened on are recorded.
class PrinterSetupScript final : public PrinterSetupHandler {
 public:
  void Pick(const std::string& name) { choices_.emplace_back(name); }
  void Refuse() { choices_.emplace_back(std::nullopt); }
  const std::vector<std::string>& OpenedOn() const { return opened_on_; }
  int Unexpected() const { return unexpected_; }
  bool Choose(std::string* name) override;

 private:
  std::deque<std::optional<std::string>> choices_;
  std::vector<std::string> opened_on_;
  int unexpected_ = 0;
  PrinterSetupHandlerScope scope_{this};
};
}  // namespace zpgui

// The printer to use: the user's choice, else the run directory's preset,
// else FallbackPrinterName().
std::string GetDefaultPrinterName();
// Keeps the user's choice; false when his settings could not be written.
bool SetDefaultPrinterName(const std::string& name);
// True when the name is one of the system's printers or a usable PDF folder.
bool CheckPrinter(const std::string& name);
