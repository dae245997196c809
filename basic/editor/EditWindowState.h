#pragma once
// What one edit window keeps, shared by the files of the edit window.

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "basic/ScriptApi.h"
#include "basic/editor/ScriptEditWindow.h"

namespace basic_editor {

struct EditWindowState {
  HWND self = nullptr;
  HWND text = nullptr;     // the multi-line edit that holds the script
  HWND watches = nullptr;  // the list of watched variables
  WNDPROC textProc = nullptr;  // the edit's own procedure, which ours passes keys on to
  ScriptEngine* engine = nullptr;
  ScriptEditKeyFilter keyFilter = nullptr;
  ScriptEditNotify notify = nullptr;
  const ScriptCode* attachedCode = nullptr;
  const void* entry = nullptr;
  bool showMargin = true;
  bool readOnly = false;
  bool settingText = false;  // a text put in by the program is no change of the user's
  int32_t indentWidth = 4;
  std::set<int32_t> breakpoints;  // 1-based lines
  std::vector<std::string> watchNames;
  int32_t firstLineShown = -1;  // of the text, when the margin was last drawn

  // The run the window started.
  int32_t runState = 0;  // 0 idle, 1 stopped, 2 running
  ScriptRunContext* run = nullptr;
  ScriptModule* runModule = nullptr;
  int32_t stoppedLine = 0;
  int16_t resumeWith = -1;  // while stopped: the step chosen, -1 none yet
  bool stopAsked = false;
  ScriptYield outerYield = nullptr;
};

EditWindowState* StateOf(HWND editWindow);
LRESULT Notify(EditWindowState& state, UINT code, WPARAM wParam, LPARAM lParam);
void RedrawMargin(EditWindowState& state);
void Layout(EditWindowState& state);
void ShowWatches(EditWindowState& state);
std::string TextOf(const EditWindowState& state);
int32_t CaretLine(const EditWindowState& state);  // 1-based
void SelectLine(EditWindowState& state, int32_t line);

// EditWindowRun.cpp: compiling, runs and break mode.
LRESULT StartRun(EditWindowState& state, bool stepAtOnce);
int32_t CheckSyntax(EditWindowState& state, bool selectError);
LRESULT ToggleBreakpoint(EditWindowState& state, int32_t line);
LRESULT Resume(EditWindowState& state, int16_t how);
LRESULT Stop(EditWindowState& state);
// The window goes while its run may still be under way: the run stops and no longer sees it.
void ForgetRun(EditWindowState& state);

// EditWindowText.cpp: search, indentation and watches.
LRESULT Find(EditWindowState& state, WPARAM flags, const char* what);
LRESULT Reindent(EditWindowState& state, bool outdent, bool onlyAsk);
LRESULT AddWatch(EditWindowState& state);
LRESULT DeleteWatch(EditWindowState& state, const char* name);
std::string WordAtCaret(const EditWindowState& state);

}  // namespace basic_editor
