// zphost: the host shell. Signs an operator in with zpserver (his id and
// password, from a small dialog or the command line), loads the business modules of its modules folder and offers
// one menu entry per module.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include "host_window.h"
#include "operator_sign_in.h"
#include "scripted_acceptance.h"

namespace {

// What the open workspaces show, for a screenshot's reader (and a smoke
// test of an installation): each business type list, or why it is empty.
void describeWorkspaces(const HostWindow& w, QTextStream& out) {
  out << "status: " << w.BackendState() << "\n";
  if (!w.ModuleState().isEmpty()) out << "modules: " << w.ModuleState() << "\n";
  for (QMdiSubWindow* sub : w.area()->subWindowList()) {
    for (auto* list : sub->findChildren<QTreeWidget*>("lstvBusiType")) {
      QStringList items;
      for (int i = 0; i < list->topLevelItemCount(); ++i) items << list->topLevelItem(i)->text(0);
      out << "lstvBusiType: " << items.join(", ") << "\n";
      if (auto* note = list->findChild<QLabel*>("lblEmptyReason"); note && !note->isHidden())
        out << "lblEmptyReason: " << note->text().replace('\n', ' ') << "\n";
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("zphost");
  // Qt's own texts (standard buttons, the print dialog) in Chinese, as the
  // rest of the counter's screens.
  QTranslator qtTexts;
  if (!InstallQtChineseTexts(qtTexts))
    qWarning("zphost: Qt's Chinese texts (qtbase_zh_CN.qm) are not installed; Qt's own buttons stay in English");
  QCommandLineParser p;
  p.setApplicationDescription(
      "The host shell: logs an operator in, loads the business modules of its modules folder and opens their "
      "workspaces as child windows. Brokers are configured as for every client (ZP_BROKER_ZEPHYRON).");
  p.addHelpOption();
  p.addOptions({
      {"op",
       "Operator id. With the password in the environment variable ZP_OPERATOR_PASSWORD the operator is signed "
       "in without the dialog; otherwise the dialog asks for the password.",
       "id"},
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

  // The operator's organisation, county and region are the server's, from
  // his sign-in; every call from here on carries his session.
  LoggedInOperator op;
  const QByteArray password = qgetenv("ZP_OPERATOR_PASSWORD");
  if (p.isSet("op") && !password.isEmpty()) {
    OperatorSignIn in;
    std::string why;
    if (!SignInOperator(p.value("op").toInt(), password.toStdString(), in, why)) {
      qWarning("zphost: %s", why.c_str());
      return 2;
    }
    op = SignedInOperator(in);
  } else if (!AskOperatorSignIn(nullptr, p.value("op").toInt(), /*sameOperator=*/false, op)) {
    return 0;
  }
  struct SignOutAtExit {
    ~SignOutAtExit() { SignOutOperator(); }
  } signOutAtExit;

  const QString folder =
      p.isSet("modules") ? p.value("modules") : QDir(QCoreApplication::applicationDirPath()).filePath("modules");
  QStringList problems;
  std::vector<HostModule> modules = loadModules(folder, &problems);
  for (const QString& why : problems) qWarning("zphost: %s", qPrintable(why));
  const bool noModule = modules.empty();
  if (noModule) qWarning("zphost: no business module in %s", qPrintable(folder));

  HostWindow w(op, std::move(modules));
  w.resize(1100, 760);
  w.show();
  w.ShowModuleProblems(folder, problems, noModule);
  w.WatchBackend(15000);
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
      QTextStream out(stdout);
      describeWorkspaces(w, out);
      out.flush();
      QCoreApplication::exit(saved ? 0 : 1);
    });
  }
  return app.exec();
}
