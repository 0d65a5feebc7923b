#include "formVasDeskMain.h"

#include <QBrush>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <QTreeWidgetItem>

#include <new>

#include "FormAfterDate.h"
#include "business_codes.h"
#include "commit_rules.h"
#include "formSoFee.h"
#include "print_papers.h"
#include "prom_info_page.h"
#include "product_frame_adapter.h"
#include "catalogue_lookups.h"
#include "cbusimgntpublic.h"
#include "csysmgntpublic.h"
#include "edit_filters.h"
#include "operator_rights.h"
#include "frameAgentInfo.h"
#include "frameBaseCustInfo.h"
#include "frameBaseUserInfo.h"
#include "frameVerifyUser.h"
#include "formSelGlobeIsdn.h"
#include "gui_message.h"
#include "look.h"
#include "modal.h"
#include "publicbusi_functions.h"
#include "run_path.h"
#include "ui_formVasDeskMain.h"
#include "unknown_submissions.h"
#include "wait_box.h"
#include "verify_rules.h"

using zp::workspace::BusiCodeOf;
using zp::workspace::IsOfferedBusiType;
using zp::workspace::kCancel;
using zp::workspace::kChange;
using zp::workspace::kOpen;

namespace {
constexpr int kGlobalCall = 101;
constexpr int kGps = 102;
constexpr int kGprs = 5;
constexpr int kRingBack = 104;
constexpr int kGprsAccessPoint = 131;
constexpr int kGpsTypeList = 64;
constexpr int kPromFrameWidth = 503;
constexpr const char* kException = "异常";
constexpr int kErrorIcon = 16;
// Pages of nbkUserSvr.
constexpr int kPageGcall = 0, kPageGps = 1, kPageGprs = 2, kPageCrbts = 3;
// Items of the status combos.
constexpr int kNotOpened = 0, kOpened = 1;
constexpr int kSendNotice = 1;  // "[1]通知"

QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s8(const QString& s) { return s.toStdString(); }

// The catalogue's entry of a business type; null when it has none.
const MProductIntfApp::SBusiType* TypeEntry(const MProductIntfApp::SBusiTypeList& types, int busiType) {
  for (const auto& t : types)
    if (t.get_BUSI_TYPE() == busiType) return &t;
  return nullptr;
}
// The products frame takes products only for types whose TYPE is 1.
bool TakesProducts(const MProductIntfApp::SBusiTypeList& types, int busiType) {
  const MProductIntfApp::SBusiType* t = TypeEntry(types, busiType);
  return t && t->get_TYPE() == 1;
}
// The business type of a row is read back from its first sub-item.
constexpr int kTypeColumn = 1;
}  // namespace

TfrmVasDesk::TfrmVasDesk(QWidget* owner) : TfrmMDIChild(owner), ui_(std::make_unique<Ui::TfrmVasDesk>()) {
  ui_->setupUi(this);
  setObjectName("frmVasDesk");
  // Closed by the operator, the workspace frees itself: the host never does.
  setAttribute(Qt::WA_DeleteOnClose);
  // The buttons run the base class's shared actions.
  connect(ui_->btnCommit, &QPushButton::clicked, actCommit, &QAction::trigger);
  connect(ui_->btnClose, &QPushButton::clicked, actClose, &QAction::trigger);
  connect(ui_->btnUnknown, &QPushButton::clicked, this, &TfrmVasDesk::btnUnknownClick);
  connect(ui_->btnSelIsdn, &QToolButton::clicked, this, &TfrmVasDesk::btnSelIsdnClick);
  connect(ui_->frmeVerify->btnQueyA(), &QPushButton::clicked, this, &TfrmVasDesk::frmeVerify1btnQueyAClick);
  connect(ui_->lstvBusiType, &QTreeWidget::itemClicked, this, [this] { lstvBusiTypeClick(); });
  ui_->lstvBusiType->installEventFilter(this);
  // Checking a button runs its handler, whoever checks it; unchecking runs
  // nothing.
  const auto onCheck = [this](QRadioButton* button, void (TfrmVasDesk::*handler)()) {
    connect(button, &QRadioButton::toggled, this, [this, handler](bool on) {
      if (on) (this->*handler)();
    });
  };
  onCheck(ui_->radBtnOpen, &TfrmVasDesk::radBtnOpenClick);
  onCheck(ui_->radBtnClose, &TfrmVasDesk::radBtnCloseClick);
  onCheck(ui_->radBtnMod, &TfrmVasDesk::radBtnModClick);
  connect(ui_->chkAfterFlag, &QCheckBox::clicked, this, &TfrmVasDesk::chkAfterFlagClick);
  zpgui::SetKeyPressHandler(ui_->edIsdn, ::OnEditKeyPress);
  // The promotion page holds the promotion list frame; the product page
  // stays empty until a product frame is plugged in.
  SetOfferFrames(std::make_unique<zp::workspace::PromInfoPage>(), std::make_unique<products::ProductFrameAdapter>());
  // A number pasted into the verification strip passes its digits filter.
  OnEditPaste(ui_->frmeVerify->edPhoneId());
  cdsSoVoucher.open();
  cdsBusiInvoice.open();

  ui_->lstvBusiType->setColumnCount(2);
  ui_->lstvBusiType->setColumnWidth(0, 85);
  ui_->lstvBusiType->setColumnHidden(kTypeColumn, true);
  ui_->lstvBusiType->setAllColumnsShowFocus(true);
}

TfrmVasDesk::~TfrmVasDesk() {
  // A workspace destroyed without being closed (the host quitting) gives its
  // number back all the same; with nothing held this calls nothing.
  GiveBackUnorderedNumber();
}

void TfrmVasDesk::ShowWhyEmpty(const QString& why) {
  auto* note = ui_->lstvBusiType->findChild<QLabel*>("lblEmptyReason");
  if (why.isEmpty()) {
    if (note) note->hide();
    return;
  }
  if (!note) {
    note = new QLabel(ui_->lstvBusiType->viewport());
    note->setObjectName("lblEmptyReason");
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setStyleSheet("color: #b00000;");
    // A layout of its own keeps the note as large as the list.
    auto* fill = new QVBoxLayout(ui_->lstvBusiType->viewport());
    fill->setContentsMargins(4, 4, 4, 4);
    fill->addWidget(note);
  }
  note->setText(QStringLiteral("业务类型未能加载,工作区为空:\n") + why +
                QStringLiteral("\n请待问题解决后关闭本窗口,从菜单重新打开。"));
  note->show();
}

