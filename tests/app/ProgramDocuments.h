#pragma once
// Documents made of the program's own classes, for tests that run with the program set up
// (resources loaded, units started).

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "model/Link.h"
#include "model/world/WorldDoc.h"

namespace program_documents {

// Above the identifiers of a new world's default objects.
inline constexpr int16_t kFirstFreeIdentifier = 20;

// Registered classes that the program never makes as an object of a world of their own: the
// bases of the kinds the tools make (each stored under its first kind's class), and the geometry
// manager, which a world keeps beside its objects.
inline const std::set<std::string> kNotWorldObjects = {
    "TLink", "TNamedLink", "TSingleStyleLink", "TBasicMass", "TXCnstr", "TPiston",
    "TWorldGeometryManager", "TJoiner",
    // Export settings: the export handler holds them, the world does not.
    "TDataExportType", "TDXFExportType", "TVideoExportType",
    // Exporters are commands made for one export.
    "TDXFExporter", "TDataExporter", "TDataCopier", "TVideoMovieMaker",
    // Palettes are windows.
    "TPaletteWindow"};

// Switches off the furniture a world's window asks for (rulers, coordinates bar, tape), for tests
// that lay out the bare window of a sample that shows it.
inline void WithoutFurniture(TWorldDoc& world) {
  world.Settings().rulers = 0;
  world.Settings().coordinates = 0;
  world.Settings().frameIndicator = 0;
}

// Whether a new world holds an object of the named class among its default objects.
bool IsDefaultObjectClass(const std::string& name);

// The names of the registered classes that make objects of a world, in name order.
std::vector<std::string> WorldClassNames();

// An object of the registered class of the tag, initialised as a new object is; null when the
// class makes no object of a world.
std::unique_ptr<TLink> MakeAsCreated(uint32_t tag);

// A world of the engine, the background and one object of every other world class but the body
// without a shape, which no tool makes, each made and placed as the program makes it: points on bodies, constraints attached to as many points
// as they need, polygons on vertex tables of their own, a group of the two first bodies.
void BuildEveryClassWorld(TWorldDoc& world);

// The world of a new document with one object of the named class (engine and background
// besides, where the class is neither).
void BuildOneClassWorld(TWorldDoc& world, const std::string& name);

// The class identifier of each of the world's objects, by the object's identifier.
std::map<int16_t, int16_t> ClassesById(const TWorldDoc& world);

// The whole contents of a file.
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

// Where two byte strings first differ (a length counts), or -1 when they are equal.
int64_t FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);

}  // namespace program_documents
