// The record generator as a build step sees it: a bad definition stops the
// build with its file and line, and a rerun that changes nothing rewrites
// nothing (so nothing recompiles).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

const fs::path kGenerator = fs::path(ZP_SOURCE_DIR) / "tools" / "recgen.py";

std::string fieldLines(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "  F" + std::to_string(i) + " int32\n";
  return s;
}

class Generator : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "recgen-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  std::string read(const std::string& name) {
    std::ifstream f(dir_ / "out" / name);
    return {std::istreambuf_iterator<char>(f), {}};
  }

  // Runs the generator over the named definitions; its exit status and what
  // it printed.
  std::pair<int, std::string> run(const std::vector<std::string>& defs) {
    std::string cmd = "cd '" + dir_.string() + "' && python3 '" + kGenerator.string() + "' out";
    for (const std::string& d : defs) cmd += " " + d;
    cmd += " 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return {-1, "popen failed"};
    std::string output;
    char buf[512];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
    const int status = ::pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
  }

  fs::path dir_;
};

TEST_F(Generator, ABadDefinitionNamesItsFileAndLineAndWritesNothing) {
  struct Case {
    const char* what;
    std::string ma;  // MA.rec
    std::string mb;  // MB.rec, when the case needs a second module
    std::string message;
  };
  const Case cases[] = {
      {"unknown type", "module MA\nrecord SA\n  X int33\n", "", "MA.rec:3: unknown type 'int33'"},
      {"duplicate field", "module MA\nrecord SA\n  X int32\n  Y text\n  X text\n", "",
       "MA.rec:5: field X appears twice in SA"},
      {"65 fields", "module MA\nrecord SA\n" + fieldLines(65), "", "MA.rec:67: SA has more than 64 fields"},
      {"unknown record", "module MA\nrecord SA\n  X list<SB>\n", "", "MA.rec:3: unknown record 'SB'"},
      {"unknown module", "module MA\nrecord SA\n  X MZ::SB\n", "", "MA.rec:3: unknown record 'MZ::SB'"},
      {"record of another module that it lacks", "module MA\nrecord SA\n  X int32\n",
       "module MB\nrecord SB\n\n  Y MA::SC\n", "MB.rec:4: unknown record 'MA::SC'"},
      {"list of plain values", "module MA\nrecord SA\n  X list<int32>\n", "", "MA.rec:3: list<int32>"},
      {"record holding itself", "module MA\nrecord SA\n  X SB\nrecord SB\n  Y SA\n", "",
       "MA.rec:5: record SA holds itself"},
      {"modules holding each other", "module MA\nrecord SA\n  X MB::SB\nrecord SC\n  Z int16\n",
       "module MB\nrecord SB\n  Y MA::SC\n", "MA.rec:3: modules use each other in a circle: MA -> MB -> MA"},
      {"descriptors of a nested record", "module MA\nrecord SA descriptors\n  X int32\n  Y SB\nrecord SB\n  Z text\n",
       "", "MA.rec:4: SA has a descriptor table"},
      {"record named like its neighbour's list", "module MA\nrecord SA\n  X int32\nrecord SAList\n  Y int32\n", "",
       "MA.rec:4: record SAList clashes with the list type of record SA"},
      {"service code used twice",
       "module MA\nrecord SA\n  X int32\ninterface I package p name MA_I\n  op a CODE0001 SA sIn -> SA sOut\n"
       "  op b CODE0001 SA sIn -> SA sOut\n",
       "", "MA.rec:6: service code CODE0001 is already used by a"},
      {"field outside a record", "module MA\n  X int32\n", "", "MA.rec:2:"},
      {"module in a file of another name", "module MX\n", "", "MA.rec:1: module MX must live in MX.rec"},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_ / "out");
    write("MA.rec", c.ma);
    std::vector<std::string> defs = {"MA.rec"};
    if (!c.mb.empty()) {
      write("MB.rec", c.mb);
      defs.push_back("MB.rec");
    }
    const auto [status, output] = run(defs);
    EXPECT_EQ(status, 1) << c.what << ": " << output;
    EXPECT_NE(output.find(c.message), std::string::npos) << c.what << ": " << output;
    EXPECT_FALSE(fs::exists(dir_ / "out" / "MA.h")) << c.what;
  }
}

TEST_F(Generator, SixtyFourFieldsFitAndOutputIsRewrittenOnlyWhenItChanges) {
  write("MA.rec", "module MA\n# a record that uses every presence bit\nrecord SA\n" + fieldLines(64));
  auto [status, output] = run({"MA.rec"});
  ASSERT_EQ(status, 0) << output;
  const std::string first = read("MA.cpp");
  EXPECT_NE(first.find("~std::uint64_t{0}"), std::string::npos) << "all 64 bits belong to fields";

  const auto old = fs::file_time_type::clock::now() - std::chrono::hours(1);
  fs::last_write_time(dir_ / "out" / "MA.h", old);
  fs::last_write_time(dir_ / "out" / "MA.cpp", old);
  std::tie(status, output) = run({"MA.rec"});
  ASSERT_EQ(status, 0) << output;
  EXPECT_EQ(fs::last_write_time(dir_ / "out" / "MA.h"), old);
  EXPECT_EQ(fs::last_write_time(dir_ / "out" / "MA.cpp"), old);
  EXPECT_EQ(read("MA.cpp"), first);

  write("MA.rec", "module MA\nrecord SA\n" + fieldLines(63));
  std::tie(status, output) = run({"MA.rec"});
  ASSERT_EQ(status, 0) << output;
  EXPECT_NE(fs::last_write_time(dir_ / "out" / "MA.h"), old);
  EXPECT_NE(read("MA.cpp"), first);
}

}  // namespace
