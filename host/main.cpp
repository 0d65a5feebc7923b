// zphost: the host shell. Logs an operator in (from the command line or a
// small dialog), loads the business modules of its modules folder and offers
// one menu entry per module.
#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

#include "host_window.h"
#include "scripted_acceptance.h"

namespace {

bool askOperator(LoggedInOperator& op) {
  QDialog d;
  d.setWindowTitle(QStringLiteral("营业员登录"));
  auto* form = new QFormLayout(&d);
  auto* opId = new QLineEdit(QString::number(op.opId), &d);
  auto* org = new QLineEdit(QString::number(op.orgId), &d);
  auto* county = new QLineEdit(QString::number(op.countyCode), &d);
  auto* region = new QLineEdit(QString::number(op.regionCode), &d);
  form->addRow(QStringLiteral("营业员工号："), opId);
  form->addRow(QStringLiteral("营业厅："), org);
  form->addRow(QStringLiteral("区县："), county);
  form->addRow(QStringLiteral("地市："), region);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
  form->addRow(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
  if (d.exec() != QDialog::Accepted) return false;
  op = {opId->text().toInt(), org->text().toInt(), county->text().toInt(), region->text().toInt()};
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("zphost");
  QCommandLineParser p;
  p.setApplicationDescription(
      "The host shell: logs an operator in, loads the business modules of its modules folder and opens their "
      "workspaces as child windows. Brokers are configured as for every client (ZP_BROKER_ZEPHYRON).");
  p.addHelpOption();
  p.addOptions({
      {"op", "Operator id (skips the log-in dialog).", "id"},
      {"org", "Organisation (sales outlet) id.", "id", "0"},
      {"county", "County code.", "code", "0"},
      {"region", "Region code.", "code", "0"},
      {"modules", "Folder of the module libraries (default: modules beside zphost).", "dir"},
      {"open", "Open a workspace of this module id at start.", "id"},
      {"screenshot", "Save a picture of the window to this PNG file once it is shown, then quit.", "file"},
      {"acceptance",
       "With --open: play one scripted acceptance in the workspace (Global Call for --phone), save a picture of "
       "each step and the printed papers in this folder, print where they are, then quit.",
       "dir"},
      {"phone", "The subscriber of the scripted acceptance.", "number", "13957100001"},
  });
  p.process(app);

  LoggedInOperator op{p.value("op").toInt(), p.value("org").toInt(), p.value("county").toInt(),
                      p.value("region").toInt()};
  if (!p.isSet("op") && !askOperator(op)) return 0;

  const QString folder =
      p.isSet("modules") ? p.value("modules") : QDir(QCoreApplication::applicationDirPath()).filePath("modules");
  QStringList problems;
  std::vector<HostModule> modules = loadModules(folder, &problems);
  for (const QString& why : problems) qWarning("zphost: %s", qPrintable(why));
  if (modules.empty()) qWarning("zphost: no business module in %s", qPrintable(folder));

  HostWindow w(op, std::move(modules));
  w.resize(1100, 760);
  w.show();
  QWidget* workspace = p.isSet("open") ? w.openModule(p.value("open").toInt()) : nullptr;
  if (p.isSet("open") && !workspace) qWarning("zphost: no workspace of module %s", qPrintable(p.value("open")));
  if (p.isSet("acceptance")) {
    const QString folder = QDir(p.value("acceptance")).absolutePath();
    const QString phone = p.value("phone");
    QTimer::singleShot(300, &w, [&w, workspace, folder, phone] {
      ScriptedAcceptance run;
      run.folder = folder;
      run.phone = phone;
      QDir().mkpath(folder);
      const bool done = RunScriptedAcceptance(&w, workspace, run);
      QTextStream out(stdout);
      for (const QString& line : run.log) out << "  " << line << "\n";
      out << "Pictures of each step:\n";
      for (const QString& f : run.pictures) out << "  " << f << "\n";
      out << "Papers:\n";
      for (const QString& f : run.papers) out << "  " << f << "\n";
      out << (done ? "The scripted acceptance was submitted and printed.\n" : "The scripted acceptance did not finish.\n");
      out.flush();
      QCoreApplication::exit(done ? 0 : 1);
    });
  }
  if (p.isSet("screenshot")) {
    const QString file = p.value("screenshot");
    QTimer::singleShot(500, &w, [&w, file] {
      const bool saved = w.grab().save(file);
      QCoreApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
