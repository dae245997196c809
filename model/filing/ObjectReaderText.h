#pragma once
// The reader of the text world format: the record loop, dispatch and references of the object
// reader, with values read as text tokens. Tokens are parted by blanks, "," ":" ";" "{" "}" and
// comments "/* ... */"; a double-quoted token may hold any of them, a backslash taking the byte
// after it literally. A record is its code, its mode and its length: mode 2 holds `length`
// tokens, mode 1 holds `length` raw bytes starting on the line after its header.
//
// A record that no object reads is kept verbatim and handed to its object when the object ends,
// so that it survives a read and write. Every read stops at the end of the text: a damaged or
// truncated text fails with -25001, never reading beyond it.

#include <string>

#include "model/filing/ObjectReader.h"

// A copy of a text read byte by byte: unlike the streams of the binary formats it has no pad
// bytes after odd reads. Read only.
class TextFilerStream final : public FilerStream {
 public:
  explicit TextFilerStream(std::span<const uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
  void Write(const void* bytes, int32_t count) override;
  void Read(void* bytes, int32_t count) override;
  int32_t GetPosition() const override { return position_; }
  void SetPosition(int32_t position) override;
  int32_t GetLength() const override { return static_cast<int32_t>(bytes_.size()); }

 private:
  std::vector<uint8_t> bytes_;
  int32_t position_ = 0;
};

class TObjectReaderKind0 : public TObjectReader {
  DECLARE_CLASS_ID(564, TObjectReader)

 public:
  TObjectReaderKind0() = default;

  void Reset() override;
  void ReadCode() override;
  void ReadHeader() override;
  int32_t ReadBlockLength() override;
  bool ReadBlock(TLink& object) override;
  void SkipBlock(int32_t length) override;
  bool AtEnd() override;
  void FailIfBadFormat(bool bad) override;

  double ReadReal() override;
  int32_t ReadInt() override { return ReadLong(); }
  int32_t ReadLong() override;
  uint16_t ReadWord() override { return static_cast<uint16_t>(ReadLong()); }
  void ReadString(Str255& text) override;
  char ReadChar() override;
  void ReadIntPoint(MacPoint& point) override;
  void ReadTransform(Transform2D& transform) override;
  void ReadColor(RGB16Color& colour) override;
  uint32_t ReadUnitTag() override;
  uint32_t ReadTag() override;
  void ReadFormula(TFormula& formula) override;
  void ReadFormulaRecord(TFormulaRecord& record, Str255& text) override;

  // True while the current record's contents are raw bytes.
  bool InBinaryMode() const { return binary_ != 0; }

 protected:
  void EndObject() override;

 private:
  // The next byte, or -1 at the end of the text; Peek leaves it unread.
  int Peek(int32_t ahead = 0);
  uint8_t Get();
  // Passes over separators and comments; with toLineEnd, also over the line end that follows
  // (a carriage return and its line feed, or a lone line feed).
  void SkipSeparators(bool toLineEnd = false);
  // One token, quoted or bare, after the separators before it: its first 255 characters, the
  // rest passed over.
  void ReadToken(Str255& token);
  // A token that must be a number whole: one longer than a stored string is damage.
  void ReadNumberToken(Str255& token);
  void ReadFormulaRecordAfterName(const Str255& name, TFormulaRecord& record, Str255& text);
  uint32_t ReadFourCharToken();

  uint16_t binary_ = 0;
  // Whether the last token was longer than a stored string.
  bool tokenCut_ = false;
  // Whether the current record holds raw bytes, and where its contents start.
  bool rawRecord_ = false;
  int32_t contentsStart_ = 0;
  // The verbatim text of the current object's records that nothing read.
  std::string unread_;
};
