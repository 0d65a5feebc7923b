#include "host_window.h"

#include <dlfcn.h>

#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <array>

#include "operator_record.h"

std::vector<HostModule> loadModules(const QString& folder, QStringList* problems) {
  std::vector<HostModule> modules;
  const QDir dir(folder);
  for (const QString& name : dir.entryList({"*.so"}, QDir::Files, QDir::Name)) {
    HostModule m;
    m.path = dir.absoluteFilePath(name);
    m.handle = ::dlopen(m.path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle) {
      if (problems) *problems << name + ": " + QString::fromLocal8Bit(::dlerror());
      continue;
    }
    m.queryCvsIntf = reinterpret_cast<decltype(m.queryCvsIntf)>(::dlsym(m.handle, "QueryCvsIntf"));
    m.getModuleId = reinterpret_cast<decltype(m.getModuleId)>(::dlsym(m.handle, "GetModuleId"));
    m.createBusinessForm = reinterpret_cast<decltype(m.createBusinessForm)>(::dlsym(m.handle, "CreateBusinessForm"));
    if (!m.queryCvsIntf || !m.getModuleId || !m.createBusinessForm) {
      if (problems) *problems << name + ": not a business module";
      ::dlclose(m.handle);
      continue;
    }
    modules.push_back(m);
  }
  return modules;
}

QString moduleCaption(std::int32_t moduleId) {
  if (moduleId == 10001) return QStringLiteral("新业务受理");
  return QStringLiteral("业务模块 %1").arg(moduleId);
}

HostWindow::HostWindow(LoggedInOperator op, std::vector<HostModule> modules)
    : op_(op), modules_(std::move(modules)), area_(new QMdiArea(this)) {
  setObjectName("HostWindow");
  setWindowTitle(QStringLiteral("营业受理"));
  setCentralWidget(area_);
  area_->setViewMode(QMdiArea::SubWindowView);
  QMenu* business = menuBar()->addMenu(QStringLiteral("业务"));
  for (const HostModule& m : modules_) {
    const std::int32_t count = m.getModuleId(-1);
    for (std::int32_t i = 0; i < count; ++i) {
      const std::int32_t id = m.getModuleId(i);
      if (id < 0) continue;
      QAction* a = business->addAction(moduleCaption(id));
      a->setObjectName(QStringLiteral("actModule%1").arg(id));
      connect(a, &QAction::triggered, this, [this, id] { openModule(id); });
    }
  }
  menuBar()->addMenu(QStringLiteral("窗口"))->addAction(QStringLiteral("关闭全部"), area_, &QMdiArea::closeAllSubWindows);
  statusBar()->showMessage(QStringLiteral("营业员 %1  营业厅 %2  地市 %3  区县 %4")
                               .arg(op_.opId)
                               .arg(op_.orgId)
                               .arg(op_.regionCode)
                               .arg(op_.countyCode));
}

QWidget* HostWindow::openModule(std::int32_t moduleId) {
  for (const HostModule& m : modules_) {
    const std::int32_t count = m.getModuleId(-1);
    for (std::int32_t i = 0; i < count; ++i) {
      if (m.getModuleId(i) != moduleId) continue;
      // The operator record as the modules read it: four fields at fixed
      // offsets in a record of the host's own.
      std::array<unsigned char, 512> record{};
      zp::module::writeOperatorRecord(record.data(), op_.opId, op_.orgId, op_.countyCode, op_.regionCode);
      auto* form = static_cast<QWidget*>(m.createBusinessForm(0, record.data()));
      if (!form) return nullptr;
      QMdiSubWindow* sub = area_->addSubWindow(form);
      sub->setAttribute(Qt::WA_DeleteOnClose);
      sub->resize(form->sizeHint().expandedTo(QSize(900, 640)));
      sub->show();
      return form;
    }
  }
  return nullptr;
}
