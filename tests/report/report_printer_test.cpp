#include "report_printer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "report_template.h"

using namespace zp::report;

namespace {

// The text of a PDF, pages separated by form feeds.
std::string pdfText(const QString& file) {
  const std::string command = "pdftotext -enc UTF-8 '" + file.toStdString() + "' -";
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

QStringList pdfsIn(const QTemporaryDir& dir) { return QDir(dir.path()).entryList({"*.pdf"}, QDir::Files); }

}  // namespace

TEST(ReportTemplate, RefusesWhatItCannotLayOutWithTheLine) {
  struct Case {
    const char* text;
    const char* says;
  };
  const Case cases[] = {
      {"paper 210\n", "line 1: paper"},
      {"# a comment\nbox 1 2 3 4\n", "line 2: unknown item"},
      {"text 1 2 \"open\n", "line 1: a text in quotes is not closed"},
      {"field soNbr 1 2 0 5\n", "line 1: field"},
      {"field soNbr 1 2 3 5 italic\n", "line 1: unknown option \"italic\""},
      {"text 1 2 \"x\" size -3\n", "line 1: size"},
      {"line 1 2 3\n", "line 1: line"},
      {"font Arial 9\n", "line 1: font"},
  };
  for (const Case& c : cases) {
    ReportTemplate t;
    std::string why;
    EXPECT_FALSE(parseTemplate(c.text, t, &why)) << c.text;
    EXPECT_NE(why.find(c.says), std::string::npos) << why;
  }
  ReportTemplate t;
  std::string why;
  ASSERT_TRUE(parseTemplate("paper 100 50\nfont \"F\" 8\ntext 1 2 \"say \\\"hi\\\"\" size 12 bold\n"
                            "field a 1 2 3 4 right wrap\nline 0 0 10 0 width 0.5\n",
                            t, &why))
      << why;
  EXPECT_EQ(t.paperWidth, 100);
  EXPECT_EQ(t.fontFamily, "F");
  ASSERT_EQ(t.texts.size(), 1u);
  EXPECT_EQ(t.texts[0].text, "say \"hi\"");
  EXPECT_TRUE(t.texts[0].style.bold);
  ASSERT_EQ(t.fields.size(), 1u);
  EXPECT_EQ(t.fields[0].align, FieldItem::Align::right);
  EXPECT_TRUE(t.fields[0].wrap);
  EXPECT_EQ(t.lines[0].width, 0.5);
}

TEST(ReportTemplate, TheShippedTemplatesNameOnlyFieldsOfTheirTables) {
  struct Case {
    const char* file;
    RecordTable table;
  };
  const Case cases[] = {{"publicBusiSoVoucher.rmf", RecordTable::soVoucher()},
                        {"publicBusiInvoice.rmf", RecordTable::busiInvoice()}};
  for (const Case& c : cases) {
    ReportTemplate t;
    std::string why;
    ASSERT_TRUE(loadTemplate(std::string(PRINT_DIR) + "/" + c.file, t, &why)) << why;
    for (const FieldItem& f : t.fields) EXPECT_NE(c.table.find(f.name), nullptr) << c.file << ": " << f.name;
    EXPECT_EQ(t.fields.size(), c.table.fields().size()) << c.file << " prints every field of its table";
  }
}

TEST(ReportTemplate, OffsetsComeFromTheSettingsBesideTheTemplate) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("form.rmf").toStdString();
  std::ofstream(dir.filePath("form.ini").toStdString()) << "[Other]\nOffsetX=9\n[Print]\nOffsetX=1.5\r\nOffsetY=-2\n";
  const PrintOffsets o = loadOffsets(path);
  EXPECT_EQ(o.x, 1.5);
  EXPECT_EQ(o.y, -2);
  const PrintOffsets none = loadOffsets(dir.filePath("missing.rmf").toStdString());
  EXPECT_EQ(none.x, 0);
}

TEST(ReportPrinter, TheReceiptPrintsItsValuesToPdf) {
  QTemporaryDir dir;
  RecordTable voucher = RecordTable::soVoucher();
  voucher.open();
  voucher.append();
  ASSERT_TRUE(voucher.set("soNbr", "100001"));
  ASSERT_TRUE(voucher.set("custName", "吴晓燕"));
  ASSERT_TRUE(voucher.set("busiName", "全球呼开通"));
  std::string why;
  ASSERT_TRUE(printReport(std::string(PRINT_DIR) + "/publicBusiSoVoucher.rmf", voucher,
                          "PDF:" + dir.path().toStdString(), false, &why))
      << why;
  const QStringList files = pdfsIn(dir);
  ASSERT_EQ(files.size(), 1);
  const std::string text = pdfText(dir.filePath(files[0]));
  for (const char* expected : {"业务受理回执", "100001", "吴晓燕", "全球呼开通"})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
}

