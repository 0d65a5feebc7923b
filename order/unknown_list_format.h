// The text of the counter's list of submissions whose outcome it never
// learnt, without the file around it: one line per submission, its fields
// apart by tabs, and the lines no entry could be read from kept word for
// word. Plain functions, so the reading of what is on disk is tried on any
// bytes without a file.
#pragma once

#include <string>
#include <vector>

#include "MPublicDef.h"

// What the papers of a submission need besides the server's reply: the
// order header (with the verification mode and the subscriber's region),
// the customer and the agent as they were submitted. A customer who paid
// for an order that turns out stored gets his receipt and invoice from it.
struct SubmissionPapers {
  MPublicDef::SSoInfo soInfo;
  MPublicDef::SCustInfo cust;
  MPublicDef::SOperator agent;
};
// The papers' data as one field of the list's line (hex of a record frame);
// empty when it cannot be written.
std::string PapersText(const SubmissionPapers& papers);
// False when the text is empty (a line of an older counter) or damaged.
bool ReadPapersText(const std::string& text, SubmissionPapers& papers);

struct UnknownSubmission {
  std::string key;      // the call key the order was sent under
  int busiCode = 0;
  int busiType = 0;
  std::string phoneId;  // the subscriber's number, for the operator
  long long servId = 0;
  std::string at;       // when it was sent, "YYYY/MM/DD HH:MM:SS"
  std::string papers;   // PapersText, kept as read; empty on an older line
};

// The list's contents: its entries, and the lines that could not be read
// (kept as they are: the order of such a line may be stored and paid for).
struct UnknownListContents {
  std::vector<UnknownSubmission> entries;
  std::vector<std::string> damaged;
  // The file exists but could not be read at all (set by whoever reads it).
  bool unreadable = false;
};
// The entries and damaged lines of a list's text; empty lines are skipped.
UnknownListContents ParseUnknownList(const std::string& text);
// The text of a list: its entries first, then its damaged lines as read.
// What ParseUnknownList gives back from it is `contents` again.
std::string UnknownListText(const UnknownListContents& contents);
