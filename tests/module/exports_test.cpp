// The module as the host sees it: a library opened with dlopen, three entry
// points found by their plain names, a workspace created from an operator
// record laid out by the host.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <array>
#include <cstring>

#include "formVasDeskMain.h"
#include "host_window.h"
#include "operator_record.h"

namespace {

struct Module {
  Module() {
    handle = ::dlopen(VASDESK_PATH, RTLD_NOW | RTLD_LOCAL);
    if (!handle) return;
    query = reinterpret_cast<decltype(query)>(::dlsym(handle, "QueryCvsIntf"));
    moduleId = reinterpret_cast<decltype(moduleId)>(::dlsym(handle, "GetModuleId"));
    create = reinterpret_cast<decltype(create)>(::dlsym(handle, "CreateBusinessForm"));
  }
  void* handle = nullptr;
  std::int32_t (*query)(std::int32_t, char*) = nullptr;
  std::int32_t (*moduleId)(std::int32_t) = nullptr;
  void* (*create)(std::int32_t, const void*) = nullptr;
};

}  // namespace

TEST(ModuleExports, FoundByTheirPlainNames) {
  Module m;
  ASSERT_NE(m.handle, nullptr) << ::dlerror();
  ASSERT_NE(m.query, nullptr);
  ASSERT_NE(m.moduleId, nullptr);
  ASSERT_NE(m.create, nullptr);
  // Nothing else of the module is visible to the host.
  EXPECT_EQ(::dlsym(m.handle, "_ZN11TfrmVasDeskC1EP7QWidget"), nullptr);
}

TEST(ModuleExports, ModuleIdTable) {
  Module m;
  ASSERT_NE(m.moduleId, nullptr);
  struct Case {
    std::int32_t index, id;
  };
  for (const Case& c : {Case{-1, 1}, Case{-100, 1}, Case{0, 10001}, Case{1, -1}, Case{50, -1}})
    EXPECT_EQ(m.moduleId(c.index), c.id) << c.index;
}

TEST(ModuleExports, InterfaceTextIsEmpty) {
  Module m;
  ASSERT_NE(m.query, nullptr);
  std::array<char, 2048> buffer;
  buffer.fill('x');
  EXPECT_EQ(m.query(7, buffer.data()), 0);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(buffer[1], 'x');  // nothing beyond the terminating NUL is written
  EXPECT_EQ(m.query(0, nullptr), -1);
}

TEST(ModuleExports, OperatorRecordFieldsAtTheirOffsets) {
  std::array<unsigned char, 256> record;
  record.fill(0xAB);  // what the host keeps around the fields must not matter
  zp::module::writeOperatorRecord(record.data(), 1001, 5710101, 70001, -2);
  const zp::module::OperatorContext c = zp::module::readOperatorRecord(record.data());
  EXPECT_EQ(c.opId, 1001);
  EXPECT_EQ(c.orgId, 5710101);
  EXPECT_EQ(c.countyCode, static_cast<std::int16_t>(70001));  // narrowed, not refused
  EXPECT_EQ(c.regionCode, -2);
}

TEST(ModuleExports, CreatesAWorkspaceForTheOperator) {
  Module m;
  ASSERT_NE(m.create, nullptr);
  std::array<unsigned char, 256> record{};
  zp::module::writeOperatorRecord(record.data(), 1001, 5710101, 1, 40000);  // a region above 32767
  auto* form = static_cast<QWidget*>(m.create(99, record.data()));
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("新业务受理"));
  EXPECT_EQ(form->property("opId").toInt(), 1001);
  EXPECT_EQ(form->property("regionCode").toInt(), static_cast<std::int16_t>(40000));
  auto* tabs = form->findChild<QTabWidget*>("pcInfo");
  ASSERT_NE(tabs, nullptr);
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("新业务信息"));
  auto* commit = form->findChild<QPushButton*>("btnCommit");
  ASSERT_NE(commit, nullptr);
  EXPECT_FALSE(commit->isEnabled());
  auto* types = form->findChild<QTreeWidget*>("lstvBusiType");
  ASSERT_NE(types, nullptr);
  EXPECT_EQ(types->headerItem()->text(0), QStringLiteral("选择业务类型"));
  // Two calls, two independent workspaces.
  auto* second = static_cast<QWidget*>(m.create(0, record.data()));
  EXPECT_NE(second, form);
  delete form;
  delete second;
  EXPECT_EQ(m.create(0, nullptr), nullptr);
}

TEST(Host, LoadsTheModuleAndOffersItsMenuEntry) {
  QStringList problems;
  const auto modules = loadModules(QString(VASDESK_PATH).section('/', 0, -2), &problems);
  ASSERT_EQ(modules.size(), 1u) << problems.join("; ").toStdString();
  HostWindow w({1001, 5710101, 1, 571}, modules);
  EXPECT_EQ(moduleCaption(10001), QStringLiteral("新业务受理"));
  QWidget* first = w.openModule(10001);
  QWidget* second = w.openModule(10001);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(w.area()->subWindowList().size(), 2);
  EXPECT_EQ(w.openModule(4711), nullptr);
}
