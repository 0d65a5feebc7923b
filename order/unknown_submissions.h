// The counter's memory of submissions whose outcome it never learnt (the
// reply was lost and the operator stopped asking): one small file per
// operator below the application's data folder, so the list survives the
// workspace and the host being closed, until each outcome is known.
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

class UnknownSubmissions {
 public:
  explicit UnknownSubmissions(int opId);
  // The file: <AppDataLocation>/unknown-submissions-<opId>.txt.
  const std::string& Path() const { return path_; }

  // The file as read: its entries, the lines that could not be read (kept
  // as they are: the order of such a line may be stored and paid for), and
  // whether the file exists but could not be read at all.
  struct Contents {
    std::vector<UnknownSubmission> entries;
    std::vector<std::string> damaged;
    bool unreadable = false;
  };
  Contents Read() const;
  std::vector<UnknownSubmission> List() const { return Read().entries; }
  // Both rewrite the whole file (it holds a handful of lines), damaged lines
  // included; false when it cannot be written, or read first: a file that
  // cannot be read is never written over.
  bool Remember(const UnknownSubmission& s);
  bool Forget(const std::string& key);

 private:
  bool Write(const Contents& all) const;
  std::string path_;
};
