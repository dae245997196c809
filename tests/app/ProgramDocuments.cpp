#include "tests/app/ProgramDocuments.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/ClassRegistry.h"

namespace program_documents {

std::unique_ptr<TLink> MakeAsCreated(uint32_t tag) {
  std::unique_ptr<TObject> object(CreateObjectByTag(tag));
  if (object == nullptr || !object->IsMemberClass(TLink::kClassID)) return nullptr;
  std::unique_ptr<TLink> link(static_cast<TLink*>(object.release()));
  link->Initialize();
  return link;
}

std::vector<int16_t> ClassIdsOf(const TWorldDoc& world) {
  std::vector<int16_t> classes;
  for (const TLink* object : world.Objects()) classes.push_back(object->GetClassID());
  return classes;
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return static_cast<int64_t>(i);
  return a.size() == b.size() ? -1 : static_cast<int64_t>(n);
}

}  // namespace program_documents
