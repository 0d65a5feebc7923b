// The counter's memory of submissions whose outcome it never learnt (the
// reply was lost and the operator stopped asking): one small file per
// operator below the application's data folder, so the list survives the
// workspace and the host being closed, until each outcome is known.
#pragma once

#include <string>
#include <vector>

struct UnknownSubmission {
  std::string key;      // the call key the order was sent under
  int busiCode = 0;
  int busiType = 0;
  std::string phoneId;  // the subscriber's number, for the operator
  long long servId = 0;
  std::string at;       // when it was sent, "YYYY/MM/DD HH:MM:SS"
};

class UnknownSubmissions {
 public:
  explicit UnknownSubmissions(int opId);
  // The file: <AppDataLocation>/unknown-submissions-<opId>.txt.
  const std::string& Path() const { return path_; }
  std::vector<UnknownSubmission> List() const;
  // Both rewrite the whole file (it holds a handful of lines); false when it
  // cannot be written.
  bool Remember(const UnknownSubmission& s);
  bool Forget(const std::string& key);

 private:
  bool Write(const std::vector<UnknownSubmission>& all) const;
  std::string path_;
};
