// The host shell: a main window with a multiple-document area, the logged-in
// operator, and the business modules found in its modules folder, each behind
// a menu entry. Each entry opens a new workspace of its module.
#pragma once

#include <QMainWindow>
#include <QString>
#include <cstdint>
#include <vector>

class QMdiArea;

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

class HostWindow : public QMainWindow {
  Q_OBJECT

 public:
  HostWindow(LoggedInOperator op, std::vector<HostModule> modules);

  // Opens a new workspace of the module serving `moduleId`; the window, or
  // null when no module serves it or the module could not create one.
  QWidget* openModule(std::int32_t moduleId);
  QMdiArea* area() const { return area_; }

 private:
  LoggedInOperator op_;
  std::vector<HostModule> modules_;
  QMdiArea* area_;
};
