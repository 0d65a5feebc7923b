// The catalogue and fee operations of CBusinessPublic, served by the
// IBusiCatalogue interface of the same broker; they travel on the object's
// one connection, so Init binds them too.
#include "cbusinesspublic.h"
#include "zpd_library.h"


MBusiPublic::SCatalogueIn CBusinessPublic::catalogueIn(int busiType, int planId, int popedom, int valid,
                                                       int flag) const {
  MBusiPublic::SCatalogueIn in;
  in.set_BUSI_TYPE(busiType);
  in.set_PLAN_ID(planId);
  in.set_POPEDOM(static_cast<std::int16_t>(popedom));
  in.set_VALID(static_cast<std::int16_t>(valid));
  in.set_OP_ID(opId_);
  in.set_FLAG(flag);
  return in;
}

// One list operation: the reply lands in a list of its own and replaces the
// caller's only when the call succeeded.
template <class In, class List>
bool CBusinessPublic::catalogueCall(const char* what, const zpd_operation& op, const In& in, List& list) {
  zpd_library_call call(error_, what);
  return call.run([&] {
    List got;
    if (!call.finish(zpd_invoke(client_, op, in, got, error_, nullptr))) return false;
    list = std::move(got);
    return true;
  });
}

bool CBusinessPublic::GetBusiType(int, short busiType, MProductIntfApp::SBusiTypeList& list) {
  return catalogueCall("取业务类型", MBusiPublic::IBusiCatalogue_get_busiType, catalogueIn(busiType, 0, 0, 0, 0), list);
}

bool CBusinessPublic::GetBrands(MProductIntfApp::SBrandInfoList& list, int, short, short) {
  return catalogueCall("取品牌列表", MBusiPublic::IBusiCatalogue_get_brands, catalogueIn(0, 0, 0, 0, 0), list);
}

bool CBusinessPublic::GetPlans(MProductIntfApp::SPlanIdInfoList& list) {
  return catalogueCall("取资费计划列表", MBusiPublic::IBusiCatalogue_get_plans, catalogueIn(0, 0, 0, 0, 0), list);
}

bool CBusinessPublic::GetBusiPlanSpromList(int busiType, int planId, MProductIntfApp::SSpromPlanMapList& list, int,
                                           short popedom) {
  return catalogueCall("取计划内营销活动", MBusiPublic::IBusiCatalogue_get_planSpromList, catalogueIn(busiType, planId, popedom, 0, 0),
                    list);
}

bool CBusinessPublic::GetBusiPromList(short busiType, MProductIntfApp::SBusiProdInfoList& list, int, short popedom,
                                      short valid) {
  return catalogueCall("取计划外营销活动", MBusiPublic::IBusiCatalogue_get_busiPromList, catalogueIn(busiType, 0, popedom, valid, 0), list);
}

bool CBusinessPublic::GetPdrel(int planId, int, int, MProductIntfApp::SProductRelationList& list) {
  return catalogueCall("取产品关系", MBusiPublic::IBusiCatalogue_get_prodRelation, catalogueIn(0, planId, 0, 0, 0), list);
}

bool CBusinessPublic::GetBusiPlanProdList(int busiType, int planId, MProductIntfApp::SProdPlanMapList& list, int,
                                          short popedom) {
  return catalogueCall("取计划内产品", MBusiPublic::IBusiCatalogue_get_planProdList, catalogueIn(busiType, planId, popedom, 0, 0),
                    list);
}

bool CBusinessPublic::GetFuncn(int prodId, MProductIntfApp::SProdNameList& list) {
  return catalogueCall("取产品名称", MBusiPublic::IBusiCatalogue_get_prodNames, catalogueIn(0, 0, 0, 0, prodId), list);
}

bool CBusinessPublic::GetItemInfoList(MProductIntfApp::SBookItemList& list) {
  return catalogueCall("取营业科目", MBusiPublic::IBusiCatalogue_get_bookItems, catalogueIn(0, 0, 0, 0, 0), list);
}

bool CBusinessPublic::GetPpyn(MProductIntfApp::SBookItemList& list) {
  return catalogueCall("取预付科目", MBusiPublic::IBusiCatalogue_get_prepayItems, catalogueIn(0, 0, 0, 0, 0), list);
}

bool CBusinessPublic::GetBusiItem2AccItemList(MProductIntfApp::SAccItemRelList& list, int flag) {
  return catalogueCall("取优惠科目对应", MBusiPublic::IBusiCatalogue_get_accItemRel, catalogueIn(0, 0, 0, 0, flag), list);
}

bool CBusinessPublic::GetCalFeeFlag(int busiCode, int region, int userType, int soMode, int soCause, int afterFlag,
                                    int& flag) {
  zpd_library_call call(error_, "取收费标志");
  return call.run([&] {
    MBusiPublic::SCalFeeFlagIn in;
    in.set_BUSI_CODE(busiCode);
    in.set_REGION_CODE(static_cast<std::int16_t>(region));
    in.set_USER_TYPE(static_cast<std::int16_t>(userType));
    in.set_SO_MODE(static_cast<std::int16_t>(soMode));
    in.set_SO_CAUSE(static_cast<std::int16_t>(soCause));
    in.set_AFTER_FLAG(static_cast<std::int16_t>(afterFlag));
    std::int32_t got = 0;
    if (!call.finish(zpd_invoke(client_, MBusiPublic::IBusiCatalogue_get_calFeeFlag, in, got, error_, nullptr)))
      return false;
    flag = got;
    return true;
  });
}

bool CBusinessPublic::GetBusinessSoFee(const MBusiFeeMgntApp::SGetSoFeeIn in, MBusiFeeMgntApp::SGetSoFeeOut& out) {
  zpd_library_call call(error_, "计算业务费用");
  return call.run([&] {
    MBusiFeeMgntApp::SGetSoFeeOut got;
    if (!call.finish(zpd_invoke(client_, MBusiPublic::IBusiCatalogue_get_soFee, in, got, error_, nullptr)))
      return false;
    out = std::move(got);
    return true;
  });
}
