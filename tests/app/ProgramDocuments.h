#pragma once
// Documents made of the program's own classes, for tests that run with the program set up
// (resources loaded, units started).

#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

#include "model/Link.h"
#include "model/world/WorldDoc.h"

namespace program_documents {

// Above the identifiers of a new world's default objects.
inline constexpr int16_t kFirstFreeIdentifier = 20;

// An object of the registered class of the tag, initialised as a new object is; null when the
// class makes no object of a world.
std::unique_ptr<TLink> MakeAsCreated(uint32_t tag);

// The class identifiers of the world's objects, in order.
std::vector<int16_t> ClassIdsOf(const TWorldDoc& world);

// The whole contents of a file.
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

// Where two byte strings first differ (a length counts), or -1 when they are equal.
int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace program_documents
