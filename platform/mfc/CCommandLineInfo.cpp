#include "platform/mfc/CCommandLineInfo.h"

#include <strings.h>

void CCommandLineInfo::ParseParam(const char* param, bool flag, bool last) {
  (void)last;
  const std::string text = param != nullptr ? param : "";
  if (!flag && pendingPrintTo_ > 0) {
    std::string* const parts[] = {&m_strPrinterName, &m_strDriverName, &m_strPortName};
    *parts[3 - pendingPrintTo_] = text;
    --pendingPrintTo_;
    return;
  }
  if (!flag) {
    if (m_strFileName.empty()) m_strFileName = text;
    if (m_nShellCommand == FileNew) m_nShellCommand = FileOpen;
    return;
  }
  if (strcasecmp(text.c_str(), "nologo") == 0) {
    m_bShowSplash = false;
  } else if (strcasecmp(text.c_str(), "Embedding") == 0) {
    m_bRunEmbedded = true;
    m_bShowSplash = false;
  } else if (strcasecmp(text.c_str(), "Automation") == 0) {
    m_bRunAutomated = true;
    m_bShowSplash = false;
  } else if (strcasecmp(text.c_str(), "p") == 0) {
    m_nShellCommand = FilePrint;
  } else if (strcasecmp(text.c_str(), "pt") == 0) {
    m_nShellCommand = FilePrintTo;
    pendingPrintTo_ = 3;
  } else if (strcasecmp(text.c_str(), "dde") == 0) {
    m_nShellCommand = FileDDE;
  }
}

void ParseCommandLine(const std::vector<std::string>& words, CCommandLineInfo& info) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    const bool flag = word.size() > 1 && word[0] == '-';
    info.ParseParam(flag ? word.c_str() + 1 : word.c_str(), flag, i + 1 == words.size());
  }
  // Started for embedding or automation the program opens nothing of its own accord.
  if ((info.m_bRunEmbedded || info.m_bRunAutomated) && info.m_nShellCommand == CCommandLineInfo::FileNew)
    info.m_nShellCommand = CCommandLineInfo::FileNothing;
}
