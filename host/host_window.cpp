#include "host_window.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QTranslator>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <array>
#include <chrono>

#include "operator_record.h"
#include "operator_sign_in.h"
#include "printers.h"
#include "zpd_client.h"

std::vector<HostModule> loadModules(const QString& folder, QStringList* problems) {
  std::vector<HostModule> modules;
  const QDir dir(folder);
  for (const QString& name : dir.entryList({"*.so"}, QDir::Files, QDir::Name)) {
    HostModule m;
    m.path = dir.absoluteFilePath(name);
    m.handle = ::dlopen(m.path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (!m.handle) {
      if (problems)
        *problems << QStringLiteral("业务模块%1无法加载:%2").arg(name, QString::fromLocal8Bit(::dlerror()));
      continue;
    }
    m.queryCvsIntf = reinterpret_cast<decltype(m.queryCvsIntf)>(::dlsym(m.handle, "QueryCvsIntf"));
    m.getModuleId = reinterpret_cast<decltype(m.getModuleId)>(::dlsym(m.handle, "GetModuleId"));
    m.createBusinessForm = reinterpret_cast<decltype(m.createBusinessForm)>(::dlsym(m.handle, "CreateBusinessForm"));
    if (!m.queryCvsIntf || !m.getModuleId || !m.createBusinessForm) {
      if (problems) *problems << QStringLiteral("%1不是业务模块(缺少入口函数)").arg(name);
      ::dlclose(m.handle);
      continue;
    }
    modules.push_back(m);
  }
  return modules;
}

bool InstallQtChineseTexts(QTranslator& translator) {
  if (!translator.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    return false;
  return QCoreApplication::installTranslator(&translator);
}

LoggedInOperator SignedInOperator(const OperatorSignIn& in) {
  return {in.opId, in.orgId, in.countyCode, in.regionCode};
}

bool AskOperatorSignIn(QWidget* parent, std::int32_t opId, bool sameOperator, LoggedInOperator& op) {
  for (;;) {
    QDialog d(parent);
    d.setObjectName("dlgSignIn");
    d.setWindowTitle(sameOperator ? QStringLiteral("营业员重新登录") : QStringLiteral("营业员登录"));
    auto* form = new QFormLayout(&d);
    auto* id = new QLineEdit(opId > 0 ? QString::number(opId) : QString(), &d);
    id->setObjectName("edOperId");
    id->setReadOnly(sameOperator);
    auto* password = new QLineEdit(&d);
    password->setObjectName("edOperPassword");
    password->setEchoMode(QLineEdit::Password);
    form->addRow(QStringLiteral("营业员工号："), id);
    form->addRow(QStringLiteral("密码："), password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    (opId > 0 ? password : id)->setFocus();
    if (d.exec() != QDialog::Accepted) return false;
    opId = sameOperator ? opId : id->text().toInt();
    OperatorSignIn in;
    std::string why;
    if (SignInOperator(opId, password->text().toStdString(), in, why)) {
      op = SignedInOperator(in);
      return true;
    }
    QMessageBox::warning(parent, d.windowTitle(), QString::fromStdString(why));
  }
}

bool ProbeBackend(int deadlineMs, QString& state) {
  CZpdClientObject client;
  client.set_timeout(std::chrono::milliseconds(deadlineMs));
  const std::int32_t r = client.bind_zpBroker("ZEPHYRON");
  if (r == 0) {
    state = QStringLiteral("后台服务%1已连接").arg(QString::fromStdString(zpd_resolve_broker("ZEPHYRON")));
    return true;
  }
  state = QString::fromStdString(client.failure_text(r));
  return false;
}

QString moduleCaption(std::int32_t moduleId) {
  if (moduleId == 10001) return QStringLiteral("新业务受理");
  return QStringLiteral("业务模块 %1").arg(moduleId);
}

HostWindow::HostWindow(LoggedInOperator op, std::vector<HostModule> modules)
    : op_(op),
      modules_(std::move(modules)),
      area_(new QMdiArea(this)),
      lblBackend_(new QLabel(this)),
      lblModules_(new QLabel(this)),
      backendTimer_(new QTimer(this)) {
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
  business->addSeparator();
  QAction* again = business->addAction(QStringLiteral("重新登录..."));
  again->setObjectName("actSignInAgain");
  connect(again, &QAction::triggered, this, [this] { SignInAgain(); });
  QAction* printer = menuBar()->addMenu(QStringLiteral("打印"))->addAction(QStringLiteral("打印机设置..."));
  printer->setObjectName("actPrinterSetup");
  connect(printer, &QAction::triggered, this, [this] { PrinterSetup(); });
  menuBar()->addMenu(QStringLiteral("窗口"))->addAction(QStringLiteral("关闭全部"), area_, &QMdiArea::closeAllSubWindows);
  ShowOperator();
  lblBackend_->setObjectName("lblBackend");
  lblModules_->setObjectName("lblModules");
  lblModules_->setStyleSheet("color: #b00000;");
  lblModules_->hide();
  statusBar()->addPermanentWidget(lblModules_);
  statusBar()->addPermanentWidget(lblBackend_);
  connect(backendTimer_, &QTimer::timeout, this, &HostWindow::ProbeInBackground);
}

HostWindow::~HostWindow() {
  backendTimer_->stop();
  if (probe_) probe_->wait();  // bounded by the probe's deadline
  delete probe_;
}

void HostWindow::ShowModuleProblems(const QString& folder, const QStringList& problems, bool noModule) {
  QStringList lines = problems;
  if (noModule) lines << QStringLiteral("在%1中没有找到可用的业务模块,无法办理业务。").arg(folder);
  if (lines.isEmpty()) return;
  lblModules_->setText(lines.join(QStringLiteral(";")));
  lblModules_->show();
  auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("业务模块"),
                              lines.join("\n") + QStringLiteral("\n请与系统管理员联系。"), QMessageBox::Ok, this);
  box->setObjectName("msgModuleProblems");
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->open();
}

void HostWindow::SetBackendState(bool reachable, const QString& state) {
  lblBackend_->setText(state);
  lblBackend_->setStyleSheet(reachable ? QString() : QStringLiteral("color: #b00000;"));
}

bool HostWindow::PrinterSetup() {
  std::string name = GetDefaultPrinterName();
  if (!zpgui::PrinterSetupDialog(&name)) return false;
  if (!CheckPrinter(name)) {
    QMessageBox::warning(this, QStringLiteral("打印机设置"),
                         QStringLiteral("打印机[%1]无法使用,请重新选择。").arg(QString::fromStdString(name)));
    return false;
  }
  if (!SetDefaultPrinterName(name)) {
    QMessageBox::warning(this, QStringLiteral("打印机设置"),
                         QStringLiteral("无法保存打印机设置到%1。").arg(zpgui::UserSettingsPath()));
    return false;
  }
  statusBar()->showMessage(QStringLiteral("打印机已设为%1").arg(QString::fromStdString(name)), 10000);
  return true;
}

void HostWindow::ShowOperator() {
  statusBar()->showMessage(QStringLiteral("营业员 %1  营业厅 %2  地市 %3  区县 %4")
                               .arg(op_.opId)
                               .arg(op_.orgId)
                               .arg(op_.regionCode)
                               .arg(op_.countyCode));
}

bool HostWindow::SignInAgain() {
  LoggedInOperator again;
  if (!AskOperatorSignIn(this, op_.opId, /*sameOperator=*/true, again)) return false;
  op_ = again;
  ShowOperator();
  return true;
}

QString HostWindow::BackendState() const { return lblBackend_->text(); }
QString HostWindow::ModuleState() const { return lblModules_->isHidden() ? QString() : lblModules_->text(); }

void HostWindow::WatchBackend(int everyMs) {
  QString state;
  const bool ok = ProbeBackend(3000, state);
  SetBackendState(ok, state);
  if (everyMs > 0) backendTimer_->start(everyMs);
}

// A back end on an unreachable host holds a connection attempt for its whole
// deadline: the window must not freeze meanwhile.
void HostWindow::ProbeInBackground() {
  if (probe_ && !probe_->isFinished()) return;
  delete probe_;
  QPointer<HostWindow> self(this);
  probe_ = QThread::create([self] {
    QString state;
    const bool ok = ProbeBackend(3000, state);
    QMetaObject::invokeMethod(QCoreApplication::instance(), [self, ok, state] {
      if (self) self->SetBackendState(ok, state);
    });
  });
  probe_->start();
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
