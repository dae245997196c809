#pragma once
// What a world's export handler does for those below the export layer (scripts): its frame range
// and an export made ready to perform. The export layer fills it in when its classes are
// registered; until then a world has no export handler to be found.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Handle.h"

class TCommandCore;
class TLink;
class TWorldDoc;

struct TWorldExports {
  // The world's export handler (its object of tag "expH"), or null.
  TLink* (*findHandler)(TWorldDoc& world) = nullptr;
  // The frame range every export uses (-1 where none is set).
  void (*getFrameRange)(TLink& handler, int32_t& start, int32_t& stop) = nullptr;
  void (*setFrameRange)(TLink& handler, int32_t start, int32_t stop) = nullptr;
  // Selects the export type that serves the command, has it export the selection only or every
  // object, and makes its exporter for the file at the path; null when no type or exporter
  // serves the command. Raises when the exporter cannot be set up.
  std::unique_ptr<TCommandCore> (*makeExport)(TLink& handler, TWorldDoc& world, int16_t command,
                                              const std::string& path, bool selectedOnly) = nullptr;
  // The recorded data of the selection's meters as text, the bytes a meter data file holds
  // followed by a zero byte; null when the selection holds no meter with recorded values.
  Handle (*meterDataText)(TWorldDoc& world, int16_t command,
                          const std::vector<TLink*>& selection) = nullptr;
};

const TWorldExports& WorldExports();
void SetWorldExports(const TWorldExports& exports);
