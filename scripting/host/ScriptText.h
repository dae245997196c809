#pragma once
// One BASIC script while the program works with it: its source text, the code the engine
// compiled from it, the file it came from or goes to, and the file type that decides how that
// file is written: "TEXT" the source alone, "PsSx" a compiled library (header and code), "PsSc"
// a compiled script (header, code, then the source).

#include <cstdint>
#include <memory>
#include <string>

#include "basic/ScriptApi.h"
#include "core/FileSpec.h"
#include "core/PString.h"
#include "core/TObject.h"
#include "core/Tag.h"
#include "scripting/host/EngineLibrary.h"

inline constexpr uint32_t kScriptFileText = MakeTag("TEXT");
inline constexpr uint32_t kScriptFileCompiled = MakeTag("PsSc");
inline constexpr uint32_t kScriptFileLibrary = MakeTag("PsSx");

// The header of a compiled file: 56 bytes, little-endian.
inline constexpr int32_t kScriptHeaderSize = 56;
// What the host passes as the code's version; nothing compares it.
inline constexpr const char* kScriptCodeVersion = "2.1";

class TScriptTextBase : public TObject {
  DECLARE_CLASS_ID(839, TObject)

 public:
  TScriptTextBase() = default;
  ~TScriptTextBase() override;
  TScriptTextBase(const TScriptTextBase&) = delete;
  TScriptTextBase& operator=(const TScriptTextBase&) = delete;

  // The default text, no code; the file fields stay.
  virtual void Reset();
  // A copy of the text.
  virtual bool GetText(std::string& text) const;
  virtual void SetText(const char* text);
  virtual ScriptCode* GetCode(const char* version) const;
  // Frees the old code when it was owned.
  virtual void SetCode(ScriptCode* code, const char* version, bool owned);
  virtual int16_t Load() { return 0; }
  virtual int16_t Save() { return 0; }
  virtual int16_t NoOperation() { return 0; }
  virtual int16_t Query() { return 0; }
  virtual void GetPath(Str255& path) const { path = path_; }
  virtual void SetPath(const Str255& path) { path_ = path; }
  virtual void GetFileSpec(FSSpec& spec) const { spec = fileSpec_; }
  // Stores the file record, its name as the path, and the file type its extension gives.
  virtual void SetFileSpec(const FSSpec& spec, bool fileBacked);
  virtual bool IsFileBacked() const { return fileBacked_ != 0; }
  virtual void SetFileBacked(bool fileBacked) { fileBacked_ = fileBacked ? 1 : 0; }

  bool IsReadOnly() const { return readOnly_ != 0; }
  void SetReadOnly(bool readOnly) { readOnly_ = readOnly ? 1 : 0; }
  uint32_t FileType() const { return fileType_; }
  void SetFileType(uint32_t type) { fileType_ = type; }
  const Str255& Path() const { return path_; }

 protected:
  // The code leaves the object without being freed.
  void ForgetCode();

  std::string text_;
  ScriptCode* code_ = nullptr;
  int16_t codeOwned_ = 0;
  int16_t readOnly_ = 0;
  int16_t fileBacked_ = 0;
  Str255 path_;
  FSSpec fileSpec_;
  uint32_t fileType_ = kScriptFileText;
};

// The file type an extension gives: "YBX" a library, "YBC" a compiled script, else text. The
// name's extension follows the first '.' after its last '/' or '\'; case does not matter.
uint32_t ScriptFileTypeOfName(const char* name);

class TScriptText : public TScriptTextBase {
  DECLARE_CLASS_ID(839, TScriptTextBase)

 public:
  TScriptText() = default;
  // Unloads the module, frees the code and the entry record.
  ~TScriptText() override;

  void Reset() override;
  void SetText(const char* text) override;
  void SetCode(ScriptCode* code, const char* version, bool owned) override;
  // Reads the file: 1 when read, 0 when the object has no file. A missing file raises -43 and
  // creates nothing; a compiled file whose code lies outside it raises -39.
  int16_t Load() override;
  // Writes the file beside its old version and puts it in that one's place only once it is
  // whole: 1 when written, 0 without a file. A compiled type without code raises -25210 and
  // leaves the old file as it was.
  int16_t Save() override;

  // 0 when the code has the entry (name, argument types, function or sub), else 1.
  int16_t FindEntry(const char* name, int16_t argumentCount, const int16_t* argumentTypes,
                    bool isFunction);
  bool EntryFound() const { return entryFound_ != 0; }
  const TEntryRecord* Entry() const { return entry_.get(); }

  // The code modules are loaded from; owned by the script.
  ScriptCode* LibraryCode() const { return libraryCode_; }
  void SetLibraryCode(ScriptCode* code);
  ScriptModule* Module() const { return module_; }
  void SetModule(ScriptModule* module) { module_ = module; }

 private:
  void ReadCompiledFile(class TMacFile& file, int32_t length, const uint8_t* header);
  // What Save writes.
  std::string FileBytes() const;

  ScriptModule* module_ = nullptr;
  std::unique_ptr<TEntryRecord> entry_;
  int16_t entryFound_ = 0;
  ScriptCode* libraryCode_ = nullptr;
};
