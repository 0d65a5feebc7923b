#include "report_printer.h"

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "modal.h"
#include "printers.h"

namespace zp::report {
namespace {

QFont fontOf(const ReportTemplate& t, const TextStyle& s) {
  QFont f(QString::fromStdString(t.fontFamily));
  f.setPointSizeF(s.size > 0 ? s.size : t.fontSize);
  f.setBold(s.bold);
  return f;
}

}  // namespace

bool renderReport(const ReportTemplate& t, const RecordTable& table, PrintOffsets offsets, QPrinter& printer,
                  std::string* error, bool stationery) {
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(QSizeF(t.paperWidth, t.paperHeight), QPageSize::Millimeter));
  printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
  QPainter p;
  if (!p.begin(&printer)) {
    if (error) *error = "the printer cannot be painted on";
    return false;
  }
  const double dots = printer.resolution() / 25.4;  // device units per mm
  const auto at = [&](double x, double y) { return QPointF((x + offsets.x) * dots, (y + offsets.y) * dots); };
  for (std::size_t record = 0; record < table.recordCount(); ++record) {
    if (record > 0) printer.newPage();
    for (const LineItem& l : t.lines) {
      if (l.stationery && !stationery) continue;
      p.setPen(QPen(Qt::black, l.width * dots));
      p.drawLine(at(l.x1, l.y1), at(l.x2, l.y2));
    }
    p.setPen(Qt::black);
    for (const StaticText& s : t.texts) {
      if (s.stationery && !stationery) continue;
      p.setFont(fontOf(t, s.style));
      p.drawText(at(s.x, s.y), QString::fromStdString(s.text));
    }
    for (const FieldItem& f : t.fields) {
      p.setFont(fontOf(t, f.style));
      const QRectF box(at(f.x, f.y), QSizeF(f.w * dots, f.h * dots));
      int flags = Qt::AlignVCenter;
      flags |= f.align == FieldItem::Align::right ? Qt::AlignRight
               : f.align == FieldItem::Align::center ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
      if (f.wrap) flags |= Qt::TextWordWrap;
      p.drawText(box, flags, QString::fromStdString(table.get(f.name, record)));
    }
  }
  return p.end();
}

bool printReport(const std::string& templatePath, const RecordTable& table, const std::string& printerName,
                 bool preview, std::string* error) {
  ReportTemplate layout;
  if (!loadTemplate(templatePath, layout, error)) return false;
  const PrintOffsets offsets = loadOffsets(templatePath);
  std::string document = templatePath.substr(templatePath.rfind('/') + 1);
  document = document.substr(0, document.rfind('.'));
  QPrinter printer(QPrinter::HighResolution);
  // A preview needs no printer until the operator prints from it.
  if (!(preview && printerName.empty()) && !zpgui::ApplyPrinterName(printer, printerName, document)) {
    if (error) *error = "no printer named " + printerName;
    return false;
  }
  if (!preview)
    return renderReport(layout, table, offsets, printer, error,
                        drawsStationery(offsets, printer.outputFormat() == QPrinter::PdfFormat));
  QPrintPreviewDialog dialog(&printer);
  bool drawn = true;
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
    drawn = renderReport(layout, table, offsets, *target, error,
                         drawsStationery(offsets, target->outputFormat() == QPrinter::PdfFormat)) &&
            drawn;
  });
  ShowModal(dialog);
  return drawn;
}

}  // namespace zp::report
