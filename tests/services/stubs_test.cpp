#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

#include "MPrivmgnt.h"
#include "MVasDesk.h"
#include "zpd_server.h"

using namespace MVasDesk;

namespace {

// A client whose runtime answers as the test says: the reply is written by
// the test's own function, which also sees the request as it was framed.
template <class Client>
class Scripted : public Client {
 public:
  std::function<std::int32_t(zpb_stream& in, zpb_stream& out)> answer;
  int calls = 0;
  std::int32_t call_server(const char* iface, const char* code, SZPSession*, zpb_stream& in,
                           zpb_stream& out) override {
    ++calls;
    lastInterface = iface;
    lastCode = code;
    return answer(in, out);
  }
  std::string lastInterface, lastCode;
};

// Bytes of a reply frame: the frame name, the reply value, the error record,
// then whatever the case appends.
template <class Out>
std::string replyBytes(const zpd_operation& op, const Out& out, const CBSErrorMsg& err, bool withError = true,
                       const char* frame = nullptr) {
  zpb_stream s;
  s.open();
  s.begin_stream(frame ? zpb_name(frame) : op.replyFrame);
  zpb_write(s, out);
  if (withError) s << err;
  s.end_stream();
  return s.bytes();
}

MPublicDef::SFetchCtInfoIn request() {
  MPublicDef::SFetchCtInfoIn in;
  in.set_BUSI_CODE(1302);
  in.set_SERV_ID(9002);
  return in;
}

SGetInfoOut picture() {
  SGetInfoOut out;
  MPublicDef::SUserServiceInfo a, b;
  a.set_RES_ID("57100001");
  b.set_RES_ID("57100002");
  out.set_USERSERVICEINFOLIST({a, b});
  MPublicDef::SUserInfo u;
  u.set_PHONE_ID("13957100002");
  out.set_USERINFO(u);
  return out;
}

CBSErrorMsg serverError() {
  CBSErrorMsg e;
  e.code = 1;
  e.code2 = 2;
  e.text1 = "服务";
  e.text2 = "说明";
  return e;
}

}  // namespace

TEST(Stubs, EveryFailureOnTheWayBecomesItsCodeAndText) {
  const std::string good = replyBytes(IVasDesk_get_info, picture(), serverError());
  std::string cutInValue = good.substr(0, 40);
  std::string noError = replyBytes(IVasDesk_get_info, picture(), serverError(), false);
  struct Case {
    const char* what;
    std::function<std::int32_t(zpb_stream&, zpb_stream&)> answer;
    std::int32_t result;
    std::string text2;
    std::string text1;  // a message shows it too: never "no error" for a failure
  };
  const auto replying = [](std::int32_t r, std::string bytes) {
    return [r, bytes](zpb_stream&, zpb_stream& out) {
      out.open_for_reading(bytes);
      return r;
    };
  };
  const std::string called = "调用后台服务vasdesk.MVasDesk.IVasDesk.get_info失败";
  const Case cases[] = {
      {"runtime failure", replying(ZPE_TIMEOUT, ""), ZPE_TIMEOUT, zpd_getErrorMsg(ZPE_TIMEOUT), called},
      {"lowest runtime code", replying(-9999, ""), -9999, zpd_getErrorMsg(-9999), called},
      {"misnamed reply", replying(0, replyBytes(IVasDesk_get_info, picture(), serverError(), true, "other.ParamOut")),
       -9988, "ZPE_CLN_OUT_BEGIN_STREAM: vasdesk.MVasDesk.IVasDesk.get_info", called},
      {"reply cut inside the value", replying(0, cutInValue), -9995,
       "MVasDesk::IVasDesk::get_info marshalling out error: sOut", called},
      {"reply without its error record", replying(0, noError), -9995,
       "MVasDesk::IVasDesk::get_info marshalling out error: cErrorMsg", called},
      {"bytes after the reply", replying(0, good + "x"), -9987,
       "ZPE_CLN_OUT_END_STREAM: vasdesk.MVasDesk.IVasDesk.get_info", "服务"},  // the server's, read whole
      {"an exception", [](zpb_stream&, zpb_stream&) -> std::int32_t { throw std::runtime_error("boom"); }, -9985,
       "ZPE_CLN_ZPB_EXCEPTION: vasdesk.MVasDesk.IVasDesk.get_info", called},
  };
  for (const Case& c : cases) {
    Scripted<IVasDesk> client;
    client.answer = c.answer;
    SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.get_info(request(), out, err, nullptr), c.result) << c.what;
    EXPECT_EQ(err.code, c.result) << c.what;
    EXPECT_EQ(err.text2, c.text2) << c.what;
    EXPECT_EQ(err.text1, c.text1) << c.what;
    EXPECT_EQ(client.lastInterface, "MVasDesk_IVasDesk");
    EXPECT_EQ(client.lastCode, "BAVDKU01");
  }
}

