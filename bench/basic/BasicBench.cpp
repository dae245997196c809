// Side by side: each small program in our engine (compiled and run in this process) and in
// Gambas's script runner gbs3 (started as a program; its start-up time, measured on an empty
// script, is taken off). The collection walk reads a member of every object: in ours each item
// and each member read is a call of the program's dispatch callback, in the peer an object of a
// script class in an object array. Prints for each program the shortest of a few runs in both, their
// ratio (ours / Gambas, below 1 when ours is faster) and whether both printed the same number.
// A peer that is not installed is left out of the table.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "basic/ScriptApi.h"

namespace {

struct Program {
  const char* name;
  const char* ours;
  const char* gambas;
};

const Program kPrograms[] = {
    {"numeric loop, 10 million",
     "Sub Main()\n  Dim i As Long, s As Double\n  For i = 1 To 10000000\n    s = s + i * 0.5\n  Next\n"
     "  Print s\nEnd Sub\n",
     "Dim i As Integer\nDim s As Float\nFor i = 1 To 10000000\n  s = s + i * 0.5\nNext\nPrint s\n"},
    {"string building, 200000",
     "Sub Main()\n  Dim i As Long, s As String\n  For i = 1 To 200000\n    s = s & Chr(65 + i Mod 26)\n"
     "  Next\n  Print Len(s)\nEnd Sub\n",
     "Dim i As Integer\nDim s As String\nFor i = 1 To 200000\n  s = s & Chr(65 + i Mod 26)\nNext\n"
     "Print Len(s)\n"},
    {"recursive calls, Fib(30)",
     "Function Fib(n As Long) As Long\n  If n < 2 Then Fib = n Else Fib = Fib(n - 1) + Fib(n - 2)\n"
     "End Function\nSub Main()\n  Print Fib(30)\nEnd Sub\n",
     "Function Fib(n As Integer) As Integer\n  If n < 2 Then Return n\n  Return Fib(n - 1) + Fib(n - 2)\n"
     "End\nPrint Fib(30)\n"},
    {"collection walk, 3 million",
     "Sub Main()\n  Dim it As Item, k As Long, total As Double\n  For k = 1 To 30000\n"
     "    For Each it In Items\n      total = total + it.Value\n    Next\n  Next\n  Print total\nEnd Sub\n",
     // The peer's counterpart of a collection of the program's objects: objects of a script
     // class in an object array, each read through its member, the loop variable typed.
     "Class Item\n  Public Value As Float\nEnd Class\n\nPublic Sub Main()\n"
     "  Dim items As New Object[]\n  Dim i As Integer\n  Dim k As Integer\n  Dim it As Item\n"
     "  Dim total As Float\n  For i = 1 To 100\n    it = New Item\n    it.Value = i * 0.5\n"
     "    items.Add(it)\n  Next\n  For k = 1 To 30000\n    For Each it In items\n"
     "      total = total + it.Value\n    Next\n  Next\n  Print total\nEnd\n"},
};

// The collection of the walk: 100 items whose Value is i / 2, reached through the callback.
double g_values[100];
int g_collection;

void Dispatch(ScriptRunContext*, uint32_t id, int32_t, ScriptFrame* frame) {
  switch (id & 0xFFFF) {
    case 1: ScriptReturnLong(frame, 0, 100); break;
    case 2: {
      const int16_t i = ScriptArgInteger(frame, 2);
      ScriptReturnObject(frame, 0, i >= 1 && i <= 100 ? &g_values[i - 1] : nullptr);
      break;
    }
    case 3: ScriptReturnDouble(frame, 0, *static_cast<double*>(ScriptArgObject(frame, 1))); break;
    default: break;
  }
}

std::string g_printed;

int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
  if (kind == kScriptShowPrint) g_printed += text;
  return 0;
}

