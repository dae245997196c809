#pragma once
// Registers the simulation classes and a class table that names them by their first block, so
// that documents holding them can be written and read back.

#include <cstring>
#include <memory>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"

namespace simulation_test {

inline const std::vector<uint8_t>& ClassTable() {
  static const std::vector<uint8_t> table = [] {
    constexpr int16_t kCount = 3;
    const int16_t codes[kCount] = {kBlockPauseControls, kBlockRunSettings, kBlockUnitSettings};
    const uint32_t tags[kCount] = {kStopWhenTag, kEngineTag, kUnitHandlerTag};
    std::vector<uint8_t> bytes(2 + kCount * 6);
    std::memcpy(bytes.data(), &kCount, 2);
    for (int i = 0; i < kCount; ++i) {
      std::memcpy(bytes.data() + 2 + 6 * i, &codes[i], 2);
      std::memcpy(bytes.data() + 4 + 6 * i, &tags[i], 4);
    }
    return bytes;
  }();
  return table;
}

class FilingScope {
 public:
  FilingScope() {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterStopWhen();
    RegisterUnitHandler();
    FreezeClassRegistry();
    static const ResourceEntry entries[] = {
        {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), ClassTable().data(),
         static_cast<uint32_t>(ClassTable().size())}};
    static const ResourceModuleTable table = {"simulation-test.dll", entries, 1};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("simulation-test.dll"));
  }
  ~FilingScope() {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("simulation-test.dll");
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    FreeHandlePool();
  }
  FilingScope(const FilingScope&) = delete;
  FilingScope& operator=(const FilingScope&) = delete;

  // A document holding the object, and the object read back from it.
  template <class T>
  std::unique_ptr<T> RoundTrip(TLink& object) {
    const std::vector<TLink*> objects{&object};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(T::kClassID)) return nullptr;
    return std::unique_ptr<T>(static_cast<T*>(read[0].release()));
  }
};

}  // namespace simulation_test