TEST(Stubs, ResultsOutsideTheRuntimeRangeComeBackWithTheReply) {
  for (const std::int32_t r : {0, 1, -9970, -10000}) {
    Scripted<IVasDesk> client;
    client.answer = [r](zpb_stream&, zpb_stream& out) {
      out.open_for_reading(replyBytes(IVasDesk_get_info, picture(), serverError()));
      return r;
    };
    SGetInfoOut out;
    CBSErrorMsg err;
    EXPECT_EQ(client.get_info(request(), out, err, nullptr), r);
    EXPECT_EQ(out, picture()) << r;
    EXPECT_EQ(err, serverError()) << r;  // the server's record replaces the caller's
  }
}

TEST(Stubs, AFailedReadLeavesWhatWasRead) {
  std::string bytes = replyBytes(IVasDesk_get_info, picture(), serverError());
  // Cut inside the second service entry: the first one stays.
  const std::size_t second = bytes.find("57100002");
  Scripted<IVasDesk> client;
  client.answer = [&](zpb_stream&, zpb_stream& out) {
    out.open_for_reading(bytes.substr(0, second + 3));
    return 0;
  };
  SGetInfoOut out;
  CBSErrorMsg err;
  EXPECT_EQ(client.get_info(request(), out, err, nullptr), -9995);
  ASSERT_EQ(out.get_USERSERVICEINFOLIST().size(), 1u);
  EXPECT_EQ(out.get_USERSERVICEINFOLIST()[0].get_RES_ID(), "57100001");
}

TEST(Stubs, ARequestThatCannotBeWrittenIsNeverSent) {
  Scripted<IVasDesk> client;
  client.answer = [](zpb_stream&, zpb_stream&) { return 0; };
  MVasDesk::SQueryResListIn in;
  in.set_START_NO("\xF0\x9F\x98\x80");  // no GBK form
  MVasDesk::SQueryResListOut out;
  CBSErrorMsg err;
  EXPECT_EQ(client.query_resList(in, out, err, nullptr), -9996);
  EXPECT_EQ(err.code, -9996);
  EXPECT_EQ(err.text2, "MVasDesk::IVasDesk::query_resList marshalling in error: sIn");
  EXPECT_EQ(client.calls, 0);
}

TEST(Stubs, TheRequestFrameCarriesTheRequestRecord) {
  Scripted<IVasDesk> client;
  MPublicDef::SFetchCtInfoIn seen;
  client.answer = [&](zpb_stream& in, zpb_stream& out) {
    zpb_stream r;
    r.open_for_reading(in.bytes());
    EXPECT_TRUE(r.begin_stream(zpb_name("vasdesk.MVasDesk.IVasDesk.get_info.ParamIn")));
    EXPECT_TRUE(zpb_read(r, seen));
    EXPECT_TRUE(r.end_stream());
    out.open_for_reading(replyBytes(IVasDesk_get_info, SGetInfoOut{}, CBSErrorMsg{}));
    return 0;
  };
  SGetInfoOut out;
  CBSErrorMsg err;
  ASSERT_EQ(client.get_info(request(), out, err, nullptr), 0);
  EXPECT_EQ(seen, request());
}

TEST(Stubs, PrivilegeQueryNamesItsListAndReservedSlotIsConstant) {
  Scripted<MPrivmgnt::IPrivelege> client;
  client.answer = [](zpb_stream& in, zpb_stream& out) {
    zpb_stream r;
    r.open_for_reading(in.bytes());
    std::int32_t cls = 0;
    r.begin_stream(MPrivmgnt::IPrivelege_query_privelegeClassEntities.requestFrame);
    r >> cls;
    EXPECT_EQ(cls, 43);
    std::string bytes = replyBytes(MPrivmgnt::IPrivelege_query_privelegeClassEntities,
                                   MSysmgntDef::SPrivEntityList(2), CBSErrorMsg{});
    out.open_for_reading(bytes.substr(0, bytes.size() - 40));  // into the second entity
    return 0;
  };
  MSysmgntDef::SPrivEntityList list;
  CBSErrorMsg err;
  EXPECT_EQ(client.query_privelegeClassEntities(43, list, err, nullptr), -9995);
  EXPECT_EQ(err.text2, "MPrivmgnt::IPrivelege::query_privelegeClassEntities marshalling out error: listResults");
  EXPECT_EQ(client.lastInterface, "MPrivmgnt_IPrivelege");
  EXPECT_EQ(client.lastCode, "AMOMTPCE");

  CZpdClientObject& base = client;
  EXPECT_EQ(base.reserved_slot(), -9979);
}

