#include "resources/ResourceLibraries.h"

#include <cstdint>

#include "platform/win32/Resource.h"

// Defined by the tables that the resource compiler writes at build time.
const ResourceModuleTable* CompiledResourceLibraries(uint32_t& count);

void RegisterResourceLibraries() {
  uint32_t count = 0;
  const ResourceModuleTable* tables = CompiledResourceLibraries(count);
  for (uint32_t i = 0; i < count; ++i)
    RegisterResourceModule(tables[i]);
}
