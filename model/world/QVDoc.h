#pragma once
// The document: one world, read from and written to a document file. Saving writes a new file
// beside the old one and puts it in the old one's place only when everything was written, so a
// save that fails part-way (a full disk) leaves the previous document as it was.

#include <cstdint>
#include <memory>
#include <string>

#include "core/MacFile.h"
#include "model/command/CommandCore.h"
#include "model/world/WorldDoc.h"

class TQVDoc : public TCommandDocument {
 public:
  // A document with a new world, set up with its default objects.
  TQVDoc();
  virtual ~TQVDoc();
  TQVDoc(const TQVDoc&) = delete;
  TQVDoc& operator=(const TQVDoc&) = delete;

  TWorldDoc& World() { return *world_; }
  int32_t GetChangeCount() const override { return changes_; }
  void SetChangeCount(int32_t count) override { changes_ = count; }

  // Reads the document at the path into the world; its objects join the default objects.
  void ReadDocument(const std::string& path);
  // Writes the world and all its objects as a document at the path.
  void WriteDocument(const std::string& path);

 protected:
  // A new file object for the name (tests give one that fails).
  virtual std::unique_ptr<TMacFile> MakeFile();

 private:
  std::unique_ptr<TWorldDoc> world_;
  int32_t changes_ = 0;
};
