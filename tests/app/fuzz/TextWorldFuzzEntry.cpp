#include "tests/app/fuzz/TextWorldFuzzEntry.h"

#include <cstdio>
#include <memory>
#include <span>
#include <vector>

#include "app/TApp.h"
#include "bodies/Table.h"
#include "constraints/Springs.h"
#include "core/Failure.h"
#include "core/FileCalls.h"
#include "model/filing/DocumentFiling.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"

namespace {

std::unique_ptr<TApp>& App() {
  static std::unique_ptr<TApp> app;
  return app;
}

// Collects what the world shows while reading instead of putting up alerts.
class TShownErrors : public TWorldHost {
 public:
  void ShowError(int16_t error, int32_t) override { shown.push_back(error); }
  std::vector<int16_t> shown;
};

int ShownBreaks(const TShownErrors& host) {
  int broken = 0;
  for (int16_t error : host.shown)
    if (error != kErrTextFormat && error != kErrBadFormat) ++broken;
  return broken;
}

// The one failure a damaged text may cause: the text reader's own. The inputs are small, so
// memory running out would be a count taken from the text without a check.
bool ExpectedReadFailure(int16_t error) {
  return error == kErrTextFormat;
}

// The world saved as a document, then read into another document.
void SaveAndReadBack(TWorldDoc& world, TextWorldReach& reach) {
  Handle saved = nullptr;
  try {
    const std::vector<TLink*> objects = world.Objects();
    saved = WriteObjectsDefault(&objects, 1, &world, 2, nullptr)->TakeHandle();
  } catch (const QVException& failure) {
    // A force law made of formulas read from the text that no stored formula holds: the save
    // says so rather than writing a cut law.
    if (failure.error() != -28811) {
      std::fprintf(stderr, "save failed with %d\n", failure.error());
      ++reach.broken;
    }
    return;
  }
  TQVDoc again;
  TShownErrors host;
  again.World().SetHost(&host);
  again.World().StartDocumentRead();
  try {
    auto reader = ReadDocument(saved, kDocumentFileType, &again.World());
    again.World().AdoptObjects(reader->TakeObjects());
    reach.saved = true;
  } catch (const QVException& failure) {
    std::fprintf(stderr, "the saved document failed with %d\n", failure.error());
    ++reach.broken;
  }
  FreeHandle(saved);
  reach.broken += ShownBreaks(host);
  if (reach.saved && (again.World().GetHistoryRead() != 0) != reach.historyRead) ++reach.broken;
}

}  // namespace

TextWorldFuzzSetup::TextWorldFuzzSetup() {
  App() = std::make_unique<TApp>();
  App()->LoadResourceDlls();
  App()->InitUnits();
}

TextWorldFuzzSetup::~TextWorldFuzzSetup() {
  App()->TermUnits();
  App()->FreeResourceDlls();
  App().reset();
}

TextWorldReach TextWorldFuzzRead(const uint8_t* data, size_t size) {
  TextWorldReach reach;
  TQVDoc document;
  TWorldDoc& world = document.World();
  TShownErrors host;
  world.SetHost(&host);
  world.StartDocumentRead();
  try {
    auto reader = ReadObjects(std::span<const uint8_t>(data, size), 0, 1, &world, nullptr, nullptr,
                              nullptr);
    reader->Complete(0);
    std::vector<std::unique_ptr<TLink>> objects = reader->TakeObjects();
    for (const auto& object : objects) {
      ++reach.objects;
      if (const auto* table = dynamic_cast<const TTable*>(object.get()))
        reach.tables += table->GetCount() > 0 ? 1 : 0;
      if (dynamic_cast<const TSpringBase*>(object.get()) != nullptr) ++reach.springs;
    }
    world.AdoptObjects(std::move(objects));
    reach.read = true;
  } catch (const QVException& failure) {
    if (!ExpectedReadFailure(failure.error())) {
      std::fprintf(stderr, "unexpected failure %d\n", failure.error());
      ++reach.broken;
    }
  }
  reach.broken += ShownBreaks(host);
  reach.historyRead = world.GetHistoryRead() != 0;
  if (reach.read) SaveAndReadBack(world, reach);
  return reach;
}

#ifdef YB_TEXT_WORLD_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const TextWorldFuzzSetup setup;
  if (TextWorldFuzzRead(data, size).broken != 0) __builtin_trap();
  return 0;
}
#endif