void TfrmVasDesk::LockEmptyWorkspace(const QString& why) {
  ShowWhyEmpty(why);
  // Without a business type the strip has no business to verify for, nor
  // the operator's context: a query would run as nobody, and tell the clerk
  // of rights he lacks for a subscriber he may well serve.
  ui_->frmeVerify->setEnabled(false);
}

QString TfrmVasDesk::emptyReason() const {
  const auto* note = ui_->lstvBusiType->findChild<QLabel*>("lblEmptyReason");
  return note && !note->isHidden() ? note->text() : QString();
}

bool TfrmVasDesk::Init(int busiCode, std::int16_t regionCode, std::int16_t countyCode, int orgId, int opId,
                       const MSysmgntDef::SOperPrivAuthList& privileges) {
  runPath_ = GetZPRunPath();
  busiCode_ = 0;
  regionCode_ = regionCode;
  countyCode_ = countyCode;
  orgId_ = orgId;
  opId_ = opId;
  privileges_ = privileges;
  busiTypes_.clear();
  catalogues_.Clear();
  ui_->lstvBusiType->clear();
  verified_ = mayOpen_ = mayCancel_ = false;
  afterFlag_ = 0;
  afterDate_ = CBSDateTime();
  verifyMode_ = 0;
  // The context is readable from outside as properties, for the host and tests.
  setProperty("busiCode", busiCode);
  setProperty("regionCode", regionCode);
  setProperty("countyCode", countyCode);
  setProperty("orgId", orgId);
  setProperty("opId", opId);

  // The promotion list needs its width for its columns (the frame sizes its
  // own list).
  PromWidget()->setMinimumWidth(kPromFrameWidth);

  ResetWorkspace();
  ShowWhyEmpty({});
  ui_->frmeVerify->setEnabled(true);

  if (!facade.Init(busiCode, regionCode, countyCode, orgId, opId)) {
    LockEmptyWorkspace(QString::fromStdString(facade.BindFailureText()));
    return false;
  }
  CBusinessPublic catalogue;
  if (!catalogue.Init(busiCode, regionCode, countyCode, orgId, opId)) {
    LockEmptyWorkspace(QString::fromStdString(catalogue.LastError().text2));
    return false;
  }
  MProductIntfApp::SBusiTypeList all;
  if (!catalogue.GetBusiType(0, 0, all)) {
    const CBSErrorMsg& e = catalogue.LastError();
    ShowGUIMessage("调用后台服务<productintf>取业务类型busiType信息失败!\n错误[%s]\n[%s]请稍后再试!", "异常", 16,
                   e.text2, e.text1);
    LockEmptyWorkspace(QString::fromStdString(e.text2));
    return false;
  }
  for (const MProductIntfApp::SBusiType& type : all) {
    if (!IsOfferedBusiType(type.get_BUSI_TYPE())) continue;
    busiTypes_.push_back(type);
    auto* row = new QTreeWidgetItem(ui_->lstvBusiType);
    row->setText(0, QString::fromStdString(type.get_BUSI_NAME()));
    row->setText(kTypeColumn, QString::number(type.get_BUSI_TYPE()));
  }
  if (busiTypes_.empty()) {
    ShowGUIMessage("提示:后台参数表cp.pm_busi_type_def没有配置任何新业务类型，请配置!", "提示", 16);
    LockEmptyWorkspace(QStringLiteral("后台没有配置本模块受理的新业务类型,请与系统管理员联系。"));
    return false;
  }

  QTreeWidgetItem* first = ui_->lstvBusiType->topLevelItem(0);
  ui_->lstvBusiType->setCurrentItem(first);
  SetCurrentBusiType(first);
  if (busiType_ == kGprs || busiType_ == kGprsAccessPoint) {
    SetChecked(ui_->radBtnMod, false);
    ui_->radBtnMod->setEnabled(false);
    ui_->radBtnMod->setVisible(true);
  }
  ui_->frmeVerify->InitVerify(busiCode_, regionCode, countyCode, orgId, opId);
  InitComboBox(kGpsTypeList, ui_->cmbGpsType);
  // Nobody is at the counter yet: the operator starts with the number.
  ui_->frmeVerify->edPhoneId()->setFocus();
  return true;
}

void TfrmVasDesk::SetCurrentBusiType(QTreeWidgetItem* row) {
  for (int i = 0; i < ui_->lstvBusiType->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = ui_->lstvBusiType->topLevelItem(i);
    // The current type stands out in red.
    item->setForeground(0, item == row ? QBrush(Qt::red) : QBrush());
  }
  busiType_ = row->text(kTypeColumn).toInt();
  busiCode_ = BusiCodeOf(busiType_, kOpen);
  facade.SetBusiCode(busiCode_);
  facade.SetBusiType(busiType_);
}

void TfrmVasDesk::SetBusiCodeFor(int operation) {
  busiCode_ = BusiCodeOf(busiType_, operation);
  facade.SetBusiCode(busiCode_);
}

void TfrmVasDesk::SetChecked(QRadioButton* button, bool checked) {
  // Exclusive radio buttons refuse to be all unchecked.
  const bool exclusive = button->autoExclusive();
  button->setAutoExclusive(false);
  button->setChecked(checked);
  button->setAutoExclusive(exclusive);
}

void TfrmVasDesk::SetOfferFrames(std::unique_ptr<zp::workspace::PromotionFrame> promotions,
                                 std::unique_ptr<zp::workspace::ProductFrame> products) {
  prom_ = promotions ? std::move(promotions) : std::make_unique<zp::workspace::PromotionFrame>();
  prod_ = products ? std::move(products) : std::make_unique<zp::workspace::ProductFrame>();
  PlaceOnPage(prom_->Widget(), ui_->frmePromInfo);
  PlaceOnPage(prod_->Widget(), ui_->frameBusiProduct);
  // Plugged in after a query, a frame would start unlocked and empty while
  // the workspace shows a subscriber: the operator queries again.
  if (verified_) ResetWorkspace();
}

void TfrmVasDesk::PlaceOnPage(QWidget* frame, QWidget* placeholder) {
  placeholder->setVisible(frame == nullptr);
  if (!frame) return;
  QWidget* page = placeholder->parentWidget();
  if (frame->parentWidget() != page && page->layout()) page->layout()->addWidget(frame);
  frame->setVisible(true);
}

QWidget* TfrmVasDesk::PromWidget() const { return prom_->Widget() ? prom_->Widget() : ui_->frmePromInfo; }
QWidget* TfrmVasDesk::ProdWidget() const { return prod_->Widget() ? prod_->Widget() : ui_->frameBusiProduct; }

