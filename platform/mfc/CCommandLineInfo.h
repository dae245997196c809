#pragma once
// What the command line asks of the application: the shell command (a new document, a document
// to open or print), whether to show the splash window, and whether the program was started
// for embedding or automation. Switches start with '-' (a '/' starts a path here) and compare
// without regard to case: "nologo" (no splash), "Embedding", "Automation", "p" (print the document), "pt" (print
// it to the printer, driver and port that follow), "dde". A word that is no switch is the
// document.

#include <string>
#include <vector>

class CCommandLineInfo {
 public:
  enum ShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, FileNothing = -1 };

  virtual ~CCommandLineInfo() = default;

  // One word of the command line: flag is true for a switch (its text without the '-');
  // last is true for the last word.
  virtual void ParseParam(const char* param, bool flag, bool last);

  bool m_bShowSplash = true;
  bool m_bRunEmbedded = false;
  bool m_bRunAutomated = false;
  ShellCommand m_nShellCommand = FileNew;
  std::string m_strFileName;
  std::string m_strPrinterName;
  std::string m_strDriverName;
  std::string m_strPortName;

 private:
  // Printer, driver and port still to come after "pt".
  int pendingPrintTo_ = 0;
};

// Gives each word to ParseParam, in order.
void ParseCommandLine(const std::vector<std::string>& words, CCommandLineInfo& info);