namespace {

class EchoPicture : public IVasDeskServant {
 public:
  std::int32_t get_info(const MPublicDef::SFetchCtInfoIn& in, SGetInfoOut& out, CBSErrorMsg& err) override {
    if (in.get_SERV_ID() == 0) throw std::runtime_error("no subscriber");
    MPublicDef::SUserInfo u;
    u.set_SERV_ID(in.get_SERV_ID());
    out.set_USERINFO(u);
    err.text1 = "查询成功";
    return in.get_BUSI_CODE() == 1302 ? 0 : 7;
  }
  std::int32_t check_so(const SSoUserServiceIn&, MPublicDef::SCheckSoOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t so_userService(const SSoUserServiceIn&, SSoUserServiceOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t do_signRes(const SDoSignResIn&, SDoSignResOut&, CBSErrorMsg&) override { return 0; }
  std::int32_t query_resList(const SQueryResListIn&, SQueryResListOut&, CBSErrorMsg&) override { return 0; }
};

}  // namespace

TEST(Stubs, GeneratedServerAnswersTheGeneratedClient) {
  auto d = std::make_shared<zpd_dispatcher>();
  register_IVasDesk(*d, std::make_shared<EchoPicture>());
  zpd_inproc_registration reg("stubs-test", d);
  ::setenv("ZP_BROKER_ZEPHYRON", "inproc:stubs-test", 1);
  IVasDesk client;
  ASSERT_EQ(client.bind_zpBroker("ZEPHYRON"), 0);
  SGetInfoOut out;
  CBSErrorMsg err;
  ASSERT_EQ(client.get_info(request(), out, err, nullptr), 0);
  EXPECT_EQ(out.get_USERINFO().get_SERV_ID(), 9002);
  EXPECT_EQ(err.text1, "查询成功");

  MPublicDef::SFetchCtInfoIn other = request();
  other.set_BUSI_CODE(1303);
  EXPECT_EQ(client.get_info(other, out, err, nullptr), 7);  // the service's own result

  MPublicDef::SFetchCtInfoIn bad;
  EXPECT_EQ(client.get_info(bad, out, err, nullptr), ZPE_SRV_EXCEPTION);
  EXPECT_EQ(err.text2, client.failure_text(ZPE_SRV_EXCEPTION));
  EXPECT_NE(err.text2.find("ZPE_SRV_EXCEPTION"), std::string::npos) << err.text2;
  EXPECT_NE(err.text2.find("inproc:"), std::string::npos) << "names the address: " << err.text2;
}

namespace {

class Entities : public MPrivmgnt::IPrivelegeServant {
 public:
  std::int32_t query_privelegeClassEntities(const std::int32_t& iPrivClass, MSysmgntDef::SPrivEntityList& list,
                                            CBSErrorMsg&) override {
    for (int i = 0; i < iPrivClass % 10; ++i) {
      MSysmgntDef::SPrivEntity e;
      e.set_ENT_ID(iPrivClass * 100 + i);
      e.set_ENT_NAME("5000");
      list.push_back(e);
    }
    return 0;
  }
};

}  // namespace

TEST(Stubs, PrivilegeQueryThroughTheGeneratedServerAppendsToTheCallersList) {
  zpd_dispatcher d;
  MPrivmgnt::register_IPrivelege(d, std::make_shared<Entities>());
  Scripted<MPrivmgnt::IPrivelege> client;
  client.answer = [&](zpb_stream& in, zpb_stream& out) {
    std::string reply;
    const std::int32_t r = d.dispatch(client.lastInterface, client.lastCode, in.bytes(), reply);
    out.open_for_reading(reply);
    return r;
  };
  MSysmgntDef::SPrivEntityList list(1);  // what the caller already held stays first
  CBSErrorMsg err;
  ASSERT_EQ(client.query_privelegeClassEntities(42, list, err, nullptr), 0) << err.text2;
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].UsedMarker, 0u);
  EXPECT_EQ(list[1].get_ENT_ID(), 4200);
  EXPECT_EQ(list[2].get_ENT_ID(), 4201);
  EXPECT_EQ(list[2].get_ENT_NAME(), "5000");

  // A class without entities: success and nothing appended.
  ASSERT_EQ(client.query_privelegeClassEntities(40, list, err, nullptr), 0) << err.text2;
  EXPECT_EQ(list.size(), 3u);
}
