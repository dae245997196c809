#pragma once
// What the document asks of filing: reading a whole file's bytes into its world and writing the
// world into an open file.

#include <memory>
#include <vector>

#include "core/Handle.h"
#include "model/Link.h"
#include "model/filing/ObjectReader.h"

class TMacFile;

// Reads a document held in a memory handle into the world: big-endian, with 80-bit reals unless
// the header names another width when the file type is "ZodA" (32-bit otherwise). Answers the
// completed reader, from which the caller takes the objects made.
// The progress, when given, is told how far the read has gone.
std::unique_ptr<TObjectReader> ReadDocument(Handle contents, uint32_t fileType, TLink* world,
                                            const ReadProgress& progress = nullptr);

// Reads the whole of an open file into memory and then as ReadDocument. A file that cannot be
// read raises its file error.
std::unique_ptr<TObjectReader> ReadDocumentFile(TMacFile& file, uint32_t fileType, TLink* world,
                                                const ReadProgress& progress = nullptr);

// Writes the world and then the objects of its list as a document into the open file, through a
// stream that pads odd writes.
void WriteDocument(TMacFile& file, TLink& world, const std::vector<TLink*>& objects);