ScriptEngine* MakeEngine(ScriptDescription*& description) {
  for (int i = 0; i < 100; ++i) g_values[i] = (i + 1) * 0.5;
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Item", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Value", kScriptNoId, 3, kScriptDouble, nullptr);
  ScriptDefineCollectionClass(b, 1, "ItemList", kScriptNoId, nullptr);
  ScriptDefineFunction(b, 0, "Count", 1, kScriptLong, nullptr, 0, 0, {});
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 2, kScriptObject, "Item", 1, 1, {{kScriptInteger}});
  ScriptDefineGlobal(b, "Items", kScriptObject, "ItemList", &g_collection);
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "Bench", description, &Dispatch);
  return engine;
}

double Seconds(const std::function<void()>& run) {
  double best = 1e300;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

// Compiles and runs the program's Main; what it printed.
std::string RunOurs(ScriptEngine* engine, const char* text) {
  g_printed.clear();
  ScriptCompileRequest request;
  request.text = text;
  request.engine = engine;
  if (ScriptCompile(&request) != kScriptCompiled) return "compile error: " + request.errorMessage;
  uint16_t error = 0;
  ScriptModule* module = ScriptLoadModule(engine, request.code, &error);
  uint32_t contextError = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
  ScriptRun(context);
  if (ScriptControl(context, kScriptRunFailed, 0, nullptr) != 0) g_printed = ScriptRunErrorText(context);
  ScriptFreeRunContext(context);
  ScriptUnloadModule(module);
  ScriptFreeCode(request.code);
  return g_printed;
}

std::string RunGambas(const std::filesystem::path& script) {
  const std::filesystem::path out = script.string() + ".txt";
  const std::string command = "gbs3 '" + script.string() + "' > '" + out.string() + "' 2>&1";
  if (std::system(command.c_str()) != 0) return "failed";
  std::ifstream in(out);
  std::string text;
  std::getline(in, text);
  return text;
}

bool SameNumber(const std::string& a, const std::string& b) {
  char* endA = nullptr;
  char* endB = nullptr;
  const double x = std::strtod(a.c_str(), &endA), y = std::strtod(b.c_str(), &endB);
  return endA != a.c_str() && endB != b.c_str() && std::fabs(x - y) <= 1e-9 * std::max(1.0, std::fabs(x));
}

}  // namespace

int main() {
  ScriptDescription* description = nullptr;
  ScriptEngine* engine = MakeEngine(description);
  const bool gambas = std::system("command -v gbs3 > /dev/null 2>&1") == 0;
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "yb-basic-bench";
  std::filesystem::create_directories(folder);
  double startUp = 0;
  if (gambas) {
    const std::filesystem::path empty = folder / "empty.gbs";
    std::ofstream(empty) << "Print 0\n";
    startUp = Seconds([&] { RunGambas(empty); });
  } else {
    std::printf("gbs3 is not installed (Debian package gambas3-scripter): ours only\n");
  }
  std::printf("%-28s %12s %12s %8s  %s\n", "program", "ours (s)", "gbs3 (s)", "ratio", "same result");
  for (const Program& program : kPrograms) {
    std::string ours;
    const double oursTime = Seconds([&] { ours = RunOurs(engine, program.ours); });
    if (!gambas) {
      std::printf("%-28s %12.4f %12s %8s  %s\n", program.name, oursTime, "-", "-", ours.c_str());
      continue;
    }
    const std::filesystem::path script = folder / (std::to_string(&program - kPrograms) + ".gbs");
    std::ofstream(script) << program.gambas;
    std::string theirs;
    const double theirTime = std::max(1e-4, Seconds([&] { theirs = RunGambas(script); }) - startUp);
    std::printf("%-28s %12.4f %12.4f %8.2f  %s (%s / %s)\n", program.name, oursTime, theirTime,
                oursTime / theirTime, SameNumber(ours, theirs) ? "yes" : "NO", ours.c_str(),
                theirs.c_str());
    std::fflush(stdout);
  }
  std::printf("gbs3 start-up taken off each of its times: %.4f s\n", startUp);
  std::filesystem::remove_all(folder);
  ScriptEndEngine(engine);
  ScriptFreeDescription(description);
  return 0;
}
