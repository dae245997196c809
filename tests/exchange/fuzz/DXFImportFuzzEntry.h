#pragma once
// The DXF import under arbitrary bytes: the fuzz entry's checks, and how far an input got. A
// broken promise ends the process.

#include <cstddef>
#include <cstdint>

// Imports the bytes as a drawing and checks what came of it: a text world framed as the reader
// takes it, or an empty handle and one of the import's own failures. Answers the number of
// objects written (the world's view not counted), or -1 when the drawing was refused or empty.
int ImportDrawingForFuzzing(const uint8_t* data, size_t size);
