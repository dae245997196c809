#pragma once
// The DXF import: turns a two-dimensional DXF drawing into a text world. Lines and arcs become
// line objects (an arc as chords of at most 3 degrees), points become points, circles round
// bodies and polylines (old and light) polygon bodies (their bulges as chords); blocks are placed where their
// inserts say, scaled and turned, at most 16 inserts deep. The world's view is set so that the
// drawing fills a window of the given size.
//
// The drawing is read once from the start with random access; every length and every scan is
// bounded by the file. Blocks read again through inserts may cost a few times the drawing's
// groups, or a few groups for each object a world can hold; a drawing that needs more, or a block
// that inserts itself, is refused (-25200). So is geometry whose numbers overflow: nothing
// infinite is written into the world.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/MacTypes.h"

class TMacFile;

inline constexpr int16_t kErrImportCancelled = -25008;
// A drawing that breaks the rules of the format (or holds more objects than a world can).
inline constexpr int16_t kErrDrawingMalformed = -25200;
// A drawing with nothing the import makes objects of.
inline constexpr int16_t kErrDrawingEmpty = -25201;

// Told how far the import is: may set cancel to stop it (-25008).
using DrawingProgress = std::function<void(bool& cancel, int32_t objects, double fraction)>;

// Reads the drawing into the handle as a text world, lengths multiplied by the scale. Answers 0
// (the handle holds the text, at its exact length) or -25201 when the drawing yields no object
// (the handle is then empty). Raises -39 for a drawing that ends inside an entity, -25200 for a
// malformed one and -25008 when cancelled; the handle is then left empty. The entities of kinds
// it makes nothing of are named with their counts in passedOver ("3 TEXT, 1 SPLINE"; empty when
// none).
int16_t ImportDXF(std::span<const uint8_t> drawing, Handle handle, double scale,
                  MacPoint windowSize, const DrawingProgress& progress = {},
                  std::string* passedOver = nullptr);
// The same over an open file, read from its start.
int16_t ImportDXF(TMacFile& file, Handle handle, double scale, MacPoint windowSize,
                  const DrawingProgress& progress = {}, std::string* passedOver = nullptr);

// The document's drawing importer: the text world of the DXF file at the path, and in note what
// the drawing held that the world does not (empty when nothing). A drawing that yields nothing
// fails with -25201 and a message naming the file.
void ImportDrawingFile(const std::string& path, double scale, std::vector<uint8_t>& worldText,
                       std::string& note);

// Makes the import the documents' drawing importer, and takes it away again.
void InstallDrawingImport();
void RemoveDrawingImport();