void TfrmVasDesk::ResetWorkspace() {
  reservedNumber_.clear();
  ui_->pcInfo->setCurrentWidget(ui_->tabUserinfo);
  ui_->frmeVerify->edPhoneId()->setFocus();

  // Field by field, children included: whatever the last customer left in a
  // detail page, the agent frame or a summary must not reach the next order.
  using Widgets = std::initializer_list<QWidget*>;
  for (QWidget* w : Widgets{ui_->frmeBaseCustInfo, ui_->frmeBaseUserInfo, ui_->gbGlobalInfo, ui_->gbGpsInfo,
                            ui_->gbGprsInfo, ui_->gbCrbts, PromWidget(), ProdWidget(), ui_->FAgenterInfo})
    MakeClear(w, -1);
  prom_->ClearProms();
  prod_->ClearProducts();

  MakeReadOnly(ui_->FAgenterInfo);
  // A back date is one order's: the next one is dated today unless the
  // operator back-dates it himself.
  ui_->chkAfterFlag->setChecked(false);
  afterFlag_ = 0;
  afterDate_ = CBSDateTime();
  ui_->chkAfterFlag->setEnabled(false);
  for (QWidget* w : Widgets{ui_->frmeBaseUserInfo, ui_->frmeBaseCustInfo, ui_->gbGlobalInfo, ui_->gbGpsInfo,
                            ui_->gbGprsInfo, ui_->gbCrbts})
    MakeReadOnly(w);
  LockOfferFrames();

  ui_->btnCommit->setEnabled(false);
  ui_->btnSelIsdn->setEnabled(false);
  ui_->pcInfo->setTabVisible(ui_->pcInfo->indexOf(ui_->tabUserSvr), false);

  for (QRadioButton* b : {ui_->radBtnOpen, ui_->radBtnClose}) {
    b->setEnabled(false);
    SetChecked(b, false);
  }
  SetChecked(ui_->radBtnMod, false);
  ui_->radBtnMod->setEnabled(false);
  // Both GPRS businesses have a change; a change checked on a hidden button
  // would leave the operator committing an operation he cannot see.
  ui_->radBtnMod->setVisible(busiType_ == kGprs || busiType_ == kGprsAccessPoint);

  // What the workspace knew of the last subscriber goes with him.
  verified_ = mayOpen_ = mayCancel_ = productsApply_ = false;
  subscriberRegion_ = 0;
  currentProducts_.clear();

  facade.Reset();
  // The facade keeps its subscriber, agent and details over a reset; an
  // order of the next customer must not be able to carry them.
  facade.SetCustInfo({});
  facade.SetUserInfo({});
  facade.SetOperatorMan({});
  facade.SetSpecilDataInfo({});
}

void TfrmVasDesk::frmeVerify1btnQueyAClick() {
  zpgui::WaitBox wait("处理中，请稍侯...");
  // The reset makes everything read-only and the query opens part of it
  // again: each control takes its colour once, at the end.
  const zpgui::LookBatch looks;
  GiveBackUnorderedNumber();
  ResetWorkspace();
  verified_ = false;
  MPublicDef::SUserInfo user;
  MPublicDef::SCustInfo cust;
  MPublicDef::SAcctInfo acct;
  switch (ui_->frmeVerify->QueryUser(user, cust, acct, verifyMode_)) {
    case zpverify::kVerified:
      verified_ = true;
      RefreshSubscriber(cust, user);
      break;
    case zpverify::kNotAccepted:
      RefreshSubscriber(cust, user);
      break;
    default:
      break;  // the strip has said why
  }
}

bool TfrmVasDesk::RefreshSubscriber(const MPublicDef::SCustInfo& cust, const MPublicDef::SUserInfo& user) {
  facade.SetCustInfo(cust);
  facade.SetUserInfo(user);
  subscriberRegion_ = user.get_REGION_CODE();

  const QString phone = q(user.get_PHONE_ID());
  for (QLineEdit* e : {ui_->edGpsPhoneId, ui_->edGprsPhoneId, ui_->edCrbtsPhoneId}) e->setText(phone);

  ui_->frmeBaseCustInfo->InitCustLists();
  ui_->frmeBaseCustInfo->ShowCustInfo(cust);

  ui_->FAgenterInfo->InitAgentLists(user.get_REGION_CODE());
  if (verified_) ui_->FAgenterInfo->ShowAgentFromCust(cust);

  if (!LoadSubscriberCatalogues(user)) return false;

  ui_->pcInfo->setTabVisible(ui_->pcInfo->indexOf(ui_->tabUserSvr), true);
  if (busiType_ == kGprs) ui_->gbGprsInfo->setTitle("GPRS信息");
  if (busiType_ == kGprsAccessPoint) ui_->gbGprsInfo->setTitle("GPRS接入点信息");

  zp::workspace::OfferContext offer;
  offer.busiType = busiType_;
  offer.busiCode = busiCode_;
  offer.subscriberRegion = user.get_REGION_CODE();
  offer.servId = user.get_SERV_ID();
  offer.planId = user.get_PLAN_ID();
  offer.opRegionCode = regionCode_;
  offer.opCountyCode = countyCode_;
  offer.orgId = orgId_;
  offer.opId = opId_;
  const int prodTab = ui_->pcSpromProd->indexOf(ui_->tabProd);
  productsApply_ = TakesProducts(busiTypes_, busiType_);
  ui_->pcSpromProd->setTabVisible(prodTab, productsApply_);
  if (productsApply_) prod_->LoadProductCatalogue(offer);
  prom_->LoadPromCatalogue(offer);

  ui_->frmeBaseUserInfo->InitUserLists(brands_, plans_);
  ui_->frmeBaseUserInfo->ShowUserInfo(user);

  MVasDesk::SGetInfoOut info;
  if (!facade.GetInfo(info)) {
    CBSErrorMsg e;
    facade.GetErrorMsg(e);
    ShowGUIMessage("调用后台服务获得新业务业务信息列表失败!\n错误[%s]\n[%s]请稍后再试!", kException, kErrorIcon,
                   e.text2, e.text1);
    return false;
  }
  currentProducts_.clear();
  ShowCurrentService(info);
  const bool rightsKnown = CheckOperatorRights();
  if (!EnableOperations(info, rightsKnown)) return false;
  if (!verified_) return false;
  MakeDefault(ui_->FAgenterInfo);
  ui_->chkAfterFlag->setEnabled(true);
  return true;
}

