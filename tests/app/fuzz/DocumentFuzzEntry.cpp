#include "tests/app/fuzz/DocumentFuzzEntry.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "app/TApp.h"
#include "core/Failure.h"
#include "core/FileCalls.h"
#include "core/Handle.h"
#include "model/filing/DocumentFiling.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/QVDoc.h"

namespace {

// The one failure that says that a document cannot be opened: it is damaged. (Every class the
// program's class table names is registered, so no document is refused for want of memory.)
bool RefusesDocument(int16_t error) {
  return error == kErrBadFormat;
}

std::string Describe(const char* step, const QVException& failure) {
  return std::string(step) + ": failure " + std::to_string(failure.error());
}

// Opens the bytes into a new document; answers it when they were accepted.
std::unique_ptr<TQVDoc> OpenForFuzzing(const uint8_t* data, size_t size,
                                       DocumentFuzzReach& reach) {
  auto document = std::make_unique<TQVDoc>();
  document->World().DropDefaultWorldObjects();
  const size_t before = document->World().Objects().size();
  try {
    OpenDocumentBytes(*document, std::vector<uint8_t>(data, data + size));
  } catch (const QVException& failure) {
    if (!RefusesDocument(failure.error())) reach.broken.push_back(Describe("open", failure));
    return nullptr;
  } catch (const std::exception& failure) {
    reach.broken.push_back(std::string("open: ") + failure.what());
    return nullptr;
  }
  reach.accepted = true;
  const std::vector<TLink*> objects = document->World().Objects();
  reach.objects = static_cast<int>(objects.size() - before);
  for (const TLink* object : objects) reach.classes.insert(object->GetClassID());
  return document;
}

}  // namespace

ProgramFuzzSetup::ProgramFuzzSetup() : app_(std::make_unique<TApp>()) {
  app_->LoadResourceDlls();
  app_->InitUnits();
}

ProgramFuzzSetup::~ProgramFuzzSetup() {
  app_->TermUnits();
  app_->FreeResourceDlls();
}

DocumentFuzzReach FuzzOpenDocument(const uint8_t* data, size_t size) {
  DocumentFuzzReach reach;
  OpenForFuzzing(data, size, reach);
  return reach;
}

DocumentFuzzReach FuzzRoundTripDocument(const uint8_t* data, size_t size) {
  DocumentFuzzReach reach;
  std::unique_ptr<TQVDoc> first = OpenForFuzzing(data, size, reach);
  if (first == nullptr) return reach;
  const char* step = "save";
  try {
    const std::vector<uint8_t> saved = SaveDocumentBytes(*first);
    first.reset();
    step = "open the saved document";
    TQVDoc second;
    OpenDocumentBytes(second, saved);
    step = "save again";
    const std::vector<uint8_t> again = SaveDocumentBytes(second);
    reach.savedTwice = true;
    if (again != saved) reach.broken.push_back("the second save differs from the first");
  } catch (const QVException& failure) {
    reach.broken.push_back(Describe(step, failure));
  } catch (const std::exception& failure) {
    reach.broken.push_back(std::string(step) + ": " + failure.what());
  }
  return reach;
}

void OpenDocumentBytes(TQVDoc& document, const std::vector<uint8_t>& bytes) {
  Handle contents = AllocHandle(static_cast<uint32_t>(bytes.size()));
  try {
    if (!bytes.empty()) std::memcpy(HandleData(contents), bytes.data(), bytes.size());
    document.World().StartDocumentRead();
    auto reader = ReadDocument(contents, kDocumentFileType, &document.World());
    document.World().AdoptObjects(reader->TakeObjects());
    FreeHandle(contents);
  } catch (...) {
    FreeHandle(contents);
    throw;
  }
}

std::vector<uint8_t> SaveDocumentBytes(TQVDoc& document) {
  const std::vector<TLink*> objects = document.World().Objects();
  auto writer = WriteObjectsDefault(&objects, 1, &document.World(), 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

#if defined(YB_DOCUMENT_FUZZER) || defined(YB_DOCUMENT_ROUND_TRIP_FUZZER)
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Made at the first input, after the resource registry and the handle pool's own tables came
  // into being, and so torn down before them when the process ends.
  static const ProgramFuzzSetup setup;
#ifdef YB_DOCUMENT_FUZZER
  const DocumentFuzzReach reach = FuzzOpenDocument(data, size);
#else
  const DocumentFuzzReach reach = FuzzRoundTripDocument(data, size);
#endif
  for (const std::string& what : reach.broken) std::fprintf(stderr, "%s\n", what.c_str());
  if (!reach.broken.empty()) __builtin_trap();
  return 0;
}
#endif
