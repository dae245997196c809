#pragma once
// Text streams: the text output stream of the data exporters and drawing writers, and the token
// reader of text records. Lines end in CR LF; tokens are separated by blanks, tabs, line ends,
// NUL and the characters , : ; { }, and comments run from "/*" to "*/" without nesting.

#include <cstdint>
#include <memory>

#include "core/StreamRoot.h"

class TMacFile;

// True for the characters that end a token.
bool IsTokenSeparator(uint8_t c);

class TTextOutStream : public TAbstractStream {
  DECLARE_CLASS_ID(575, TAbstractStream)

 public:
  // No owner, no handle, no file.
  TTextOutStream() = default;
  // Raises -108 without an owner, whatever ownerRequired says.
  TTextOutStream(TUnitHandler* owner, int32_t size, int16_t fileReference, bool ownerRequired,
                 bool allocate, bool makeInner);
  ~TTextOutStream() override;

  std::unique_ptr<TStream> MakeInnerStream() override;

  // The decimal text; the unit is not used.
  void WriteShort(int16_t value, int32_t unitKind) override;
  void WriteLong(int32_t value, int32_t unitKind) override;
  // The owner's text of the value in the unit's current units (no conversion when the stream
  // does not use units); without an owner, as many digits as a double holds.
  void WriteDouble(double value, int32_t unitKind) override;
  // The whole text, between double quotes when quoted.
  void WriteString(const char* text, bool quoted) override;
  // x, a TAB, y.
  void WriteVector(const TVector& vector, int32_t unitKind) override;
  void WriteBytes(const void* address, int32_t count) override;
  void WriteCountedString(const Str255& text) override;
  // The handle cut to the bytes written.
  Handle DetachHandle() override;
  // The text, then CR LF.
  virtual void WriteLine(const Str255& text);

  void WriteNewline();
  // n TABs; nothing for n <= 0.
  void WriteIndent(int32_t n);
  void WriteChar(char c);
  void WriteSpace();
  void SetFile(TMacFile* file) { file_ = file; }
  void SetFileReference(int16_t reference) { fileReference_ = reference; }
  // Writes the buffered text to the file and empties the buffer, keeping the handle's size. The
  // file's error is answered, and then the buffer keeps its text; 0 when there is no file.
  int16_t Close();

  int32_t writtenCount() const { return writtenCount_; }

 private:
  // Bytes written so far: the inner stream's position, or the written count without one.
  int32_t BytesWritten() const;

  int32_t writtenCount_ = 0;
  int32_t growthStep_ = 16;
  TMacFile* file_ = nullptr;
  int16_t fileReference_ = -1;
};

class TTextInStream : public TStreamRoot {
  DECLARE_CLASS_ID(576, TStreamRoot)

 public:
  TTextInStream() = default;

  // A bounded memory stream over the text: nothing beyond its first 64000 bytes is read.
  std::unique_ptr<TStream> MakeInnerStream() override;

  virtual Handle DetachHandle();
  // With keepSize the handle is re-sized to the initial size and, with clear, filled with zeros;
  // without it the handle is emptied.
  virtual void AttachHandle(Handle handle, bool clear, bool keepSize);
  // The position in the text, or the handle's size without an inner stream.
  virtual int32_t GetMark();
  virtual bool AtEnd();
  // Two numbers, x first.
  virtual TVector ReadVector();
  // The next token as a number; -25117 when it is not one.
  virtual double ReadDouble();
  // Skips blanks, separators and comments (stopping after a line end); true at the end.
  virtual bool SkipBlanks();
  // Passes the rest of the field, up to and including the next CR or TAB.
  virtual void SkipField();
  // The next token: after skipping, the first character is taken whatever it is, then every
  // character up to the next separator, which stays unread. -39 at the end of the text.
  virtual void ReadToken(Str255& out);

 private:
  TStream& Inner();
  void SkipSeparatorsAndComments();
};

// A text input stream over the text, which it owns from then on.
std::unique_ptr<TTextInStream> NewTextInStream(Handle text);

// The failure of a token that is not a number.
inline constexpr int16_t kErrNotANumber = -25117;