bool TfrmVasDesk::LoadSubscriberCatalogues(const MPublicDef::SUserInfo& user) {
  const int region = user.get_REGION_CODE();
  const int county = user.get_COUNTY_CODE();
  const int org = user.get_ORG_ID();
  const auto failed = [](const char* text, const CBSErrorMsg& e) {
    ShowGUIMessage(text, kException, kErrorIcon, e.text2, e.text1);
  };

  if (busiType_ == kGps) {
    // Filled when the workspace started; a list that could not be read then
    // is read again here, where it is needed.
    if (ui_->cmbGpsType->count() == 0 && !InitComboBox(kGpsTypeList, ui_->cmbGpsType))
      ShowGUIMessage("调用后台服务获得GPS服务使用方式列表失败,GPS业务暂时无法开通!\n请稍后重新查询!", kException,
                     kErrorIcon);
    const MBusiDataMgnt::SSpInfoList* sps = catalogues_.serviceProviders.Find(region);
    MBusiDataMgnt::SSpInfoList fetched;
    if (!sps) {
      CBusimgntPublic mgnt;
      mgnt.Init(busiCode_, region, county, org, opId_);
      if (mgnt.GetSpInfoList(fetched))
        sps = &catalogues_.serviceProviders.Keep(region, fetched);
      else
        failed("调用后台服务获得服务商列表失败!\n错误[%s]\n[%s]请稍后再试!", mgnt.LastError());
    }
    ui_->cmbSPId->clear();
    zp::lookup::MakeSpLookup(sps ? *sps : fetched)->FillCombo(ui_->cmbSPId);
  }

  if (busiType_ == kRingBack) {
    const MBusiDataMgnt::SCrbtsInfoList* songs = catalogues_.songs.Find(region);
    MBusiDataMgnt::SCrbtsInfoList fetched;
    if (!songs) {
      CBusimgntPublic mgnt;
      mgnt.Init(busiCode_, region, county, org, opId_);
      MBusiDataMgnt::SCrbtsInfo filter;
      filter.set_REGION_CODE(static_cast<std::int16_t>(region));
      if (mgnt.GetCrbtsList(filter, fetched))
        songs = &catalogues_.songs.Keep(region, fetched);
      else
        failed("调用后台服务获得彩铃铃声列表失败!\n错误[%s]\n[%s]请稍后再试!", mgnt.LastError());
    }
    MakeClear(ui_->cmbSongId, 0);
    ui_->cmbSongId->clear();
    for (const auto& song : songs ? *songs : fetched)
      ui_->cmbSongId->addItem(q(zp::workspace::SongItemText(song.get_SONG_ID(), song.get_SONG_NAME())));
    ui_->cmbSongId->setCurrentIndex(ui_->cmbSongId->count() > 0 ? 0 : -1);
  }

  if (!busiPublic.Init(busiCode_, region, county, org, opId_)) {
    // The subscriber's plan and brand and every later step (fees, papers)
    // need this object: the refresh stops, and the clerk must know why the
    // workspace offers nothing.
    const CBSErrorMsg& e = busiPublic.LastError();
    ShowGUIMessage("营业公共服务初始化出错,无法显示该用户的新业务信息!\n错误[%s]\n[%s]请稍后重新查询!", "错误",
                   kErrorIcon, e.text2, e.text1);
    return false;
  }

  if (const auto* kept = catalogues_.brands.Find(region)) {
    brands_ = *kept;
  } else {
    MProductIntfApp::SBrandInfoList brands;
    if (busiPublic.GetBrands(brands, 0, 0, 0))
      brands_ = catalogues_.brands.Keep(region, std::move(brands));
    else
      failed("调用后台服务获得用户品牌列表失败!\n错误[%s]\n[%s]请稍后再试!", busiPublic.LastError());
  }
  if (const auto* kept = catalogues_.plans.Find(region)) {
    plans_ = *kept;
  } else {
    MProductIntfApp::SPlanIdInfoList plans;
    if (busiPublic.GetPlans(plans))
      plans_ = catalogues_.plans.Keep(region, std::move(plans));
    else
      failed("调用后台服务获得营销方案列表失败!\n错误[%s]\n[%s]请稍后再试!", busiPublic.LastError());
  }
  return true;
}

void TfrmVasDesk::ShowCurrentService(const MVasDesk::SGetInfoOut& info) {
  const auto& services = info.get_USERSERVICEINFOLIST();
  const bool none = services.empty();
  switch (busiType_) {
    case kGlobalCall:
      ui_->nbkUserSvr->setCurrentIndex(kPageGcall);
      if (none) {
        ui_->cmbGcallStatus->setCurrentIndex(kNotOpened);
        MakeDefault(ui_->gbGlobalInfo);
        MakeReadOnly(ui_->cmbGcallStatus);
        MakeReadOnly(ui_->edIsdn);
      } else {
        ui_->cmbGcallStatus->setCurrentIndex(kOpened);
        ui_->edIsdn->setText(q(services.front().get_RES_ID()));
        ui_->edGcallRemark->setText(q(services.front().get_REMARK()));
      }
      break;
    case kGps:
      ui_->nbkUserSvr->setCurrentIndex(kPageGps);
      if (none) {
        ui_->cmbGpsStatus->setCurrentIndex(kNotOpened);
        MakeDefault(ui_->gbGpsInfo);
        MakeReadOnly(ui_->edGpsPhoneId);
        MakeReadOnly(ui_->cmbGpsStatus);
      } else {
        ui_->cmbGpsStatus->setCurrentIndex(kOpened);
        // A detail the back end does not give is shown as unknown, not as
        // the first entry the list happens to hold.
        ui_->cmbSPId->setCurrentIndex(-1);
        ui_->cmbGpsType->setCurrentIndex(-1);
        std::vector<MPublicDef::SGpsInfo> details;
        // A cell that does not convert ends the conversion; what was
        // converted before is still shown.
        zp::workspace::TableToRecords(info.get_SPECILDATAINFO(), details);
        if (!details.empty()) {
          const auto& d = details.front();
          SetComboBoxIndex(ui_->cmbSPId, d.get_SP_ID());
          SetComboBoxIndex(ui_->cmbGpsType, d.get_GPS_TYPE());
          ui_->edSelfNo->setText(q(d.get_SELF_NO()));
          ui_->edCardNo->setText(q(d.get_CARD_NO()));
          ui_->edGpsRemark->setText(q(d.get_REMARK()));
        }
      }
      break;
    case kGprs:
    case kGprsAccessPoint:
      ui_->nbkUserSvr->setCurrentIndex(kPageGprs);
      ui_->gbGprsInfo->setTitle(busiType_ == kGprs ? "GPRS信息" : "GPRS接入点信息");
      if (none) {
        ui_->cmbGprsStatus->setCurrentIndex(kNotOpened);
        MakeDefault(ui_->edGprsRemark);
      } else {
        ui_->cmbGprsStatus->setCurrentIndex(kOpened);
        ui_->edGprsRemark->setText(q(services.front().get_REMARK()));
      }
      break;
    case kRingBack:
      ui_->nbkUserSvr->setCurrentIndex(kPageCrbts);
      if (none) {
        ui_->cmbCrbtsStstus->setCurrentIndex(kNotOpened);
        ui_->cmbSendFlag->setCurrentIndex(kSendNotice);
        MakeDefault(ui_->gbCrbts);
        MakeReadOnly(ui_->edCrbtsPhoneId);
        MakeReadOnly(ui_->cmbCrbtsStstus);
      } else {
        ui_->cmbCrbtsStstus->setCurrentIndex(kOpened);
        // Likewise the song: one the list does not hold is not the first.
        ui_->cmbSongId->setCurrentIndex(-1);
        std::vector<MPublicDef::SUserCrbtsInfo> details;
        zp::workspace::TableToRecords(info.get_SPECILDATAINFO(), details);
        if (!details.empty()) {
          const auto& d = details.front();
          SetComboBoxIndex(ui_->cmbSendFlag, d.get_SEND_FLAG());
          SelectSong(d.get_SONG_ID());
          ui_->edCrbtsRemark->setText(q(d.get_REMARK()));
        }
      }
      break;
    default:
      break;
  }
}