TEST(ReportPrinter, OnePagePerRecordAndUnknownPrintersRefused) {
  QTemporaryDir dir;
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  for (const char* nbr : {"200001", "200002"}) {
    invoice.append();
    invoice.set("soNbr", nbr);
    invoice.set("totalFeeUpper", "壹拾伍元整");
  }
  std::string why;
  ASSERT_TRUE(printReport(std::string(PRINT_DIR) + "/publicBusiInvoice.rmf", invoice,
                          "PDF:" + dir.path().toStdString(), false, &why))
      << why;
  const std::string text = pdfText(dir.filePath(pdfsIn(dir).value(0)));
  EXPECT_NE(text.find("200001"), std::string::npos);
  EXPECT_NE(text.find("200002"), std::string::npos);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 2) << "two pages";

  EXPECT_FALSE(printReport(std::string(PRINT_DIR) + "/publicBusiInvoice.rmf", invoice, "no such printer", false, &why));
  EXPECT_FALSE(printReport(std::string(PRINT_DIR) + "/missing.rmf", invoice, "PDF:" + dir.path().toStdString(), false,
                           &why));
  EXPECT_NE(why.find("missing.rmf"), std::string::npos);
}

TEST(ReportPrinter, TheInvoiceDrawsItsCaptionsAndFrameExceptOnThePreprintedForm) {
  RecordTable invoice = RecordTable::busiInvoice();
  invoice.open();
  invoice.append();
  invoice.set("soNbr", "300001");
  invoice.set("totalFeeUpper", "壹拾伍元整");
  const std::string path = std::string(PRINT_DIR) + "/publicBusiInvoice.rmf";
  ReportTemplate layout;
  ASSERT_TRUE(loadTemplate(path, layout, nullptr));
  EXPECT_FALSE(loadOffsets(path).preprintedForm) << "a fresh install prints on plain paper";

  // Into PDF through the printing path: captions, frame and values.
  QTemporaryDir plain;
  std::string why;
  ASSERT_TRUE(printReport(path, invoice, "PDF:" + plain.path().toStdString(), false, &why)) << why;
  const std::string whole = pdfText(plain.filePath(pdfsIn(plain).value(0)));
  for (const char* expected : {"业务收费发票", "流水号", "合计(大写)", "营业员", "300001", "壹拾伍元整"})
    EXPECT_NE(whole.find(expected), std::string::npos) << expected << " in:\n" << whole;

  // What the pre-printed form gets: the values alone.
  QTemporaryDir form;
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(form.filePath("form.pdf"));
  ASSERT_TRUE(renderReport(layout, invoice, {}, printer, &why, false)) << why;
  const std::string values = pdfText(form.filePath("form.pdf"));
  EXPECT_NE(values.find("300001"), std::string::npos) << values;
  EXPECT_NE(values.find("壹拾伍元整"), std::string::npos) << values;
  for (const char* caption : {"业务收费发票", "流水号", "合计(大写)", "营业员"})
    EXPECT_EQ(values.find(caption), std::string::npos) << caption << " on the pre-printed form:\n" << values;

  // Which paper gets the stationery.
  PrintOffsets onForm;
  onForm.preprintedForm = true;
  EXPECT_TRUE(drawsStationery({}, false));
  EXPECT_TRUE(drawsStationery({}, true));
  EXPECT_TRUE(drawsStationery(onForm, true)) << "a PDF is never the form";
  EXPECT_FALSE(drawsStationery(onForm, false));
}

TEST(ReportTemplate, StationeryIsATextOrLineOptionAndTheFormIsASetting) {
  ReportTemplate t;
  std::string why;
  ASSERT_TRUE(parseTemplate("text 1 2 \"日期\" size 7 stationery\nline 0 0 9 0 stationery width 0.3\n"
                            "text 3 4 \"no\"\nline 0 1 9 1\n",
                            t, &why))
      << why;
  ASSERT_EQ(t.texts.size(), 2u);
  ASSERT_EQ(t.lines.size(), 2u);
  EXPECT_TRUE(t.texts[0].stationery);
  EXPECT_EQ(t.texts[0].style.size, 7);
  EXPECT_FALSE(t.texts[1].stationery);
  EXPECT_TRUE(t.lines[0].stationery);
  EXPECT_EQ(t.lines[0].width, 0.3);
  EXPECT_FALSE(t.lines[1].stationery);
  EXPECT_FALSE(parseTemplate("field a 1 2 3 4 stationery\n", t, &why)) << "a value is never stationery";

  QTemporaryDir dir;
  std::ofstream(dir.filePath("form.ini").toStdString()) << "[Print]\nPreprintedForm=1\n";
  EXPECT_TRUE(loadOffsets(dir.filePath("form.rmf").toStdString()).preprintedForm);
}
