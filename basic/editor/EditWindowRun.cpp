// Runs of the edit window's script: compiled from the text, run in break mode, with the program's
// messages flowing while the script runs and while it waits at a stop.

#include <algorithm>
#include <string>
#include <vector>

#include "basic/editor/EditWindowState.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace basic_editor {
namespace {

// The window whose run is innermost; one window runs one script at a time, and a script may
// start another window's run from inside its own.
std::vector<EditWindowState*>& Running() {
  static std::vector<EditWindowState*> running;
  return running;
}

EditWindowState* StateOfRun(const ScriptRunContext* context) {
  for (auto it = Running().rbegin(); it != Running().rend(); ++it) {
    if ((*it)->run == context) return *it;
  }
  return nullptr;
}

// Compiles the window's text; null with the error's line in *line on failure.
ScriptCode* Compile(EditWindowState& state, int32_t* line) {
  const std::string text = TextOf(state);
  ScriptCompileRequest request;
  request.text = text.c_str();
  request.engine = state.engine;
  if (ScriptCompile(&request) != kScriptCompiled) {
    *line = request.errorLine > 0 ? request.errorLine : 1;
    return nullptr;
  }
  *line = 0;
  return request.code;
}

// Every message waiting is handled, so that the windows repaint and the stop command and the
// break key reach the run; a quit ends the run and is left for the program's own loop.
void PumpMessages(ScriptRunContext* context) {
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int32_t>(message.wParam));
      ScriptControl(context, kScriptStop, 1, nullptr);
      return;
    }
    TranslateMessage(&message);
    DispatchMessage(&message);
  }
}

void OnYield(ScriptRunContext* context);

// The yield the engine had before any window's run took it over.
ScriptYield FirstOuterYield() {
  for (const EditWindowState* state : Running())
    if (state->outerYield != &OnYield) return state->outerYield;
  return nullptr;
}

void OnYield(ScriptRunContext* context) {
  EditWindowState* state = StateOfRun(context);
  // A run of another caller on the same engine (the script service, say) is left to the yield
  // that caller expects: no window may stop it.
  if (state == nullptr) {
    if (const ScriptYield outer = FirstOuterYield()) outer(context);
    return;
  }
  if (state->outerYield != nullptr) state->outerYield(context);
  PumpMessages(context);
  state = StateOfRun(context);  // a message may have closed the window
  if (state == nullptr || state->stopAsked) ScriptControl(context, kScriptStop, 1, nullptr);
}

// The run waits at a stop until the user steps, continues or stops it.
void OnBreak(ScriptRunContext* context, int32_t line) {
  EditWindowState* state = StateOfRun(context);
  if (state == nullptr) {
    ScriptControl(context, kScriptStop, 1, nullptr);
    return;
  }
  HWND window = state->self;
  state->runState = 1;
  state->stoppedLine = line;
  state->resumeWith = -1;
  SelectLine(*state, line);
  ShowWatches(*state);
  Notify(*state, kEditNotifyStops, 0, 0);
  while (state->resumeWith < 0 && !state->stopAsked) {
    MSG message;
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      state->stopAsked = true;  // quitting, or nothing can ever come to go on
      break;
    }
    TranslateMessage(&message);
    DispatchMessage(&message);
    state = StateOfRun(context);
    if (state == nullptr) {  // the window went while the run waited
      ScriptControl(context, kScriptStop, 1, nullptr);
      return;
    }
  }
  if (state->stopAsked) ScriptControl(context, kScriptStop, 1, nullptr);
  else ScriptStep(context, state->resumeWith);
  state->runState = 2;
  state->stoppedLine = 0;
  ShowWatches(*state);
  RedrawMargin(*state);
  if (IsWindow(window)) Notify(*state, kEditNotifyResumes, 0, 0);
}

}  // namespace

void ForgetRun(EditWindowState& state) {
  if (state.run != nullptr) ScriptControl(state.run, kScriptStop, 1, nullptr);
  std::erase(Running(), &state);
}

int32_t CheckSyntax(EditWindowState& state, bool selectError) {
  if (state.engine == nullptr) return 1;
  int32_t line = 0;
  ScriptCode* code = Compile(state, &line);
  ScriptFreeCode(code);
  if (line > 0 && selectError) SelectLine(state, line);
  return line;
}