bool TfrmVasDesk::CheckOperatorRights() {
  mayOpen_ = mayCancel_ = false;
  const MSysmgntDef::SOperPrivAuthList asks = zp::workspace::RightAsksFor(busiType_);
  CSysMgntPublic sysMgnt;
  if (!sysMgnt.Init(0, 0, 0, 0, 0)) {
    ShowGUIMessage("系统管理BIND出错...!\n[%s]", kException, kErrorIcon, sysMgnt.LastError().text1);
    return false;
  }
  MSysmgntDef::SOperPrivAuthList answers;
  if (!sysMgnt.CheckOperRight(opId_, orgId_, asks, answers)) {
    const CBSErrorMsg& e = sysMgnt.LastError();
    ShowGUIMessage("权限检查出错...!\n[%s][%s]", kException, kErrorIcon, e.text2, e.text1);
    return false;
  }
  const zp::workspace::OperatorRights rights = zp::workspace::RightsFrom(busiType_, answers);
  mayOpen_ = rights.mayOpen;
  mayCancel_ = rights.mayCancel;
  return true;
}

std::string TfrmVasDesk::BusiName() const {
  const MProductIntfApp::SBusiType* t = TypeEntry(busiTypes_, busiType_);
  return t ? t->get_BUSI_NAME() : std::to_string(busiType_);
}

bool TfrmVasDesk::EnableOperations(const MVasDesk::SGetInfoOut& info, bool rightsKnown) {
  // A verified subscriber for whom nothing can be done is told why: the
  // operator would otherwise face a locked workspace without a word. A
  // failed rights check has said so itself.
  const auto refuse = [&](const char* text) {
    if (rightsKnown) ShowGUIMessage(text, "提示", 64, BusiName());
    return false;
  };
  if (info.get_USERSERVICEINFOLIST().empty()) {
    SetBusiCodeFor(kOpen);
    if (!verified_) return false;
    if (!mayOpen_) return refuse("对不起,您没有[%s]业务的开通权限,不能受理!");
    if (busiType_ == kRingBack) {
      ShowGUIMessage("该用户没有开通[%s]业务,本模块只受理其取消,不能开通!", "提示", 64, BusiName());
      return false;
    }
    ui_->radBtnOpen->setEnabled(true);
    ui_->radBtnClose->setEnabled(false);
    SetChecked(ui_->radBtnOpen, true);  // runs radBtnOpenClick
    return true;
  }
  prom_->MergeUserProms(info.get_SPROMINFOLIST());
  currentProducts_ = info.get_MSCFUNCINFOLIST();
  if (productsApply_) prod_->MergeUserProducts(currentProducts_);
  LockOfferFrames();
  if (!verified_) return false;

  if (busiType_ == kGlobalCall || busiType_ == kGps || busiType_ == kRingBack) {
    SetBusiCodeFor(kCancel);
    if (!mayCancel_) return refuse("对不起,您没有[%s]业务的取消权限,不能受理!");
    ui_->radBtnClose->setEnabled(true);
    ui_->radBtnOpen->setEnabled(false);
    SetChecked(ui_->radBtnClose, true);  // runs radBtnCloseClick
    return true;
  }
  if (!mayCancel_) {
    ui_->radBtnMod->setEnabled(true);
    ui_->radBtnClose->setEnabled(false);
    ui_->radBtnOpen->setEnabled(false);
    SetChecked(ui_->radBtnMod, true);  // runs radBtnModClick: the change code
    return true;
  }
  ui_->radBtnClose->setEnabled(true);
  ui_->radBtnMod->setEnabled(true);
  ui_->radBtnOpen->setEnabled(false);
  SetChecked(ui_->radBtnClose, true);
  return true;
}

void TfrmVasDesk::radBtnOpenClick() {
  prom_->EnablePromEdit();
  prod_->EnableProductAdd();
  ui_->btnSelIsdn->setEnabled(true);
  ui_->btnCommit->setEnabled(true);
  SetBusiCodeFor(kOpen);
}

void TfrmVasDesk::LockOfferFrames() {
  // Read-only lists alone leave the frames' own buttons live: a promotion
  // added during a cancellation would be taken and then silently left out
  // of the order.
  MakeReadOnly(PromWidget());
  MakeReadOnly(ProdWidget());
  prom_->LockPromEdit();
  prod_->LockProductEdit();
}

void TfrmVasDesk::radBtnCloseClick() {
  LockOfferFrames();
  ui_->btnSelIsdn->setEnabled(false);
  ui_->btnCommit->setEnabled(true);
  SetBusiCodeFor(kCancel);
}

void TfrmVasDesk::radBtnModClick() {
  SetBusiCodeFor(kChange);
  prom_->EnablePromEdit();
  prod_->EnableProductEdit();
  ui_->btnSelIsdn->setEnabled(false);
  ui_->btnCommit->setEnabled(true);
}

void TfrmVasDesk::frmePromInfolvPromInfoClick() {
  if (ui_->radBtnOpen->isChecked() || ui_->radBtnMod->isChecked()) prom_->lvPromInfoClick();
}

void TfrmVasDesk::frameBusiProductlstvBusiProductClick() {
  if (ui_->radBtnOpen->isChecked() || ui_->radBtnMod->isChecked()) prod_->lstvBusiProductClick();
}

