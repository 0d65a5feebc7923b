#include "scripted_acceptance.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

#include <functional>

#include "gui_message.h"
#include "modal.h"
#include "printers.h"

namespace {

class Pictures {
 public:
  Pictures(ScriptedAcceptance& run) : run_(run) {}
  void Take(QWidget* w, const QString& what) {
    QApplication::processEvents();
    const QString file =
        QDir(run_.folder).filePath(QString("%1-%2.png").arg(++n_, 2, 10, QChar('0')).arg(what));
    if (w && w->grab().save(file)) run_.pictures << file;
  }

 private:
  ScriptedAcceptance& run_;
  int n_ = 0;
};

// The operator says yes to every question (the business rules', the
// papers', and to going on afterwards); each box is pictured first.
class Answers final : public zpgui::MessageHandler {
 public:
  Answers(Pictures& pictures, QStringList& log) : pictures_(pictures), log_(log) {}
  int Show(const zpgui::GUIMessage& m) override {
    auto box = zpgui::BuildGUIMessageBox(m);
    box->show();
    pictures_.Take(box.get(), "message");
    log_ << QString("[%1] %2").arg(QString::fromStdString(m.caption), QString::fromStdString(m.text));
    return zpgui::IsQuestion(m.flags) ? zpgui::kAnswerYes : zpgui::kAnswerOk;
  }

 private:
  Pictures& pictures_;
  QStringList& log_;
  zpgui::MessageHandlerScope scope_{this};
};

// Each modal dialog is pictured, then filled by the step for its name;
// a dialog without a step is closed.
class Dialogs final : public zpgui::ModalHandler {
 public:
  using Step = std::function<void(QDialog&)>;
  Dialogs(Pictures& pictures, QStringList& log) : pictures_(pictures), log_(log) {}
  void On(const QString& name, Step step) { steps_.append({name, std::move(step)}); }
  int Run(QDialog& d) override {
    d.setResult(0);
    d.show();
    log_ << "dialog " + d.objectName();
    for (const auto& [name, step] : steps_)
      if (d.objectName().compare(name, Qt::CaseInsensitive) == 0) {
        step(d);
        break;
      }
    if (d.isVisible()) {
      pictures_.Take(&d, d.objectName());
      d.close();
    }
    return d.result();
  }

 private:
  Pictures& pictures_;
  QStringList& log_;
  QList<QPair<QString, Step>> steps_;
  zpgui::ModalHandlerScope scope_{this};
};

template <class T>
T* Find(QWidget* in, const char* name) {
  return in ? in->findChild<T*>(name) : nullptr;
}

// The host's printer for the length of the script: the user's own setting
// is back afterwards, or none if he had none.
class PrinterFor {
 public:
  explicit PrinterFor(const std::string& name)
      : previous_(QSettings(zpgui::UserSettingsPath(), QSettings::IniFormat).value(kKey)),
        ok_(SetDefaultPrinterName(name)) {}
  ~PrinterFor() {
    if (!ok_) return;
    QSettings settings(zpgui::UserSettingsPath(), QSettings::IniFormat);
    if (previous_.isValid())
      settings.setValue(kKey, previous_);
    else
      settings.remove(kKey);
  }
  bool ok() const { return ok_; }

 private:
  static constexpr const char* kKey = "Print/DefaultPrinter";
  QVariant previous_;
  bool ok_;
};

}  // namespace

bool RunScriptedAcceptance(QWidget* hostWindow, QWidget* workspace, ScriptedAcceptance& run) {
  const QString paperFolder = QDir(run.folder).filePath("papers");
  QDir().mkpath(paperFolder);
  PrinterFor printer(("PDF:" + paperFolder).toStdString());
  if (!printer.ok()) {
    run.log << "the host's printer setting could not be written";
    return false;
  }
  Pictures pictures(run);
  Answers answers(pictures, run.log);
  Dialogs dialogs(pictures, run.log);
  if (!workspace) {
    run.log << "no workspace";
    return false;
  }
  pictures.Take(hostWindow, "workspace");

  // The subscriber: an operator with the waiver right leaves the password out.
  auto* phone = Find<QLineEdit>(workspace, "edPhoneId");
  auto* pass = Find<QCheckBox>(workspace, "chkCheckPass");
  auto* query = Find<QPushButton>(workspace, "btnQueyA");
  if (!phone || !query) return false;
  if (pass && pass->isEnabled()) pass->setChecked(false);
  phone->setText(run.phone);
  query->click();
  pictures.Take(hostWindow, "queried");
  auto* commit = Find<QPushButton>(workspace, "btnCommit");
  if (!commit || !commit->isEnabled()) {
    run.log << "the subscriber cannot be served";
    return false;
  }

  // A number from the pool: the first free one.
  dialogs.On("frmSelGlobeIsdn", [&](QDialog& d) {
    if (auto* b = Find<QPushButton>(&d, "btnQuery")) b->click();
    auto* grid = Find<QTableWidget>(&d, "sgIsdn");
    if (grid && grid->item(0, 0)) {
      QTableWidgetItem* item = grid->item(0, 0);
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(item).center());
      run.log << "number " + item->text();
    }
    pictures.Take(&d, "number-dialog");
    if (auto* ok = Find<QPushButton>(&d, "btnOK")) ok->click();
  });
  if (auto* pick = Find<QAbstractButton>(workspace, "btnSelIsdn")) pick->click();
  if (auto* tabs = Find<QTabWidget>(workspace, "pcInfo")) tabs->setCurrentWidget(Find<QWidget>(workspace, "tabUserSvr"));
  pictures.Take(hostWindow, "number-and-promotions");
  auto* isdn = Find<QLineEdit>(workspace, "edIsdn");
  if (!isdn || isdn->text().isEmpty()) {
    run.log << "no number was reserved";
    return false;
  }

  // The fees as priced, confirmed.
  dialogs.On("frmSoFee", [&](QDialog& d) {
    pictures.Take(&d, "fees");
    if (auto* ok = Find<QPushButton>(&d, "btnOK")) ok->click();
  });
  commit->click();
  pictures.Take(hostWindow, "submitted");

  for (const QString& name : QDir(paperFolder).entryList({"*.pdf"}, QDir::Files, QDir::Name))
    run.papers << QDir(paperFolder).filePath(name);
  return run.papers.size() >= 2;
}
