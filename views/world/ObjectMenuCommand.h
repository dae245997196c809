#pragma once
// The text-style commands of the selection, by number: each changes the text style of every
// selected object that carries one (the names of bodies, points and constraints, the text of
// gadgets), as one undoable change.
//   1151 to 1158   the text colour: black, white, red, green, blue, cyan, magenta, yellow
//   1601 to 1699   the text size in points, the number less 1600 (the size tag "sizT")
//   11001          plain text: every face bit off
//   11002 to 11008 one face bit each: bold, italic, underline, outline, shadow, condensed,
//                  extended; set on every target unless all of them have it, then cleared

#include <cstdint>
#include <memory>
#include <vector>

#include "core/port/PortText.h"
#include "model/command/PropertyOps.h"

class TWorldDoc;

class TObjectMenuCommand : public TPropertyOp {
 public:
  static constexpr uint32_t kSizeTag = MakeTag("sizT");

  // Whether the number is one of the commands.
  static bool IsObjectMenuCommand(int16_t command);
  // The command for the number on the selected objects that carry a text style; null for a
  // number that is none of the commands or a selection without such an object.
  static std::unique_ptr<TObjectMenuCommand> Make(int16_t command, TWorldDoc& world,
                                                  const std::vector<TLink*>& selection);

  // The size tag for the size commands, else 0.
  uint32_t GetTag() const { return tag_; }
  void ApplyTo(TLink* object) override;
  // The world shows the style taken back or given again.
  void Undo() override;
  void Redo() override;

 private:
  // The face bit of 11002 to 11008, or 0.
  static uint8_t FaceBit(int16_t command);

  int16_t command_ = 0;
  uint32_t tag_ = 0;
  // The face bit of a face command, and whether it is set (else cleared) on every target.
  uint8_t faceBit_ = 0;
  bool setFace_ = true;
};
