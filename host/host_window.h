// The host shell: a main window with a multiple-document area, the logged-in
// operator, and the business modules found in its modules folder, each behind
// a menu entry. Each entry opens a new workspace of its module.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QLabel;
class QMdiArea;
class QThread;
class QTimer;

struct LoggedInOperator {
  std::int32_t opId = 0;
  std::int32_t orgId = 0;
  std::int32_t countyCode = 0;
  std::int32_t regionCode = 0;
};

// One loaded module library and its three entry points.
struct HostModule {
  QString path;
  void* handle = nullptr;
  std::int32_t (*queryCvsIntf)(std::int32_t, char*) = nullptr;
  std::int32_t (*getModuleId)(std::int32_t) = nullptr;
  void* (*createBusinessForm)(std::int32_t, const void*) = nullptr;
};

// Loads every library of a folder that exports the three entry points;
// `problems` collects what was skipped and why.
std::vector<HostModule> loadModules(const QString& folder, QStringList* problems = nullptr);

// The caption of a module id's menu entry.
QString moduleCaption(std::int32_t moduleId);

class QTranslator;
// Loads Qt's own Chinese texts (qtbase_zh_CN from Qt's translations folder)
// into `translator` and installs it for the application; false when they
// are not installed.
bool InstallQtChineseTexts(QTranslator& translator);

struct OperatorSignIn;
// The operator as the host hands him to the modules, from his sign-in.
LoggedInOperator SignedInOperator(const OperatorSignIn& in);

// Asks the operator's id and password (the dialog "dlgSignIn") until the
// server signs him in or he gives up (false). Each refusal is shown as the
// server worded it. With `sameOperator` the id is `opId` and cannot be
// changed: the workspaces open in the host work for him.
bool AskOperatorSignIn(QWidget* parent, std::int32_t opId, bool sameOperator, LoggedInOperator& op);

// Whether broker ZEPHYRON answers a connection within `deadlineMs`: true
// with a line saying so, or false with why not (Chinese, with the address).
bool ProbeBackend(int deadlineMs, QString& state);

class HostWindow : public QMainWindow {
  Q_OBJECT

 public:
  HostWindow(LoggedInOperator op, std::vector<HostModule> modules);

  // Opens a new workspace of the module serving `moduleId`; the window, or
  // null when no module serves it or the module could not create one.
  QWidget* openModule(std::int32_t moduleId);
  QMdiArea* area() const { return area_; }

  // Says in the status bar, and in a box that does not block, which module
  // libraries of `folder` could not be loaded (or that none was found).
  void ShowModuleProblems(const QString& folder, const QStringList& problems, bool noModule);
  // The back end's state in the status bar; checked now and every
  // `everyMs` in the background (0: only now).
  void WatchBackend(int everyMs);
  void SetBackendState(bool reachable, const QString& state);
  QString BackendState() const;
  QString ModuleState() const;
  // The printer setup: the dialog opened on the printer in use; the choice
  // is kept as the user's. False when he cancelled.
  bool PrinterSetup();
  // The same operator signs in again (menu 业务, "重新登录..."), after his
  // session ended (idle too long, signed out elsewhere): the open workspaces
  // and what is on them stay, and their next calls carry the new session.
  // False when he gave up; the old session, if any, is kept.
  bool SignInAgain();
  ~HostWindow() override;

 private:
  void ProbeInBackground();
  void ShowOperator();

  LoggedInOperator op_;
  std::vector<HostModule> modules_;
  QMdiArea* area_;
  QLabel* lblBackend_;
  QLabel* lblModules_;
  QTimer* backendTimer_;
  QThread* probe_ = nullptr;
};
