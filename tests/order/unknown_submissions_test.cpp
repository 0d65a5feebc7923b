// The counter's file of submissions whose outcome is unknown, read and
// written as the facade and the workspace do: per operator, the papers' data
// of each order, and a damaged file that loses nothing when written again.
#include "unknown_submissions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "another_user.h"
#include "scoped_env.h"
#include "test_store.h"

namespace {

std::string fileText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void writeFile(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path) << text;
}

UnknownSubmission entry(const std::string& key, const std::string& phone) {
  UnknownSubmission s;
  s.key = key;
  s.busiCode = 1302;
  s.busiType = 101;
  s.phoneId = phone;
  s.servId = 601;
  s.at = "2024/05/06 10:11:12";
  return s;
}

class UnknownList : public ::testing::Test {
 protected:
  zp::testing::ScopedEnv data{"XDG_DATA_HOME", ::testing::TempDir() + zp::testing::uniqueName("data")};
};

// Each operator has his own list, and what one remembers the next object of
// the same operator (a workspace opened afresh) reads back field by field.
TEST_F(UnknownList, EachOperatorKeepsHisOwnListAcrossObjects) {
  UnknownSubmission s = entry("k-1", "13900000601");
  SubmissionPapers papers;
  papers.soInfo.set_VERIFY_MODE(2);
  papers.soInfo.set_REGION_CODE(573);
  papers.soInfo.set_SO_REGION_CODE(571);
  papers.cust.set_CUST_NAME("钱一");
  papers.agent.set_SO_MAN("周五");
  s.papers = PapersText(papers);
  ASSERT_FALSE(s.papers.empty());
  ASSERT_TRUE(UnknownSubmissions(11).Remember(s));
  ASSERT_TRUE(UnknownSubmissions(11).Remember(entry("k-2", "13900000602")));
  ASSERT_TRUE(UnknownSubmissions(11).Remember(s)) << "a key already listed";

  EXPECT_TRUE(UnknownSubmissions(12).List().empty());
  const auto listed = UnknownSubmissions(11).List();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].key, "k-1");
  EXPECT_EQ(listed[0].busiCode, 1302);
  EXPECT_EQ(listed[0].busiType, 101);
  EXPECT_EQ(listed[0].phoneId, "13900000601");
  EXPECT_EQ(listed[0].servId, 601);
  EXPECT_EQ(listed[0].at, "2024/05/06 10:11:12");
  SubmissionPapers read;
  ASSERT_TRUE(ReadPapersText(listed[0].papers, read));
  EXPECT_EQ(read.soInfo.get_VERIFY_MODE(), 2);
  EXPECT_EQ(read.soInfo.get_REGION_CODE(), 573);
  EXPECT_EQ(read.soInfo.get_SO_REGION_CODE(), 571);
  EXPECT_EQ(read.cust.get_CUST_NAME(), "钱一");
  EXPECT_EQ(read.agent.get_SO_MAN(), "周五");
  EXPECT_FALSE(ReadPapersText(listed[1].papers, read)) << "an entry without papers";

  ASSERT_TRUE(UnknownSubmissions(11).Forget("k-1"));
  ASSERT_EQ(UnknownSubmissions(11).List().size(), 1u);
  EXPECT_EQ(UnknownSubmissions(11).List()[0].key, "k-2");
}

// A line an older counter wrote (no papers) is still an entry; papers that
// do not decode are told as such, never half read.
TEST_F(UnknownList, PapersOfAnOlderOrDamagedLineAreNotTakenForAnOrdersData) {
  const std::string path = UnknownSubmissions(11).Path();
  SubmissionPapers papers;
  papers.cust.set_CUST_NAME("钱一");
  const std::string good = PapersText(papers);
  writeFile(path, "k-old\t1302\t101\t13900000601\t601\t2024/05/06 10:11:12\n"
                  "k-cut\t1302\t101\t13900000602\t602\t2024/05/06 10:11:13\t" + good.substr(0, good.size() - 2) + "\n"
                  "k-hex\t1302\t101\t13900000603\t603\t2024/05/06 10:11:14\tzz" + good.substr(2) + "\n");
  const auto listed = UnknownSubmissions(11).List();
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ(listed[0].at, "2024/05/06 10:11:12");
  SubmissionPapers read;
  for (const UnknownSubmission& s : listed) EXPECT_FALSE(ReadPapersText(s.papers, read)) << s.key;
  // Kept as read when the file is written again.
  ASSERT_TRUE(UnknownSubmissions(11).Forget("k-old"));
  EXPECT_EQ(UnknownSubmissions(11).List()[1].papers, "zz" + good.substr(2));
}

