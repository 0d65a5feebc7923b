#include "frameBaseUserInfo.h"

#include <QListWidget>
#include <QString>

#include "publicbusi_functions.h"
#include "ui_frameBaseUserInfo.h"

namespace {
constexpr int kUserTypeList = 5;
constexpr int kUserStsList = 6;
constexpr int kRegionList = 57;
constexpr int kCountyList = 58;
}  // namespace

TfrmeBaseUserInfo::TfrmeBaseUserInfo(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TfrmeBaseUserInfo>()) {
  ui->setupUi(this);
}

TfrmeBaseUserInfo::~TfrmeBaseUserInfo() = default;

void TfrmeBaseUserInfo::InitUserLists(const MProductIntfApp::SBrandInfoList& brands,
                                      const MProductIntfApp::SPlanIdInfoList& plans) {
  InitComboBox(kUserTypeList, ui->cmbUserType);
  InitComboBox(kUserStsList, ui->cmbUserSts);
  InitComboBox(kRegionList, ui->cmbRegion);
  InitComboBox(kCountyList, ui->cmbCounty);
  InitComboBoxByZPD(brands, ui->cmbBrand);
  InitComboBoxPlanId(plans, ui->cmbPlanId);
  for (int i = 0; i < ui->chkOsSts->count(); ++i) ui->chkOsSts->item(i)->setCheckState(Qt::Unchecked);
}

void TfrmeBaseUserInfo::ShowUserInfo(const MPublicDef::SUserInfo& user) {
  ui->edPhoneId->setText(QString::fromStdString(user.get_PHONE_ID()));
  SetComboBoxIndex(ui->cmbUserType, user.get_USER_TYPE());
  SetComboBoxIndex(ui->cmbUserSts, user.get_USER_STS());
  SetComboBoxIndex(ui->cmbBrand, user.get_BRAND());
  SetComboBoxIndex(ui->cmbPlanId, user.get_PLAN_ID());
  SetComboBoxIndex(ui->cmbRegion, user.get_REGION_CODE());
  SetComboBoxIndex(ui->cmbCounty, user.get_COUNTY_CODE());
  ui->edRemark->setText(QString::fromStdString(user.get_REMARK()));
  SetOsSts(ui->chkOsSts, user.get_OS_STS());
}
