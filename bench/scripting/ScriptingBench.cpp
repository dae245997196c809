// YB.Documents.Count read 100,000 times by a script, per read, beside the same chain of two
// member calls answered by empty callbacks (the engine's floor) and the C++ call itself. The
// live-object check must not grow with the number of live script objects: the script runs
// again with 10,000 of them below YB. Target: at most 3 times the floor.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/List.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/host/ScriptHost.h"

namespace {

constexpr int kReads = 100000;

const std::string kLoop = "Sub Main()\n  Dim i As Long\n  Dim n As Integer\n"
                          "  For i = 1 To 100000\n    n = %CHAIN%\n  Next i\nEnd Sub\n";

std::string LoopReading(const std::string& chain) {
  std::string text = kLoop;
  text.replace(text.find("%CHAIN%"), 7, chain);
  return text;
}

class TBenchApplication : public TScriptApplication {
 public:
  TBenchApplication() { documents.IList(); }
  bool QuitRequested() const override { return false; }
  HWND MainWindow() const override { return nullptr; }
  TList* OpenDocuments() override { return &documents; }
  TQVDoc* FrontDocument() override { return nullptr; }
  void ActivateDocument(TQVDoc&) override {}
  void NewDocument() override {}
  void OpenDocument(const FSSpec&) override {}
  bool FloatingWindowVisible(int16_t) override { return false; }
  void FloatingWindowCommand(int16_t) override {}
  void ShowScriptMessage(int32_t, const char*) override {}
  TList documents;
};

void BM_DocumentsCountThroughScript(benchmark::State& state) {
  TBenchApplication application;
  TAPICallLog log;
  auto* yb = new TAPIApplication(&log, &application);
  yb->AddRef();
  TScriptHost host;
  host.StartEngine(yb);
  std::vector<TAPIDispatcher*> live;
  for (int64_t i = 0; i < state.range(0); ++i) live.push_back(new TAPIDispatcher(&log, yb, yb));
  TScriptText script;
  script.Reset();
  script.SetText(LoopReading("YB.Documents.Count").c_str());
  host.Compile(&script);
  for (auto _ : state) host.RunMain(&script);
  state.SetItemsProcessed(state.iterations() * kReads);
}
BENCHMARK(BM_DocumentsCountThroughScript)->Arg(0)->Arg(10000)->Unit(benchmark::kMillisecond);

// The floor: the same two calls, each answered at once by its callback.
int g_lab;
int g_shelf;

void EmptyDispatch(ScriptRunContext*, uint32_t methodId, int32_t, ScriptFrame* frame) {
  if ((methodId & 0xFFFF) == 1) {
    ScriptReturnObject(frame, 0, &g_shelf);
  } else {
    ScriptReturnInteger(frame, 0, 0);
  }
}

void BM_EngineFloor(benchmark::State& state) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Lab", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Documents", kScriptNoId, 1, kScriptObject, "Floor.Shelf");
  ScriptDefineClass(b, "Shelf", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Count", kScriptNoId, 2, kScriptInteger, nullptr);
  ScriptDefineGlobal(b, "Lab", kScriptObject, "Lab", &g_lab);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "Floor", description, &EmptyDispatch);
  const std::string text = LoopReading("Lab.Documents.Count");
  ScriptCompileRequest request;
  request.text = text.c_str();
  request.engine = engine;
  ScriptCompile(&request);
  for (auto _ : state) {
    uint16_t error = 0;
    ScriptModule* module = ScriptLoadModule(engine, request.code, &error);
    uint32_t contextError = 0;
    ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
    ScriptRun(context);
    ScriptFreeRunContext(context);
    ScriptUnloadModule(module);
  }
  state.SetItemsProcessed(state.iterations() * kReads);
  ScriptFreeCode(request.code);
  ScriptFreeDescription(description);
  ScriptEndEngine(engine);
}
BENCHMARK(BM_EngineFloor)->Unit(benchmark::kMillisecond);

void BM_DocumentsCountInCpp(benchmark::State& state) {
  TBenchApplication application;
  TAPICallLog log;
  TAPIApplication yb(&log, &application);
  for (auto _ : state) {
    int32_t count = 0;
    yb.Documents()->Count(&count);
    benchmark::DoNotOptimize(count);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DocumentsCountInCpp);

}  // namespace

BENCHMARK_MAIN();
