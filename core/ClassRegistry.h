#pragma once
// The class registry: maps a class's four-character tag to its name, class identifier, create
// function and instance size, so that files, paste and commands can create objects from a
// stored tag. Every unit registers its creatable classes at start-up in a fixed order (the first
// registration of a tag wins); the registry is then frozen into a table sorted by tag, and only
// the frozen table answers lookups.

#include <cstdint>
#include <span>
#include <string>

#include "core/PString.h"

class TObject;

// Makes a new, constructed instance of one class.
using ClassFactory = TObject* (*)();

struct TClassInfo {
  std::string name;
  uint32_t tag = 0;
  ClassFactory factory = nullptr;
  uint32_t instanceSize = 0;
  int16_t classId = -1;
};

// Enters a class. A null factory makes the call do nothing, as does a tag that is registered
// already (whatever its name or identifier) and any call after freezing.
void RegisterClassInfo(const Str255& name, uint32_t tag, int16_t classId, ClassFactory factory,
                       uint32_t instanceSize);
// Builds the table sorted by tag, descending as unsigned numbers, and the tag translation
// tables. Called once, after every unit has registered.
void FreezeClassRegistry();
// Deletes every record; the registry is empty and open for registration again.
void FreeClassRegistry();
bool IsClassRegistryFrozen();

// A new instance of the class registered under tag, or null when the tag is not registered.
TObject* CreateObjectByTag(uint32_t tag);
// The class identifier of the tag, or -1.
int16_t ClassIdFromTag(uint32_t tag);
// The instance size of the tag, or 0.
uint32_t InstanceSizeFromTag(uint32_t tag);
// The tag of the first record, in table order, whose identifier is the object's class
// identifier; 0xFFFFFFFF for a null object, an identifier 0 or no match.
uint32_t ClassTagOfObject(const TObject* object);
// The tag of the first record whose name is name, or 0.
uint32_t ClassTagFromName(const Str255& name);

// Stored class tags pass through the translation tables before objects are created: a tag
// found in the first table becomes the entry at the same place of the second. Both hold the
// registered tags in table order, so a registered tag maps to itself; any other tag is
// answered unchanged.
uint32_t MapClassTag(uint32_t tag);
// The registered tags in table order (the first translation table), for tests of whether a
// tag is registered.
std::span<const uint32_t> RegisteredClassTags();

// The frozen table, in order.
int32_t ClassRegistryCount();
const TClassInfo& ClassInfoAt(int32_t index);
