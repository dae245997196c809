#pragma once
// The numbers new objects of a world take. One rule for every road that brings objects in
// (templates, tools, scripts, pastes, conversions): the lowest identifiers that no object holds,
// never 0 (the background) and never the numbers the world keeps for its own settings objects,
// whether or not the world holds them now. A script walks a world's objects by these numbers
// and hides the ones the world keeps: an object given one of them would be lost to it.

#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

class TWorldDoc;

// Whether new objects never take the identifier: 0, the world itself, its hidden point and its
// joiner.
bool IsReservedIdentifier(int32_t identifier);

// The count lowest identifiers from 1 up that are neither held nor reserved, in increasing
// order; fewer when the 16-bit numbers run out.
std::vector<int16_t> FreeIdentifiers(const std::set<int32_t>& held, size_t count);

// The same for a world, whose objects and itself hold the numbers; fails (out of memory) when the numbers
// run out.
std::vector<int16_t> FreeIdentifiers(const TWorldDoc& world, size_t count);
int16_t FreeIdentifier(const TWorldDoc& world);