void TfrmVasDesk::lstvBusiTypeClick() {
  const QList<QTreeWidgetItem*> selected = ui_->lstvBusiType->selectedItems();
  if (selected.isEmpty()) return;
  QTreeWidgetItem* row = selected.front();
  if (row->text(kTypeColumn).toInt() == busiType_) return;
  GiveBackUnorderedNumber();
  SetCurrentBusiType(row);
  ui_->frmeVerify->InitVerify(busiCode_, regionCode_, countyCode_, orgId_, opId_);
  ResetWorkspace();
  if (busiType_ == kGprs || busiType_ == kGprsAccessPoint) {
    SetChecked(ui_->radBtnMod, false);
    ui_->radBtnMod->setEnabled(false);
    ui_->radBtnMod->setVisible(true);
  }
  // A new business starts with a new customer: with the number.
  ui_->frmeVerify->edPhoneId()->setFocus();
}

void TfrmVasDesk::lstvBusiTypeKeyUp(int key) {
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
      lstvBusiTypeClick();
      break;
    default:
      break;
  }
}

bool TfrmVasDesk::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->lstvBusiType && event->type() == QEvent::KeyRelease)
    lstvBusiTypeKeyUp(static_cast<QKeyEvent*>(event)->key());
  return TfrmMDIChild::eventFilter(watched, event);
}

void TfrmVasDesk::chkAfterFlagClick() {
  if (ui_->chkAfterFlag->isChecked()) {
    if (ChooseBackDate()) afterFlag_ = 1;
  } else {
    afterFlag_ = 0;
  }
}

bool TfrmVasDesk::ChooseBackDate() {
  auto dialog = std::make_unique<TfrmAfterInfo>(this);
  const QDate today = QDate::currentDate();
  dialog->SetAfterDate(CBSDateTime::make(today.year(), today.month(), today.day()));
  if (ShowModal(*dialog) == 1) {
    const std::string day = dialog->GetAfterDate().toString("%Y%M%D");
    afterDate_ = CBSDateTime(day.c_str(), "%Y%M%D");
    return true;
  }
  ui_->chkAfterFlag->setChecked(false);
  return false;
}

bool TfrmVasDesk::SelectSong(const std::string& code) {
  std::vector<std::string> items;
  for (int i = 0; i < ui_->cmbSongId->count(); ++i) items.push_back(s8(ui_->cmbSongId->itemText(i)));
  const auto at = zp::workspace::SongIndexOf(items, code);
  if (!at) return false;
  ui_->cmbSongId->setCurrentIndex(*at);
  return true;
}

zp::workspace::GpsPageValues TfrmVasDesk::GpsPage() const {
  zp::workspace::GpsPageValues v;
  v.spId = ExtractItemCode(s8(ui_->cmbSPId->currentText()));
  v.gpsType = ExtractItemCode(s8(ui_->cmbGpsType->currentText()));
  v.selfNo = s8(ui_->edSelfNo->text());
  v.cardNo = s8(ui_->edCardNo->text());
  v.remark = s8(ui_->edGpsRemark->text());
  return v;
}

zp::workspace::CrbtsPageValues TfrmVasDesk::CrbtsPage() const {
  zp::workspace::CrbtsPageValues v;
  v.sendFlag = ExtractItemCode(s8(ui_->cmbSendFlag->currentText()));
  v.songText = s8(ui_->cmbSongId->currentText());
  v.remark = s8(ui_->edCrbtsRemark->text());
  return v;
}

bool TfrmVasDesk::BuildOrderSpecialData(int actType) {
  MPublicDef::SUserInfo user;
  facade.GetUserInfo(user);
  const auto table = zp::workspace::BuildOrderSpecialData(busiType_, actType, user, GpsPage(), CrbtsPage());
  if (!table) return false;
  facade.SetSpecilDataInfo(*table);
  return true;
}

void TfrmVasDesk::btnSelIsdnClick() {
  std::unique_ptr<TfrmSelGlobeIsdn> dialog;
  try {
    dialog = std::make_unique<TfrmSelGlobeIsdn>(this);
  } catch (const std::bad_alloc&) {
    ShowGUIMessage("内存不足,无法显示选号窗口!", "异常", 16);
    return;
  }
  int busiCode = 0, orgId = 0, opId = 0;
  short regionCode = 0, countyCode = 0;
  facade.GetInitParams(busiCode, regionCode, countyCode, orgId, opId);
  dialog->InitSelect(busiCode, regionCode, countyCode, orgId, opId);
  ShowModal(*dialog);
  MVasDesk::SResInfo chosen;
  if (dialog->GetSelected(chosen) == 2) return;
  if (!facade.SignRes(chosen)) {
    // The facade gave back the number it held before trying: the number on
    // screen is no longer ours and must not travel in the order.
    reservedNumber_.clear();
    ui_->edIsdn->clear();
    return;
  }
  ui_->edIsdn->setText(QString::fromStdString(chosen.get_RES_ID()));
  reservedNumber_ = chosen.get_RES_ID();
}

void TfrmVasDesk::FormClose() { GiveBackUnorderedNumber(); }

void TfrmVasDesk::GiveBackUnorderedNumber() {
  // The reset only forgets the number: left reserved, it would stay out of
  // every counter's pool until its lease ran out, and each customer who
  // walked away would use up one of the numbers this operator may hold.
  // (The number of an order whose outcome is unknown is let go, not given
  // back: it is the order's if that was stored.)
  facade.UnsignRes();
}

void TfrmVasDesk::closeEvent(QCloseEvent* event) {
  FormClose();
  TfrmMDIChild::closeEvent(event);
}

int TfrmVasDesk::CheckedOperation() const {
  if (ui_->radBtnOpen->isChecked()) return kOpen;
  if (ui_->radBtnClose->isChecked()) return kCancel;
  if (ui_->radBtnMod->isChecked()) return kChange;
  return 0;
}

