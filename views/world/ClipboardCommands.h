#pragma once
// The world's edit commands that go through the clipboard: cut and copy put the selection on
// it as the object stream, a picture and (copy) a text form, held by a picture scrap view that
// the application keeps as its clipboard view; paste places the objects of the clipboard's
// object stream, or a picture gadget showing its picture; clear deletes the selection.

#include <cstdint>
#include <memory>

#include "core/Handle.h"
#include "model/command/CommandCore.h"
#include "views/trackers/DuplicateCommands.h"

class TMainWorldView;
class TPictureScrapView;
class TWorldDeleteCommand;
class TWorldDoc;

inline constexpr int16_t kCmdCut = 103;
inline constexpr int16_t kCmdCopy = 104;
inline constexpr int16_t kCmdPaste = 105;
inline constexpr int16_t kCmdClear = 106;
inline constexpr int16_t kCmdPastePicture = 2011;

class TLink;

// Makes the picture gadget that shows the metafile picture record of a "PICT" scrap, not yet in
// a world; null when the scrap holds no picture. The gadgets install it at start-up.
using PictureGadgetMaker = std::unique_ptr<TLink> (*)(Handle scrap);
void SetPictureGadgetMaker(PictureGadgetMaker maker);

// Pasting a picture: a new picture gadget holding it goes to the window's next free place,
// undoably.
class TPictPasteCommand : public TTracker489 {
  DECLARE_CLASS_ID(524, TTracker489)

 public:
  // False when no gadget can be made of the scrap or the world has no window.
  bool InitPictPaste(TWorldDoc& world, Handle scrap);
  // Shows the wait cursor while the picture is placed.
  void Perform() override;
};

class TCutCopyCommand : public TCommandCore {
 public:
  TCutCopyCommand();
  ~TCutCopyCommand() override;

  // Copy, or with `cut` copy and then delete the selection (undoable). The main view records
  // the picture; without one the clipboard gets no picture.
  void InitCutCopy(int16_t commandNumber, TWorldDoc& world, bool cut, TMainWorldView* mainView);

  // Fills a picture scrap view with the selection, writes it to the clipboard and hands it to
  // the application as its clipboard view. An empty selection changes nothing.
  void Perform() override;
  void Undo() override;
  void Redo() override;

  bool IsCut() const { return cut_; }

 private:
  std::unique_ptr<TPictureScrapView> BuildScrap() const;
  void AddPicture(TPictureScrapView& scrap) const;
  void AddText(TPictureScrapView& scrap) const;

  TWorldDoc* world_ = nullptr;
  TMainWorldView* view_ = nullptr;
  bool cut_ = false;
  std::unique_ptr<TWorldDeleteCommand> deleter_;
};

// Cut, paste and clear first run the world's edit check (which may abandon the command
// silently); copy changes nothing and skips it.
std::unique_ptr<TCommandCore> MakeCutCopyCommand(int16_t commandNumber, TWorldDoc& world,
                                                 TMainWorldView* mainView);
// Chooses by the clipboard's pending type (the object stream wins over a picture and text):
// the object stream makes a placing command, a picture a picture paste; text makes none, as no
// command places it. Null when the clipboard holds nothing to paste.
std::unique_ptr<TCommandCore> MakePasteCommand(int16_t commandNumber, TWorldDoc& world);
std::unique_ptr<TCommandCore> MakeClearCommand(TWorldDoc& world);

// The world's answer to cut, copy, paste and clear outside a text field. `handled` tells
// whether the number was one of these.
TCommandCore* DoClipboardMenuCommand(TMainWorldView& view, int16_t commandNumber, bool& handled);
// Cut, copy and clear with a selection outside player mode; paste there when the
// clipboard holds the object stream, or a picture that a gadget can show.
void SetupClipboardMenus(TWorldDoc& world);
