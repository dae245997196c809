#pragma once
// The program's documents under arbitrary bytes, shared by the libFuzzer entries and their
// replay tests: the program is set up as it starts (resource libraries, every unit's class
// registration), and the bytes are opened as a document file's contents into a new document.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

class TApp;
class TQVDoc;

// The program as it starts, for as long as the object lives.
class ProgramFuzzSetup {
 public:
  ProgramFuzzSetup();
  ~ProgramFuzzSetup();
  ProgramFuzzSetup(const ProgramFuzzSetup&) = delete;
  ProgramFuzzSetup& operator=(const ProgramFuzzSetup&) = delete;

 private:
  std::unique_ptr<TApp> app_;
};

// How far one input got, and which promises it broke.
struct DocumentFuzzReach {
  bool accepted = false;         // the document was opened
  int objects = 0;               // objects it added to the new world
  std::set<int16_t> classes;     // their class identifiers
  bool savedTwice = false;       // round trip: saved, opened again and saved again
  std::vector<std::string> broken;  // what went wrong that must not (must stay empty)
};

// Opens the bytes as a document. A damaged document is refused with a format failure; any other
// failure, or one that is no failure of the program, is broken.
DocumentFuzzReach FuzzOpenDocument(const uint8_t* data, size_t size);

// Opens the bytes as a document and, when they are accepted, saves the world, opens what was
// saved and saves again: the second save must write the bytes of the first.
DocumentFuzzReach FuzzRoundTripDocument(const uint8_t* data, size_t size);

// Opens the bytes into the document's world as the program opens a document file's contents.
void OpenDocumentBytes(TQVDoc& document, const std::vector<uint8_t>& bytes);

// The document's world as the program saves it into a file.
std::vector<uint8_t> SaveDocumentBytes(TQVDoc& document);