// Lines that cannot be read (torn by a crash, edited by hand) are reported
// and kept word for word through every rewrite of the file: each may be an
// order the customer paid for.
TEST_F(UnknownList, ADamagedLineIsReportedAndSurvivesEveryRewrite) {
  const std::string path = UnknownSubmissions(11).Path();
  const std::vector<std::string> damaged = {
      "k-torn\t1302\t101\t139000",                              // cut short
      "k-code\tGC\t101\t13900000601\t601\t2024/05/06 10:11:12",  // a code that is no number
      "\t1302\t101\t13900000601\t601\t2024/05/06 10:11:12",      // no key
      "垃圾 没有分隔符",
      // Two entries run together, the line break between them lost: read as
      // the first with the second as its papers, a rewrite turned the
      // second into spaces, and forgetting the first lost the second order.
      "k-a\t1302\t101\t13900000607\t607\t2024/05/06 10:11:12k-b\t1302\t101\t13900000608\t608\t2024/05/06 10:11:13",
      "k-junk\t1302x\t101\t13900000609\t609\t2024/05/06 10:11:12",  // a code with more after it
      "k-cr\t1302\t101\t1390000\r0610\t610\t2024/05/06 10:11:12",    // a carriage return inside
  };
  std::string text = "k-good\t1302\t101\t13900000605\t605\t2024/05/06 10:11:12\n";
  for (const std::string& line : damaged) text += line + "\n";
  writeFile(path, text);

  UnknownSubmissions list(11);
  UnknownSubmissions::Contents read = list.Read();
  EXPECT_FALSE(read.unreadable);
  ASSERT_EQ(read.entries.size(), 1u);
  EXPECT_EQ(read.entries[0].key, "k-good");
  EXPECT_EQ(read.damaged, damaged);

  ASSERT_TRUE(list.Remember(entry("k-new", "13900000606")));
  read = list.Read();
  EXPECT_EQ(read.damaged, damaged);
  ASSERT_EQ(read.entries.size(), 2u);
  ASSERT_TRUE(list.Forget("k-good"));
  ASSERT_TRUE(list.Forget("k-new"));
  read = list.Read();
  EXPECT_TRUE(read.entries.empty());
  EXPECT_EQ(read.damaged, damaged);
  for (const std::string& line : damaged) EXPECT_NE(fileText(path).find(line), std::string::npos) << line;
}

// A list saved by an editor with CR LF line breaks still reads, papers and
// all, and is written back with plain line breaks.
TEST_F(UnknownList, ALineEndingInCrLfStillReads) {
  const std::string path = UnknownSubmissions(11).Path();
  SubmissionPapers papers;
  papers.cust.set_CUST_NAME("钱一");
  writeFile(path, "k-crlf\t1302\t101\t13900000611\t611\t2024/05/06 10:11:12\t" + PapersText(papers) +
                      "\r\nk-old\t1302\t101\t13900000612\t612\t2024/05/06 10:11:13\r\n");
  UnknownSubmissions list(11);
  const auto read = list.Read();
  EXPECT_TRUE(read.damaged.empty());
  ASSERT_EQ(read.entries.size(), 2u);
  SubmissionPapers back;
  ASSERT_TRUE(ReadPapersText(read.entries[0].papers, back));
  EXPECT_EQ(back.cust.get_CUST_NAME(), "钱一");
  EXPECT_EQ(read.entries[1].at, "2024/05/06 10:11:13");
  ASSERT_TRUE(list.Forget("k-crlf"));
  EXPECT_EQ(fileText(path), "k-old\t1302\t101\t13900000612\t612\t2024/05/06 10:11:13\n");
}

// A list that exists but cannot be read is never written over: the orders
// in it would be gone.
TEST_F(UnknownList, AFileThatCannotBeReadIsNotWrittenOver) {
  const std::string path = UnknownSubmissions(11).Path();
  writeFile(path, "k-1\t1302\t101\t13900000601\t601\t2024/05/06 10:11:12\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_write);
  {
    const zp::testing::AsAnotherUser user(path);
    UnknownSubmissions list(11);
    EXPECT_TRUE(list.Read().unreadable);
    EXPECT_FALSE(list.Remember(entry("k-2", "13900000602")));
    EXPECT_FALSE(list.Forget("k-1"));
  }
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  UnknownSubmissions list(11);
  ASSERT_EQ(list.List().size(), 1u);
  EXPECT_EQ(list.List()[0].key, "k-1");
}

}  // namespace
