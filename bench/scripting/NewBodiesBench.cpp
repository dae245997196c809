// 1,000 circles made by a script with NewBody in a new document of the program, each placed by
// its PX and PY cells, per script run (the document made, filled and closed). Target: under
// 0.2 s in release on one core.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "core/List.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/host/ScriptHost.h"
#include "scripting/host/ScriptText.h"

namespace {

class TDocumentsApplication : public TScriptApplication {
 public:
  TDocumentsApplication() { list.IList(); }
  ~TDocumentsApplication() override { list.DeleteAll(); }
  bool QuitRequested() const override { return false; }
  HWND MainWindow() const override { return nullptr; }
  TList* OpenDocuments() override { return &list; }
  TQVDoc* FrontDocument() override { return documents.empty() ? nullptr : documents.back().get(); }
  void ActivateDocument(TQVDoc&) override {}
  void NewDocument() override {
    documents.push_back(std::make_unique<TQVDoc>());
    list.InsertLast(documents.back().get());
  }
  void OpenDocument(const FSSpec&) override {}
  bool FloatingWindowVisible(int16_t) override { return false; }
  void FloatingWindowCommand(int16_t) override {}
  void ShowScriptMessage(int32_t, const char*) override {}
  bool CloseDocument(TQVDoc& document) override {
    list.Delete(&document);
    std::erase_if(documents, [&document](const auto& d) { return d.get() == &document; });
    return true;
  }
  TList list;
  std::vector<std::unique_ptr<TQVDoc>> documents;
};

constexpr int kBodies = 1000;

void BM_ThousandCirclesByScript(benchmark::State& state) {
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  {
    TDocumentsApplication application;
    SetScriptApplication(&application);
    TAPICallLog log;
    auto* yb = new TAPIApplication(&log, &application);
    yb->AddRef();
    TScriptHost host;
    host.StartEngine(yb);
    TScriptText script;
    script.Reset();
    script.SetText("Sub Main()\n  Dim d As YBDocument\n  Set d = YB.New()\n  Dim b As Object\n"
                   "  Dim i As Integer\n  For i = 1 To 1000\n    Set b = d.NewBody(\"circle\")\n"
                   "    b.PX.Value = (i Mod 40) * 0.2\n    b.PY.Value = (i \\ 40) * 0.2\n"
                   "  Next i\n  d.Close\nEnd Sub\n");
    host.Compile(&script);
    for (auto _ : state) host.RunMain(&script);
    state.SetItemsProcessed(state.iterations() * kBodies);
    SetScriptApplication(nullptr);
  }
  app.TermUnits();
  app.FreeResourceDlls();
}
BENCHMARK(BM_ThousandCirclesByScript)->Unit(benchmark::kMillisecond);

}  // namespace
