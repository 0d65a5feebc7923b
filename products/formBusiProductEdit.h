// The product selection dialog "产品信息": the plan's products as a check
// list, the relation rules applied as the operator checks and unchecks, and
// the forwarding number, the ring or the validity mode asked through the
// detail input dialog. The list frame loads it, shows it modally and reads
// the checked products back.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "MBusiDataMgnt.h"
#include "MProductIntfApp.h"
#include "MPublicDef.h"
#include "prod_selection.h"

class QTreeWidgetItem;

namespace Ui {
class TfrmBusiProductEdit;
}

class TfrmBusiProductEdit : public QDialog {
  Q_OBJECT

 public:
  // Why the detail dialog is asked.
  enum class Occasion { toggle, doubleClick };

  explicit TfrmBusiProductEdit(QWidget* owner = nullptr);
  ~TfrmBusiProductEdit() override;

  int LoadProducts(int busiType, const std::string& mscCallServices, const MProductIntfApp::SBusiTypeList& busiTypes,
                   const MBusiDataMgnt::SCrbtsInfoList& ringList,
                   const MProductIntfApp::SProductRelationList& relations,
                   const MProductIntfApp::SProdPlanMapList& planProducts, const std::string& mscCrbtServices);
  void ApplyCurrentProducts(const MPublicDef::SMscFuncInfoList& current);
  // Appends one record per checked row; 1 after OK, 2 after Cancel, 0 when
  // the window was closed with its close box.
  int GetSelection(MPublicDef::SMscFuncOperList& chosen) const;

  products::ProdSelection& Selection() { return selection_; }

 public slots:
  void reject() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private slots:
  void btnOkClick();
  void btnCancelClick();
  void lstvBusiProductEditClick(QTreeWidgetItem* item, int column);
  void lstvBusiProductEditDblClick(QTreeWidgetItem* item, int column);

 private:
  void FormCreate();
  void lstvBusiProductEditMouseDown(int row);
  void lstvBusiProductEditKeyPress(int key);
  // Steps 4 and 5 of a click: the row's new check mark and what follows, as
  // one action that a refusal undoes whole.
  void toggled(int row, bool nowChecked);
  void AskProductDetail(int row, Occasion occasion);
  // The chosen validity mode from the detail dialog.
  void applyMode(int row, int mode);
  void resynchronise();
  void render();
  void lstvBusiProductEditChange();
  int selectedRow() const;
  void tell(const offers::Verdict& v);

  std::unique_ptr<Ui::TfrmBusiProductEdit> ui_;
  products::ProdSelection selection_;
  int resultCode = 0;
  bool rendering = false;
};
