#include "printers.h"

#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QDir>

#include <gtest/gtest.h>

#include "gui_test_support.h"

TEST(Printers, CheckKnowsSystemPrintersAndUsablePdfFolders) {
  QTemporaryDir folder;
  QFile plain(folder.filePath("not-a-folder"));
  ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
  plain.close();
  struct Case {
    std::string name;
    bool ok;
  };
  const Case cases[] = {
      {"PDF:" + folder.path().toStdString(), true},
      {"PDF:" + folder.path().toStdString() + "/", true},
      {"PDF:" + folder.path().toStdString() + "/missing", false},
      {"PDF:" + plain.fileName().toStdString(), false},
      {"PDF:.", false},  // relative: it would move with the working directory
      {"PDF:", false},
      {"", false},
      {"NoSuchPrinter", false},
      {"pdf:" + folder.path().toStdString(), false},  // the prefix is exact
  };
  for (const Case& c : cases) EXPECT_EQ(CheckPrinter(c.name), c.ok) << c.name;
  for (const QString& system : QPrinterInfo::availablePrinterNames()) {
    EXPECT_TRUE(CheckPrinter(system.toStdString())) << system.toStdString();
  }
}

TEST(Printers, TheUsersChoiceIsKeptInHisOwnSettingsNeverInTheRunDirectory) {
  TempRunDir run;
  QFile::remove(zpgui::UserSettingsPath());
  for (const std::string name : {"PDF:/srv/receipts", "财务部 LaserJet", ""}) {
    ASSERT_TRUE(SetDefaultPrinterName(name));
    EXPECT_EQ(GetDefaultPrinterName(), name);
  }
  SetDefaultPrinterName("counter-3");
  EXPECT_FALSE(QFile::exists(run.filePath("zphost.ini"))) << "the program's folder is not the user's";
  EXPECT_TRUE(zpgui::UserSettingsPath().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")))
      << zpgui::UserSettingsPath().toStdString();
  EXPECT_EQ(QSettings(zpgui::UserSettingsPath(), QSettings::IniFormat).value("Print/DefaultPrinter").toString(),
            "counter-3");
  // The user's choice goes with him to another run directory.
  TempRunDir other;
  EXPECT_EQ(GetDefaultPrinterName(), "counter-3");
  QFile::remove(zpgui::UserSettingsPath());
}

TEST(Printers, AFreshInstallPrintsToTheSystemPrinterOrPdfInTheUsersDocuments) {
  TempRunDir run;
  QFile::remove(zpgui::UserSettingsPath());
  const std::string fresh = GetDefaultPrinterName();
  if (!QPrinterInfo::defaultPrinterName().isEmpty()) {
    EXPECT_EQ(fresh, QPrinterInfo::defaultPrinterName().toStdString());
  } else {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    EXPECT_EQ(fresh, "PDF:" + QDir(documents).filePath(QStringLiteral("营业受理票据")).toStdString());
  }
  EXPECT_TRUE(CheckPrinter(fresh)) << "a fresh install never offers an unusable printer: " << fresh;

  // An administrator's preset in the run directory comes before that, and
  // the user's own choice before the preset.
  {
    QSettings preset(run.filePath("zphost.ini"), QSettings::IniFormat);
    preset.setValue("Print/DefaultPrinter", "PDF:/srv/counter");
  }
  EXPECT_EQ(GetDefaultPrinterName(), "PDF:/srv/counter");
  ASSERT_TRUE(SetDefaultPrinterName("前台打印机"));
  EXPECT_EQ(GetDefaultPrinterName(), "前台打印机");
  EXPECT_EQ(QSettings(run.filePath("zphost.ini"), QSettings::IniFormat).value("Print/DefaultPrinter").toString(),
            "PDF:/srv/counter")
      << "the preset is left as it was";
  QFile::remove(zpgui::UserSettingsPath());
}

TEST(Printers, PdfPrinterWritesANewNumberedFileEachTime) {
  QTemporaryDir folder;
  const std::string name = "PDF:" + folder.path().toStdString();
  for (int n = 1; n <= 2; ++n) {
    QPrinter printer;
    ASSERT_TRUE(zpgui::ApplyPrinterName(printer, name, "publicBusiSoVoucher"));
    const QString expected = folder.filePath(QStringLiteral("publicBusiSoVoucher-%1.pdf").arg(n));
    EXPECT_EQ(printer.outputFileName(), expected);
    EXPECT_EQ(zpgui::PrinterNameOf(printer), name);
    QPainter painter;
    ASSERT_TRUE(painter.begin(&printer));
    painter.drawText(100, 100, QStringLiteral("回执"));
    painter.end();
    EXPECT_GT(QFile(expected).size(), 0);
  }
  QPrinter printer;
  EXPECT_FALSE(zpgui::ApplyPrinterName(printer, "NoSuchPrinter", "x"));
  EXPECT_FALSE(zpgui::ApplyPrinterName(printer, name + "/missing", "x"));
}

TEST(Printers, SetupScriptChoosesOrRefusesInTurn) {
  zpgui::PrinterSetupScript script;
  script.Pick("PDF:/tmp");
  script.Refuse();
  std::string name = "BrokenPrinter";
  EXPECT_TRUE(zpgui::PrinterSetupDialog(&name));
  EXPECT_EQ(name, "PDF:/tmp");
  EXPECT_FALSE(zpgui::PrinterSetupDialog(&name));
  EXPECT_EQ(name, "PDF:/tmp");  // a refusal leaves the name alone
  EXPECT_EQ(script.Unexpected(), 0);
  EXPECT_FALSE(zpgui::PrinterSetupDialog(&name));
  EXPECT_EQ(script.Unexpected(), 1);
  EXPECT_EQ(script.OpenedOn(), (std::vector<std::string>{"BrokenPrinter", "PDF:/tmp", "PDF:/tmp"}));
}

TEST(Printers, WithoutAHandlerTheSetupIsTheSystemsPrintDialog) {
  std::string name = "BrokenPrinter";
  bool shown = false;
  WhenShown<QPrintDialog>([&](QPrintDialog& dialog) {
    shown = true;
    dialog.reject();
  });
  EXPECT_FALSE(zpgui::PrinterSetupDialog(&name));
  EXPECT_TRUE(shown);
  EXPECT_EQ(name, "BrokenPrinter");
}

TEST(Printers, SystemsPrintDialogConfirmedKeepsAPdfFolderChosen) {
  QTemporaryDir folder;
  std::string name = "PDF:" + folder.path().toStdString();
  WhenShown<QPrintDialog>([](QPrintDialog& dialog) { dialog.accept(); });
  EXPECT_TRUE(zpgui::PrinterSetupDialog(&name));
  EXPECT_EQ(name, "PDF:" + folder.path().toStdString());
}
