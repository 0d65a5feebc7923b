// The handling agent's rules that need no window: the document check run
// when the operator leaves the document number, and the agent record read
// from the frame's texts at submission.
#pragma once

#include <functional>
#include <string>

#include "MPublicDef.h"

namespace agent {

// Blanks around a text typed at the counter or padded by the back end's
// fixed-width columns.
std::string TrimBlanks(const std::string& text);

// Only the resident identity document has a number rule the library knows.
bool NeedsNumberFormatCheck(int regTypeCode);

// What a black/grey list answer leads to. Anything the list does not mark
// (0 or a kind this counter does not know) lets the acceptance go on.
enum class ListAnswer { Clear, BlackListed, GreyListed };
ListAnswer ReadListAnswer(int result);

// The outside world of the document check, so the rule can be followed
// without a window or a back end: the message box, the library's number rule,
// and the library object's Init and black-list call.
struct DocumentCheckPorts {
  std::function<int(const char* text, const char* caption, int flags)> message;
  std::function<bool(const std::string& number)> numberFormatValid;
  std::function<bool()> initService;
  std::function<bool(int regType, const std::string& regNbr, int& result)> checkBlackList;
};

// How the check ended; the frame turns it into where the focus goes and
// whether the number is wiped.
enum class DocumentCheckEnd {
  Passed,
  EmptyNumber,        // back to the document type
  FormatRefused,      // back to the number, kept for correcting
  ServiceInitFailed,  // nothing moves
  ListCallFailed,     // back to the document type, number kept
  BlackListed,        // number wiped, back to the document type
  GreyRefused,        // number wiped, back to the document type
};

// The check on leaving the document number. `typedNumber` is the field as
// it stands; `regTypeCode` the code of the selected document type.
DocumentCheckEnd RunDocumentCheck(const std::string& typedNumber, int regTypeCode, const DocumentCheckPorts& ports);

// A wiped number must not travel on to the order.
bool ClearsNumber(DocumentCheckEnd end);

// The frame's texts as they stand, list texts in the "[code] name" form.
struct AgentTexts {
  std::string regionText;
  std::string soMan;
  std::string regTypeText;
  std::string regNbr;
  std::string address;
  std::string linkPhone;
  std::string email;
  std::string soDesc;
  std::string remark;
};

// The agent record the order carries: every field set (so every presence
// bit travels), texts trimmed, list codes read from the list texts.
MPublicDef::SOperator MakeOperator(const AgentTexts& texts);

}  // namespace agent
