// The counter's memory of submissions whose outcome it never learnt (the
// reply was lost and the operator stopped asking): one small file per
// operator below the application's data folder, so the list survives the
// workspace and the host being closed, until each outcome is known.
#pragma once

#include <string>
#include <vector>

#include "unknown_list_format.h"

class UnknownSubmissions {
 public:
  explicit UnknownSubmissions(int opId);
  // The file: <AppDataLocation>/unknown-submissions-<opId>.txt.
  const std::string& Path() const { return path_; }

  // The file as read, and whether it exists but could not be read at all.
  using Contents = UnknownListContents;
  Contents Read() const;
  std::vector<UnknownSubmission> List() const { return Read().entries; }
  // Both rewrite the whole file (it holds a handful of lines), damaged lines
  // included; false when it cannot be written, or read first: a file that
  // cannot be read is never written over. Forgetting a key the list does
  // not hold writes nothing and succeeds.
  bool Remember(const UnknownSubmission& s);
  bool Forget(const std::string& key);

 private:
  bool Write(const Contents& all) const;
  std::string path_;
};
