// One acceptance played by a scripted operator in a workspace the host has
// opened: query a subscriber, open Global Call with a number from the pool,
// the plan's promotions, the fee dialog, submit, and print the papers into
// PDF files. It drives the workspace only through its controls (by object
// name) and the GUI library's handlers, as a person at the counter would.
// A picture of every step is saved beside the papers.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

struct ScriptedAcceptance {
  QString phone = "13957100001";
  QString folder;         // pictures here, papers in folder/papers
  QStringList pictures;   // filled: every picture saved, in order
  QStringList papers;     // filled: the PDF files printed
  QStringList log;        // filled: what happened, one line a step
};

// True when the order was submitted and both papers came out.
bool RunScriptedAcceptance(QWidget* hostWindow, QWidget* workspace, ScriptedAcceptance& run);
