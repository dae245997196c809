#pragma once
// Metafile playback under arbitrary bits: the fuzz entry's check, and how far an input got.

#include <cstddef>
#include <cstdint>
#include <set>

struct MetafileFuzzReach {
  bool accepted = false;         // the bits were taken as a metafile
  bool playedToEnd = false;      // playback reached the end record
  std::set<uint16_t> functions;  // the record functions of the accepted bits
  int objectsMade = 0;           // graphics objects playback made (and deleted again)
  int broken = 0;                // which promise broke; 0 when all were kept
};

// Takes the bits as a metafile, plays them onto a small canvas and into a metafile context, and
// checks the promises: accepted bits are a prefix of the input, playback puts the context back
// and keeps no object, its work follows the canvas, and what it records is a metafile again.
MetafileFuzzReach MetafileFuzzPlay(const uint8_t* data, size_t size);
