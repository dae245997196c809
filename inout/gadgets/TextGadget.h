#pragma once
// A block of free text on the world window: drawn word-wrapped in its one text style and
// alignment, edited in place in a rich edit control laid over it. The text is kept as bytes of
// the Windows character set with CR LF line ends; documents keep it with Macintosh conventions
// (CR line ends, Macintosh codes for a few symbols).

#include <cstdint>
#include <string>

#include "inout/gadgets/Gadget.h"
#include "views/world/GadgetTextField.h"

inline constexpr uint32_t kTextGadgetTag = MakeTag("naep");
// Size and alignment; the text.
inline constexpr int16_t kBlockTextGadgetFrame = 5209;
inline constexpr int16_t kBlockTextGadgetText = 5210;
// Command number of the tracker that places a new text gadget.
inline constexpr int16_t kCommandPlaceText = 1014;
// The tool that places a new text gadget, numbered by its template.
inline constexpr int16_t kTextTool = 2537;
// Identifier of the rich edit control the text is typed into.
inline constexpr int16_t kTextGadgetControlId = 651;
// The command number a text gadget answers for menus.
inline constexpr int16_t kCommandTextGadget = 2537;

class TTextGadget : public TGadget, public TWindowTextGadget {
  DECLARE_CLASS_ID(718, TGadget)

 public:
  static constexpr int16_t kAlignLeft = 1;
  static constexpr int16_t kAlignCentre = 0;
  static constexpr int16_t kAlignRight = -1;
  // Pixels between the frame and the text.
  static constexpr int16_t kTextInset = 5;
  // Narrowest width the placing drag gives.
  static constexpr int16_t kPlacedMinimumWidth = 100;

  TTextGadget() = default;
  ~TTextGadget() override;
  void Initialize() override;

  const std::string& GetText() const { return text_; }
  void SetText(std::string text);
  int16_t GetAlignment() const { return alignment_; }
  MacRect GetTextFrame() const;
  bool IsHeightFitted() const { return heightFitted_; }

  // Editing in place. While editing the gadget draws nothing; the editor owns the text.
  bool IsEditing() const { return editing_; }
  void BeginEditing();
  // Takes back the edited text and the gadget's new size. Answers true when the text is now
  // empty: the gadget is to be removed from the world (it keeps its last text, so that a
  // removal undone brings it back whole). A changed text is fitted again when next drawn.
  bool EndEditing(const std::string& text, MacPoint size);

  // Typing on the world window: a double click in the frame (edges included) begins it, in a
  // rich edit control over the frame less the 4 pixels at its bottom.
  bool StartsTextEdit(MacPoint point) const override;
  bool BeginEditing(TTextEditView& field) override;
  bool EndEditing(TTextEditView& field) override;
  // The rectangle the edit control takes, in view pixels.
  MacRect EditRect() const;

  // The width a placing drag from startH to h gives.
  static int16_t PlacedWidth(int16_t startH, int16_t h);

  void ConstrainSize(MacPoint& size) override;
  // A new style sets the lines apart anew: the height is fitted to them at the next drawing.
  void TextStyleChanged() override;
  void DrawContents(const MacRect& area) override;
  // The text frame is a label area (a press there types into it) for the text tool, or while
  // the gadget is marked: added to the label region and cut out of the third.
  bool RegionMode() const override { return true; }
  void BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third, int16_t code) override;
  // While the text is typed into, the gadget shows no selection handles.
  void DrawWindowSelection() override;

  // Alignment tags "syst" and "left", "cent", "righ": checked when the gadget has that
  // alignment; chosen to set it.
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

  // The stored form of a text and back: line feeds dropped and four symbols recoded.
  static std::string ToStored(const std::string& text);
  static std::string FromStored(const std::string& stored);

 private:
  bool heightFitted_ = false;
  std::string text_;
  int16_t alignment_ = kAlignLeft;
  bool editing_ = false;
};

void RegisterTextGadgetClass();
