#include "printers.h"

#include <QDir>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>
#include <QStandardPaths>

#include "run_path.h"

namespace zpgui {
namespace {

PrinterSetupHandler* current_handler = nullptr;
constexpr char kDefaultPrinterKey[] = "Print/DefaultPrinter";

class QtPrinterSetup final : public PrinterSetupHandler {
 public:
  bool Choose(std::string* name) override {
    QPrinter printer;
    if (CheckPrinter(*name)) ApplyPrinterName(printer, *name, "print");
    QPrintDialog dialog(&printer);
    if (dialog.exec() != QDialog::Accepted) return false;
    *name = PrinterNameOf(printer);
    return true;
  }
};

}  // namespace

QString HostSettingsPath() { return GetZPRunPath() + QStringLiteral("/zphost.ini"); }

QString UserSettingsPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/vasdesk/zphost.ini");
}

std::string FallbackPrinterName() {
  const QString system = QPrinterInfo::defaultPrinterName();
  if (!system.isEmpty()) return system.toStdString();
  QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (documents.isEmpty()) documents = QDir::homePath();
  const QString folder = QDir(documents).absoluteFilePath(QStringLiteral("营业受理票据"));
  if (!QDir().mkpath(folder)) return {};
  return kPdfPrinterPrefix + folder.toStdString();
}

std::optional<std::string> PdfPrinterFolder(const std::string& name) {
  const std::string prefix = kPdfPrinterPrefix;
  if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  return name.substr(prefix.size());
}

bool ApplyPrinterName(QPrinter& printer, const std::string& name, const std::string& document) {
  if (!CheckPrinter(name)) return false;
  if (const std::optional<std::string> folder = PdfPrinterFolder(name)) {
    const QDir dir(QString::fromStdString(*folder));
    const QString stem = QFileInfo(QString::fromStdString(document.empty() ? "print" : document)).fileName();
    QString file;
    for (int n = 1;; ++n) {
      file = dir.filePath(QStringLiteral("%1-%2.pdf").arg(stem).arg(n));
      if (!QFileInfo::exists(file)) break;
    }
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
  }
  printer.setOutputFormat(QPrinter::NativeFormat);
  printer.setPrinterName(QString::fromStdString(name));
  return true;
}

std::string PrinterNameOf(const QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat) {
    return kPdfPrinterPrefix + QFileInfo(printer.outputFileName()).absolutePath().toStdString();
  }
  return printer.printerName().toStdString();
}

PrinterSetupHandler* InstallPrinterSetupHandler(PrinterSetupHandler* handler) {
  PrinterSetupHandler* previous = current_handler;
  current_handler = handler;
  return previous;
}

bool PrinterSetupDialog(std::string* name) {
  if (current_handler) return current_handler->Choose(name);
  return QtPrinterSetup().Choose(name);
}

bool PrinterSetupScript::Choose(std::string* name) {
  opened_on_.push_back(*name);
  if (choices_.empty()) {
    ++unexpected_;
    return false;
  }
  const std::optional<std::string> choice = std::move(choices_.front());
  choices_.pop_front();
  if (!choice) return false;
  *name = *choice;
  return true;
}

}  // namespace zpgui

std::string GetDefaultPrinterName() {
  for (const QString& file : {zpgui::UserSettingsPath(), zpgui::HostSettingsPath()}) {
    const QSettings settings(file, QSettings::IniFormat);
    if (settings.contains(zpgui::kDefaultPrinterKey))
      return settings.value(zpgui::kDefaultPrinterKey).toString().toStdString();
  }
  return zpgui::FallbackPrinterName();
}

bool SetDefaultPrinterName(const std::string& name) {
  QSettings settings(zpgui::UserSettingsPath(), QSettings::IniFormat);
  settings.setValue(zpgui::kDefaultPrinterKey, QString::fromStdString(name));
  settings.sync();
  return settings.status() == QSettings::NoError;
}

bool CheckPrinter(const std::string& name) {
  if (name.empty()) return false;
  if (const std::optional<std::string> folder = zpgui::PdfPrinterFolder(name)) {
    const QFileInfo dir(QString::fromStdString(*folder));
    return dir.isAbsolute() && dir.isDir() && dir.isWritable();
  }
  return QPrinterInfo::availablePrinterNames().contains(QString::fromStdString(name));
}