zp::workspace::OrderEntry TfrmVasDesk::CurrentOrderEntry() const {
  zp::workspace::OrderEntry e;
  e.busiType = busiType_;
  e.operation = CheckedOperation();
  e.isdn = s8(ui_->edIsdn->text());
  e.spId = s8(ui_->cmbSPId->currentText());
  e.gpsType = s8(ui_->cmbGpsType->currentText());
  e.songId = s8(ui_->cmbSongId->currentText());
  if (const auto* regNbr = ui_->FAgenterInfo->findChild<QLineEdit*>("edRegNbr")) e.agentRegNbr = s8(regNbr->text());
  if (const auto* name = ui_->FAgenterInfo->findChild<QLineEdit*>("edSoMen")) e.agentName = s8(name->text());
  if (const auto* regType = ui_->FAgenterInfo->findChild<QComboBox*>("cmbRegType"))
    e.agentRegType = ExtractItemCode(s8(regType->currentText()));
  if (const auto* phone = ui_->FAgenterInfo->findChild<QLineEdit*>("edLinkPhone")) e.agentLinkPhone = s8(phone->text());
  // What the operator may type freely and the order carries: the remark
  // and the details of the current business's page, then the agent.
  using zp::workspace::kTabAgent;
  using zp::workspace::kTabUserSvr;
  const auto typed = [&](QLineEdit* edit, const char* label, int tab) {
    if (edit) e.typedTexts.push_back({label, s8(edit->text()), tab, s8(edit->objectName())});
  };
  switch (busiType_) {
    case kGlobalCall: typed(ui_->edGcallRemark, "备注", kTabUserSvr); break;
    case kGps:
      typed(ui_->edSelfNo, "自编号", kTabUserSvr);
      typed(ui_->edCardNo, "车牌号", kTabUserSvr);
      typed(ui_->edGpsRemark, "备注", kTabUserSvr);
      break;
    case kGprs:
    case kGprsAccessPoint: typed(ui_->edGprsRemark, "备注", kTabUserSvr); break;
    case kRingBack: typed(ui_->edCrbtsRemark, "备注", kTabUserSvr); break;
    default: break;
  }
  const struct {
    const char* name;
    const char* label;
  } agentTexts[] = {{"edSoMen", "经办人"},        {"edRegNbr", "证件号码"}, {"edLinkAddress", "联系地址"},
                    {"edLinkPhone", "联系电话"}, {"edEMail", "E-Mail"},   {"edRemark", "经办人备注"},
                    {"edSoDesc", "经办描述"}};
  for (const auto& t : agentTexts) typed(ui_->FAgenterInfo->findChild<QLineEdit*>(t.name), t.label, kTabAgent);
  e.productsApply = productsApply_;
  e.activeProms = prom_->CountActiveProms();
  e.activeProducts = productsApply_ ? prod_->CountActiveProducts() : 0;
  return e;
}

bool TfrmVasDesk::ValidateOrder() {
  const auto refusal = zp::workspace::FirstOrderRefusal(CurrentOrderEntry());
  if (!refusal) return true;
  ShowGUIMessage(refusal->text.c_str(), "提示", 64);
  ui_->pcInfo->setCurrentIndex(refusal->tab);
  // Looked for on the page turned to: the customer frame has fields of the
  // same names as the agent's.
  if (!refusal->focus.empty())
    if (auto* field = ui_->pcInfo->currentWidget()->findChild<QWidget*>(QString::fromStdString(refusal->focus)))
      field->setFocus();
  return false;
}

std::string TfrmVasDesk::OrderRemark() const {
  switch (busiType_) {
    case kGlobalCall:
      return s8(ui_->edGcallRemark->text());
    case kGps:
      return s8(ui_->edGpsRemark->text());
    case kGprs:
    case kGprsAccessPoint:
      return s8(ui_->edGprsRemark->text());
    case kRingBack:
      return s8(ui_->edCrbtsRemark->text());
    default:
      return {};
  }
}

void TfrmVasDesk::actCommitExecute() {
  const int operation = CheckedOperation();
  if (operation == 0) {
    // The button is locked until a query enabled an operation; a commit that
    // comes another way still has nothing to submit.
    ShowGUIMessage("请先查询用户并选择操作类型（开通、取消或变更）！", "提示", 64);
    return;
  }
  if (!ValidateOrder()) return;
  // The agent's document, unless checked already when the operator left it
  // (taken over from the customer, it never was): a black-listed agent is
  // refused now, before the fees are collected, not by the submission.
  if (!ui_->FAgenterInfo->CheckDocumentBeforeOrder()) {
    ui_->pcInfo->setCurrentIndex(zp::workspace::kTabAgent);
    return;
  }

  MPublicDef::SUserInfo user;
  MPublicDef::SCustInfo cust;
  facade.GetUserInfo(user);
  facade.GetCustInfo(cust);

  zpgui::WaitBox wait("处理中，请稍侯...");
  MPublicDef::SOperator agent;
  ui_->FAgenterInfo->GetAgentInfo(agent);
  facade.SetOperatorMan(agent);
  const std::string remark = OrderRemark();
  // Every attempt builds the whole order anew: nothing of an attempt that
  // stopped (a refused check, a cancelled fee dialog, a failed submission)
  // may travel in the next one. Fees above all: an order whose new pricing
  // has no fee must not be submitted with the fees of the last attempt.
  facade.SetSoFeeList({}, {});
  facade.SetSpecilDataInfo({});

  const short actType = zp::workspace::ActTypeOf(operation);
  facade.AddUserServiceOper(actType, remark);
  BuildOrderSpecialData(actType);
  MPublicDef::SSpromOperList proms;
  if (operation == kCancel)
    prom_->BuildPromCancelOpers(proms);
  else
    prom_->BuildPromOpers(proms);
  facade.SetSpromOperList(proms);
  MPublicDef::SMscFuncOperList products;
  if (productsApply_) {
    if (operation == kCancel)
      products = zp::workspace::CurrentProductDeletes(currentProducts_, static_cast<std::int16_t>(subscriberRegion_));
    else
      prod_->BuildProductOpers(products);
  }
  facade.SetMscFuncOperList(products);
  if (operation == kChange && proms.empty() && products.empty()) {
    ShowGUIMessage("促销和产品都不做变动!请修改再提交", "异常", 16);
    return;
  }

  MVasDesk::SSoUserServiceOut submitted;
  // An earlier submission of this customer's business whose outcome is
  // unknown is settled before the check: stored, it has opened the business
  // and taken its number, and the check would refuse this order as a new
  // one instead of telling that it was taken.
  switch (facade.SettleUnknownSubmission(static_cast<short>(afterFlag_), afterDate_, static_cast<short>(verifyMode_),
                                         submitted)) {
    case CVasDesk::Settled::stop:
      return;
    case CVasDesk::Settled::stored:  // this very order: its papers, as its submission would have had them
      break;
    case CVasDesk::Settled::goOn:
      if (!CheckPriceAndSubmit(user, wait, submitted)) return;
      break;
  }
  CBSErrorMsg outcome;
  facade.GetErrorMsg(outcome);

  OrderPapers papers;
  papers.busiCode = busiCode_;
  papers.verifyMode = verifyMode_;
  facade.GetSoInfo(papers.soInfo);
  papers.result = submitted.get_SORESULTINFO();
  papers.tickets = submitted.get_TIKETINFOLIST();
  papers.user = user;
  papers.cust = cust;
  papers.agent = agent;
  wait.Close();
  const bool printed =
      PrintOrderPapers(this, s8(runPath_), busiPublic, papers, cdsSoVoucher, cdsBusiInvoice);

  // The order is in the back end whatever became of its papers (a paper
  // given up was reported with the order's number): left on screen, it
  // could only be submitted a second time.
  ResetWorkspace();
  if (!printed) return;
  if (ShowGUIMessage("恭喜你,\n[%s]\n[是否继续此业务,...]", "提示", 52, outcome.text1) == zpgui::kAnswerNo) close();
}