LRESULT StartRun(EditWindowState& state, bool stepAtOnce) {
  if (state.runState != 0 || state.engine == nullptr) return 1;
  int32_t line = 0;
  ScriptCode* code = Compile(state, &line);
  if (code == nullptr) {
    SelectLine(state, line);
    return 2;
  }
  uint16_t loadError = 0;
  ScriptModule* module = ScriptLoadModule(state.engine, code, &loadError);
  ScriptFreeCode(code);
  uint32_t entryError = 0;
  ScriptRunContext* context = module != nullptr ? ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &entryError) : nullptr;
  if (context == nullptr) {
    ScriptUnloadModule(module);
    return 3;
  }
  const std::vector<int32_t> lines(state.breakpoints.begin(), state.breakpoints.end());
  ScriptSetBreakHandler(context, &OnBreak);
  ScriptSetBreakpoints(context, lines.data(), lines.size());
  if (stepAtOnce) ScriptStep(context, kScriptStepInto);

  const HWND window = state.self;
  state.run = context;
  state.runModule = module;
  state.runState = 2;
  state.stopAsked = false;
  SendMessage(state.text, EM_SETREADONLY, TRUE, 0);  // the lines must stay where the run has them
  Running().push_back(&state);
  Notify(state, kEditNotifyRunStarts, 0, 0);
  state.outerYield = reinterpret_cast<ScriptYield>(
      ScriptControl(state.engine, kScriptSetYield, 0, reinterpret_cast<void*>(&OnYield)));
  ScriptEngine* engine = state.engine;
  const ScriptYield outer = state.outerYield;
  ScriptRun(context);
  ScriptControl(engine, kScriptSetYield, 0, reinterpret_cast<void*>(outer));
  std::erase(Running(), &state);
  ScriptFreeRunContext(context);
  ScriptUnloadModule(module);
  if (!IsWindow(window) || StateOf(window) != &state) return 0;  // closed during the run
  state.run = nullptr;
  state.runModule = nullptr;
  state.runState = 0;
  state.stoppedLine = 0;
  state.stopAsked = false;
  SendMessage(state.text, EM_SETREADONLY, state.readOnly, 0);
  ShowWatches(state);
  RedrawMargin(state);
  Notify(state, kEditNotifyRunEnds, 0, 0);
  return 0;
}

LRESULT ToggleBreakpoint(EditWindowState& state, int32_t line) {
  if (state.breakpoints.erase(line) != 0) {
    RedrawMargin(state);
    return 2;
  }
  int32_t error = 0;
  ScriptCode* code = state.engine != nullptr ? Compile(state, &error) : nullptr;
  // A text that does not compile yet takes breakpoints on any line that is not empty.
  bool statement = false;
  if (code != nullptr) {
    statement = ScriptLineHasStatement(code, line);
  } else {
    const auto start = static_cast<int32_t>(SendMessage(state.text, EM_LINEINDEX, line - 1, 0));
    const std::string text = TextOf(state);
    for (auto i = static_cast<size_t>(std::max(start, 0)); i < text.size() && text[i] != '\r'; ++i)
      if (text[i] != ' ' && text[i] != '\t') statement = text[i] != '\'';
  }
  ScriptFreeCode(code);
  if (!statement) return 0;
  state.breakpoints.insert(line);
  if (state.run != nullptr) {
    const std::vector<int32_t> lines(state.breakpoints.begin(), state.breakpoints.end());
    ScriptSetBreakpoints(state.run, lines.data(), lines.size());
  }
  RedrawMargin(state);
  return 1;
}

LRESULT Resume(EditWindowState& state, int16_t how) {
  if (state.runState == 1) {
    state.resumeWith = how;
    return 1;
  }
  if (state.runState == 0 && (how == kScriptStepInto || how == kScriptStepOver)) {
    return StartRun(state, true) == 0 ? 1 : 0;
  }
  return 0;
}

LRESULT Stop(EditWindowState& state) {
  if (state.runState == 0) return 0;
  state.stopAsked = true;
  if (state.run != nullptr) ScriptControl(state.run, kScriptStop, 1, nullptr);
  return 1;
}

}  // namespace basic_editor
