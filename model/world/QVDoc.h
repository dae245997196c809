#pragma once
// The document: one world, read from and written to a document file. Saving writes a new file
// beside the old one and puts it in the old one's place only when everything was written, so a
// save that fails part-way (a full disk) leaves the previous document as it was.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/MacFile.h"
#include "core/TObject.h"
#include "model/command/CommandCore.h"
#include "model/world/WorldDoc.h"

class CCmdTarget;

class TQVDoc : public TObject, public TCommandDocument {
  DECLARE_CLASS_ID(474, TObject)

 public:
  // How a document makes its script object and lets it go; the scripting layer installs them.
  struct ScriptObjectMaker {
    // A new script object for the document below the parent, holding one reference for it.
    CCmdTarget* (*make)(TQVDoc& document, CCmdTarget* parent) = nullptr;
    // The document gives up its reference: the object goes, or is cut loose if scripts hold it.
    void (*release)(CCmdTarget* object) = nullptr;
  };
  static void SetScriptObjectMaker(const ScriptObjectMaker& maker);

  // A document with a new world, set up with its default objects.
  TQVDoc();
  // The same, the world made as the four-character type (the type a world document file has
  // unless told otherwise) with the flag its set-up is given.
  TQVDoc(uint32_t worldType, int16_t flag);
  virtual ~TQVDoc();
  TQVDoc(const TQVDoc&) = delete;
  TQVDoc& operator=(const TQVDoc&) = delete;

  TWorldDoc& World() { return *world_; }
  // The type the document's world was made as.
  uint32_t WorldType() const { return worldType_; }
  // The value a world made for another document is given.
  int32_t NewWorldValue() const { return newWorldValue_; }
  void SetNewWorldValue(int32_t value) { newWorldValue_ = value; }
  int32_t GetChangeCount() const override { return changes_; }
  void SetChangeCount(int32_t count) override { changes_ = count; }

  // Reads the document at the path into the world; its objects join the default objects. A
  // DXF drawing (extension "dxf" in any case), and a file of no kind of this program, are read
  // through ReadAlternateFile and leave the document untitled.
  void ReadDocument(const std::string& path);
  // Reads a drawing of another program (DXF) into the world: the installed drawing importer turns
  // it into the text world format, in metres scaled by the document's length unit, read into the
  // world as a document is (records the world's objects take go to them, the rest make new
  // objects). Raises -25002 when the program has no importer. The document's
  // import mode is 3 while it reads, and 0 again afterwards on every way out.
  void ReadAlternateFile(const std::string& path);
  // What the last file read that way held and the world did not take ("3 TEXT not imported"),
  // for the user's command to tell; empty when nothing was left. Taking it empties it.
  std::string TakeImportNote() { return std::exchange(importNote_, {}); }
  // The document was read from a drawing (its view was made for no window of this program).
  bool ReadFromDrawing() const { return readFromDrawing_; }
  int16_t GetImportMode() const { return importMode_; }
  // The import command names the reader it chose before the file is read.
  void SetImportMode(int16_t mode) { importMode_ = mode; }
  // Writes the world text of the drawing at the path, lengths multiplied by the scale, and in
  // note what it left out.
  using DrawingImporter = void (*)(const std::string& path, double scale,
                                   std::vector<uint8_t>& worldText, std::string& note);
  static void SetDrawingImporter(DrawingImporter importer);
  static bool HasDrawingImporter();
  // What shows a document file being read: told the share of the file read so far (0 to 1),
  // and gone when the read ends, however it ends.
  class ReadIndicator {
   public:
    virtual ~ReadIndicator() = default;
    virtual void Step(double fraction) = 0;
  };
  // The program's maker of indicators for the reads of document files (by their paths); none
  // shows nothing.
  using ReadIndicatorMaker = std::function<std::unique_ptr<ReadIndicator>(const std::string&)>;
  static void SetReadIndicatorMaker(ReadIndicatorMaker maker);
  // Writes the world and all its objects as a document at the path. The recorded frames go
  // with it while the program-wide save-with-results switch is set.
  void WriteDocument(const std::string& path);
  // What else the document's file holds after the world (the embedded items): written into
  // the file being saved before it takes the document's name, so that every save keeps it and a
  // failure leaves the old file whole.
  using TrailerWriter = std::function<void(const std::string& savingPath)>;
  void SetTrailerWriter(TrailerWriter writer) { trailerWriter_ = std::move(writer); }
  // The file the document was last read from or written to; empty for a new document.
  const std::string& Path() const { return path_; }
  // A document read as the start of a new one is untitled: saving it asks for a name.
  void ForgetPath() { path_.clear(); }
  // The file's name, or for a new document the name it was given as untitled ("Untitled"
  // unless said).
  std::string Title() const;
  void SetUntitledName(std::string name) { untitledName_ = std::move(name); }

  // The save-with-results switch of the Save As dialog's check box, shared by every document;
  // set at start.
  static uint16_t GetSaveWithResults();
  static void SetSaveWithResults(uint16_t on);

  // The document's script object: made once, on the first request that names a parent; null
  // before that when no parent is given.
  CCmdTarget* GetAPIDocument(CCmdTarget* parent);
  // The script object is gone.
  void ForgetAPIDocument() { apiDocument_ = nullptr; }

 protected:
  // A new file object for the name (tests give one that fails).
  virtual std::unique_ptr<TMacFile> MakeFile();

 private:
  std::unique_ptr<TWorldDoc> world_;
  uint32_t worldType_;
  int32_t newWorldValue_ = 0;
  int32_t changes_ = 0;
  std::string path_;
  std::string untitledName_ = "Untitled";
  TrailerWriter trailerWriter_;
  CCmdTarget* apiDocument_ = nullptr;
  int16_t importMode_ = 0;
  std::string importNote_;
  bool readFromDrawing_ = false;
};