bool TfrmVasDesk::CheckPriceAndSubmit(const MPublicDef::SUserInfo& user, zpgui::WaitBox& wait,
                                      MVasDesk::SSoUserServiceOut& submitted) {
  if (facade.CheckSo(static_cast<short>(afterFlag_), afterDate_, static_cast<short>(verifyMode_)) != 0) return false;

  int feeFlag = 1;
  if (!busiPublic.GetCalFeeFlag(busiCode_, user.get_REGION_CODE(), user.get_USER_TYPE(), 0, 0, 0, feeFlag))
    feeFlag = 1;
  if (feeFlag == 1) {
    zpgui::WaitBox pricing("正在计算受理费用");
    if (facade.CalcSoFee() != 0) return false;
    MBusiFeeMgntApp::SGetSoFeeOut priced;
    facade.GetSoFeeOut(priced);
    pricing.Close();
    wait.Close();
    const MPublicDef::SSoFeeList& fees = priced.get_SOFEELIST();
    const MPublicDef::SPrepayOperList& prepays = priced.get_PREPAYOPERLIST();
    if (!fees.empty() || !prepays.empty()) {
      auto dialog = std::make_unique<TfrmSoFee>(nullptr);
      dialog->InitSoFee(fees, prepays);
      ShowModal(*dialog);
      MPublicDef::SSoFeeList confirmed;
      MPublicDef::SPrepayOperList confirmedPrepays;
      if (dialog->GetSoFeeResult(confirmed, confirmedPrepays) == 2) return false;
      facade.SetSoFeeList(confirmed, confirmedPrepays);
    }
  }

  return !facade.SubmitSo(submitted);
}

void TfrmVasDesk::btnUnknownClick() {
  const UnknownSubmissions list(opId_);
  const UnknownSubmissions::Contents contents = list.Read();
  if (contents.unreadable) {
    ShowGUIMessage("结果未知的业务记录[%s]无法读取,无法确认这些业务的结果。\n请不要删除该文件,并与系统管理员联系。", "异常",
                   16, list.Path());
    return;
  }
  const std::vector<UnknownSubmission>& all = contents.entries;
  if (all.empty() && contents.damaged.empty()) {
    ShowGUIMessage("没有结果未知的业务。", "提示", 64);
    return;
  }
  // An order found stored leaves the list at once: the object that prints
  // its papers must be there before any is asked after, or the papers of a
  // paid order would be lost with its line.
  CBusinessPublic paperData;
  if (!all.empty() && !paperData.Init(0, regionCode_, countyCode_, orgId_, opId_)) {
    const CBSErrorMsg& e = paperData.LastError();
    ShowGUIMessage("营业公共服务初始化出错,现在无法确认结果未知的业务!\n错误[%s]\n[%s]\n请稍后再试!", "错误", 16, e.text2,
                   e.text1);
    return;
  }
  // The orders stored meanwhile: the customer paid for them, and their
  // papers are printed once the list has been told.
  std::vector<OrderPapers> toPrint;
  std::string text = "结果未知的业务:\n";
  {
    zpgui::WaitBox wait("正在确认业务结果...");
    for (const UnknownSubmission& s : all) {
      MVasDesk::SSoUserServiceOut out;
      bool leftListed = false;
      const CVasDesk::Outcome outcome = facade.ConfirmSubmission(s.key, out, false, &leftListed);
      text += "[" + s.at + "] 号码" + s.phoneId + " 业务[" + std::to_string(s.busiCode) + "] 标识" + s.key + ": ";
      switch (outcome) {
        case CVasDesk::Outcome::stored: {
          const std::string soNbr = std::to_string(out.get_SORESULTINFO().get_SO_NBR());
          text += "已受理,业务流水号" + soNbr + "\n";
          if (leftListed)
            text += "    它的一行无法从[" + list.Path() + "]中删除,以后再确认它时,请不要重复打印它的回执和发票,并与系统管理员联系\n";
          SubmissionPapers kept;
          if (!ReadPapersText(s.papers, kept)) {
            text += "    该业务受理时的资料没有保存,无法补打回执和发票,请记下业务流水号" + soNbr + "\n";
            break;
          }
          OrderPapers papers;
          papers.busiCode = s.busiCode;
          papers.verifyMode = kept.soInfo.get_VERIFY_MODE();
          papers.soInfo = kept.soInfo;
          papers.result = out.get_SORESULTINFO();
          papers.tickets = out.get_TIKETINFOLIST();
          papers.user.set_PHONE_ID(s.phoneId);
          papers.user.set_SERV_ID(s.servId);
          papers.user.set_REGION_CODE(kept.soInfo.get_REGION_CODE());
          papers.cust = kept.cust;
          papers.agent = kept.agent;
          toPrint.push_back(std::move(papers));
          break;
        }
        case CVasDesk::Outcome::notStored:
          text += "没有受理,可以重新受理\n";
          break;
        case CVasDesk::Outcome::unknown: {
          // Why the server did not tell: no answer, an ended sign-in, a
          // failed store; the clerk may have to act before asking again.
          CBSErrorMsg why;
          facade.GetErrorMsg(why);
          text += "仍然无法确认[" + why.text2 + "],请稍后再试\n";
          break;
        }
        case CVasDesk::Outcome::expired:
          text += "已超过后台可以确认的期限,无法确认是否受理,请重新查询该用户核对其业务\n";
          break;
      }
    }
  }
  if (!contents.damaged.empty())
    text += "另有" + std::to_string(contents.damaged.size()) + "条记录已损坏,无法确认,已原样保留在[" + list.Path() +
            "]中,请与系统管理员联系。\n";
  zpgui::ShowGUIText(text, "提示", 64);
  for (const OrderPapers& papers : toPrint) {
    ShowGUIMessage("号码%s的业务已受理,业务流水号%s,客户已交费,下面打印该业务的回执和发票。", "提示", 64,
                   papers.user.get_PHONE_ID(), std::to_string(papers.result.get_SO_NBR()));
    PrintOrderPapers(this, s8(runPath_), paperData, papers, cdsSoVoucher, cdsBusiInvoice);
  }
}
