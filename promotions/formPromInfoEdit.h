// The promotion selection dialog: the offer of the business as a check list,
// the relation rules applied as the operator checks and unchecks, the number
// of cycles asked where the promotion wants it, and the parameter entered
// within the operator's limits. The list frame loads it, shows it modally and
// reads the checked promotions back.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "prom_selection.h"

class QLineEdit;
class QTreeWidgetItem;

namespace Ui {
class TfrmPromInfoEdit;
}

class TfrmPromInfoEdit : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmPromInfoEdit(QWidget* owner = nullptr);
  ~TfrmPromInfoEdit() override;

  void LoadPlanCatalogue(const MProductIntfApp::SSpromPlanMapList& catalogue,
                         const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId, int busiCode);
  void LoadTypeCatalogue(const MProductIntfApp::SBusiProdInfoList& offer,
                         const MProductIntfApp::SProductRelationList& relations, int opId, int opOrgId, int busiCode);
  void ApplyCurrentProms(const MPublicDef::SSpromInfoList& current);
  // Appends one record per checked row; 1 after OK, 2 after Cancel or the
  // close box.
  int GetSelection(MProductIntfApp::SSpromPlanMapList& chosen) const;

  promotions::PromSelection& Selection() { return selection_; }

 public slots:
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void btnOKClick();
  void btnCancelClick();
  void lstvSpromInfoClick(QTreeWidgetItem* item, int column);
  void lstvSpromInfoDblClick(QTreeWidgetItem* item, int column);

 private:
  void FormCreate();
  void lstvSpromInfoMouseDown(int row);
  void lstvSpromInfoMouseDownOutside();
  void lstvSpromInfoKeyPress(int key);
  void edSpromParaExit();
  // Steps 4 and 5 of a click: the row's new check mark and what follows.
  void toggled(int row, bool nowChecked);
  // false when the operator gave up a "-2" promotion.
  bool AskValidCycle(int row);
  void ShowParaEntry(int row);
  void clearParaEntry();
  void refuseMandatory(const promotions::PromEditRow& row);
  void resynchronise();
  void render();
  int selectedRow() const;
  void tell(const promotions::PromEditRow& row, const offers::Verdict& v);

  std::unique_ptr<Ui::TfrmPromInfoEdit> ui_;
  promotions::PromSelection selection_;
  int resultCode = 2;
  int paraKind = 0;  // the kind whose key filter the parameter box has
  bool rendering = false;
};
