#pragma once
// The Macintosh file calls over the runtime's file descriptors. Every call answers a Macintosh
// error code (0 for success) and never throws; a reason the call's own table does not list is an
// input/output error (-36), so a failure never reads as success. File reference numbers are
// descriptors cut to 16 bits. Bytes are written exactly as given.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/FileSpec.h"
#include "core/PString.h"
#include "core/Tag.h"

// Document types as GetFileTypeOfPath answers them.
inline constexpr uint32_t kDocumentFileType = MakeTag("ZodA");
inline constexpr uint32_t kTextFileType = MakeTag("TEXT");
// A world document of the older sibling format: the bytes 70 73 B4 58.
inline constexpr uint32_t kSiblingFileType = 0x58B47370u;
// What a path that holds no document gets.
inline constexpr uint32_t kNoFileType = 0;

// Creates (or truncates) a file for reading and writing; reference is -1 after a failure.
int16_t FSpCreate(const char* name, int16_t& reference);
// FSpCreate on the FSSpec's name; the reference is stored in its volume field. Creator
// and type are not kept on this system.
int16_t FSpCreateSpec(FSSpec& spec, uint32_t creator, uint32_t type);
// Permission 3 read-write, 2 write-only, anything else read-only. reference is -1 after a failure.
int16_t FSpOpen(const FSSpec& spec, int8_t permission, int16_t& reference);
int16_t FSpDelete(const char* name);
int16_t FSpDeleteSpec(const FSSpec& spec);
int16_t FSpRename(const char* oldName, const char* newName);
// count becomes the bytes read or written; 0 after a failure.
int16_t FSRead(int16_t reference, int32_t& count, void* buffer);
int16_t FSWrite(int16_t reference, int32_t& count, const void* buffer);
// length is 0 after a failure.
int16_t GetEOF(int16_t reference, int32_t& length);
int16_t GetForkEOF(int16_t fork, int16_t reference, int32_t& length);
int16_t GetFPos(int16_t reference, int32_t& position);
// Origin 0 from the start, 1 from the current position, 2 from the end.
int16_t SetFPos(int16_t reference, int16_t origin, int32_t offset);
int16_t FSClose(int16_t reference);
// Opens an existing file for reading and writing; reference stays 0 until success.
int16_t OpenFileByName(const char* name, int16_t ignored, int16_t& reference);
// Creates or truncates a file for reading and writing.
int16_t OpenForWriting(const char* name, int16_t ignored, int16_t& reference);
// Through the file class, with its codes.
int16_t RenameFile(const char* name, const char* newName);
int16_t DeleteFile(const char* name);

// The kind of document a path holds, from its first bytes: kDocumentFileType, kSiblingFileType,
// kTextFileType, or kNoFileType for a file too short to tell or of any other kind. A path that
// cannot be opened is judged by its extension. Raises the read error of a file that can be opened
// but not read; the file is closed on every path.
uint32_t GetFileTypeOfPath(const char* path);
// Set by GetFileTypeOfPath for the document readers: a world document without a version word,
// and a document of the sibling format. Both are cleared when a path is tested.
bool IsUnversionedDocument();
// The document readers set the first when they read an empty version.
void SetUnversionedDocument(bool on);
bool IsSiblingFormatDocument();

// The file dialog. The window layer supplies the real dialog through the answerer; without one
// every dialog is cancelled.
struct FileDialogRequest {
  bool open = true;  // open or save
  std::string defaultExtension;
  std::string fileName;  // the initial name
  std::string title;
  uint32_t flags = 0;
  std::string filter;
  uint16_t checkBoxState = 1;  // the shared check box, when the dialog shows one
};
// The chosen path in the program's character set, or nothing when the user cancelled. The
// answerer may change the request's check-box state.
using FileDialogAnswerer = std::function<std::optional<std::string>(FileDialogRequest&)>;
void SetFileDialogAnswerer(FileDialogAnswerer answerer);

class TMacFileDialog {
 public:
  static constexpr int kOk = 1;
  static constexpr int kCancel = 2;

  TMacFileDialog(bool open, const char* defaultExtension, const char* fileName, const Str255& title,
                 uint32_t flags, const char* filter);
  // kOk with the path chosen, or kCancel.
  int DoModal();
  const std::string& GetPathName() const { return path_; }

  // The check-box state shared with the document saving code; 1 at start.
  static uint16_t& SharedCheckBoxState();

 private:
  FileDialogRequest request_;
  Str255 title_;
  bool open_;
  std::string path_;
};
