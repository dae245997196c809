#pragma once
// A metafile picture on the world window: pasted from the clipboard or a picture resource. It
// may be carried by a body instead of being drawn in its own frame, and a run may show and hide
// it by a recorded value (shown while the value is positive). Documents keep the picture both
// as metafile data and as a Macintosh picture, so that either platform can read it.
//
//   TGadget (398) > TPictGadgetBase (399) > TPictGadget (525)

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "bodies/BodyPicture.h"
#include "core/Handle.h"
#include "core/port/Picture.h"
#include "inout/gadgets/Gadget.h"
#include "model/Formula.h"
#include "model/world/WorldParticipants.h"

inline constexpr uint32_t kPictGadgetTag = MakeTag("picg");
// Attachment and visibility; size; the picture (metafile form, then Macintosh form); an older
// metafile form, read only.
inline constexpr int16_t kBlockPictAttachment = 5240;
inline constexpr int16_t kBlockPictSize = 5243;
inline constexpr int16_t kBlockPicture = 10013;
inline constexpr int16_t kBlockOldMetafile = 10021;
// Class of the bodies a picture may be attached to.
inline constexpr int16_t kBodyClass = 523;
// The quantity that shows the picture while its value is positive, and the code it is known by.
inline constexpr uint32_t kTagPictureVisibility = MakeTag("piAc");
inline constexpr int16_t kPictureVisibilityCode = 1600;
// The action that gives the gadget its picture's own size, offered while its size differs.
inline constexpr uint32_t kTagDefaultSize = MakeTag("defS");

// Turns a stored Macintosh picture into a metafile picture; installed by the application.
using TPictureConverter = std::function<std::optional<METAFILEPICT>(const std::vector<uint8_t>&)>;

// The menu command an unattached picture offers (attach it to a body) and an attached one
// (let its body go).
inline constexpr int16_t kCmdAttachPicture = 2541;
inline constexpr int16_t kCmdDetachPicture = 2542;

class TPictGadgetBase : public TGadget,
                        public TFrameParticipant,
                        public TBodyPicture,
                        public TCarriedObject {
  DECLARE_CLASS_ID(399, TGadget)

 public:
  TPictGadgetBase() = default;
  ~TPictGadgetBase() override;
  void Initialize() override;

  void DisposePicture();
  // Takes ownership of the picture and sizes the gadget to it. Without a picture the gadget
  // shows the bitmap resource of that number instead; a number the resource libraries lack
  // fails with -108 and changes nothing.
  virtual void SetPicture(PictureRec* picture, int16_t resource = 0);
  virtual PictureRec* GetPicture();
  int16_t GetPictureResource() const { return resource_; }
  void RestoreDefaultSize();

  // Attaching: flag set attaches a different body (null: none), which then carries the picture
  // in place of its shape; flag clear detaches the attached one. Anything else does nothing.
  virtual void AttachTo(TLink* body, bool flag);
  TLink* GetAttachedBody() const { return attached_; }
  TLink* GetCarrier() const override { return attached_; }
  void ObjectRemoved(TLink* object) override;
  // The menu command the picture offers: attach while unattached, detach while attached.
  int16_t CommandNumber() const {
    return attached_ != nullptr ? kCmdDetachPicture : kCmdAttachPicture;
  }

  // What the carrying body asks of the picture.
  TLink& PictureLink() override { return *this; }
  void LinkToBody(TMass* body, bool attached) override;
  void BodyGone(TMass* body) override;
  bool FollowsBody() const override { return attached_ != nullptr; }
  MacRect PictureBounds() const override { return GetFrame(); }
  void PlacePicture(MacPoint topLeft) override;
  bool HitsPicture(MacPoint point) override { return ContainsPointInFrame(point); }
  bool PictureInRect(const MacRect& rect) override { return IntersectsRect(rect); }
  void DrawCarried(const MacRect& area) override;
  void HighlightCarried(bool was, bool is) override { DrawSelection(was, is); }
  // An attached picture is drawn and pressed through its body only.
  void DrawOnWindow(const MacRect& area) override;
  MacRect WindowFrame() const override { return attached_ != nullptr ? MacRect() : GetFrame(); }
  void DrawWindowSelection() override {
    if (attached_ == nullptr) TGadget::DrawWindowSelection();
  }
  bool HitWindowHandle(MacPoint point, int16_t& handle) override {
    return attached_ == nullptr && TGadget::HitWindowHandle(point, handle);
  }

  // Visibility during a run: a formula is recorded with every frame, and the picture shows
  // while its value at the frame shown is positive. A constant hides nothing.
  void SetVisibilityFormula(const TFormula& formula);
  const TFormula& GetVisibilityFormula() const { return *visibility_; }
  void SetFormulaInUse(bool on) { formulaInUse_ = on; }
  bool IsFormulaInUse() const { return formulaInUse_; }
  bool IsVisible() const { return visible_; }
  // The recorded value of the visibility quantity at the frame now shown.
  void ShowRecordedVisibility(double value);
  bool IsDisplayed() const;
  // The code of one of its quantities (the visibility formula's), else 0.
  int16_t QuantityCode(const TFormula* formula) const;

  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  void ForEachFormula(void (*function)(TFormula*, void*), void* context) override;
  void FormulaChanged(TFormula* formula) override;
  // The visibility formula is recorded, and filed, only while it is a formula.
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  void ReadElements(int32_t count, TObjectReader& reader) override;
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;

  void DrawContents(const MacRect& area) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  // Replaces the picture without resizing the gadget (a picture decoded after reading).
  void StorePicture(PictureRec* picture) {
    DisposePicture();
    picture_ = picture;
  }

 private:
  PictureRec* picture_ = nullptr;
  int16_t resource_ = 0;
  TLink* attached_ = nullptr;
  double attachmentValue_ = 1.0;
  std::unique_ptr<TFormula> visibility_ = std::make_unique<TFormula>();
  bool formulaInUse_ = false;
  bool visible_ = true;
};

class TPictGadget : public TPictGadgetBase {
  DECLARE_CLASS_ID(525, TPictGadgetBase)

 public:
  // The bytes of an empty Macintosh picture: size 10, frame (0, 10, 0, 10), big-endian.
  static const std::vector<uint8_t>& EmptyMacPicture();
  static void SetPictureConverter(TPictureConverter converter);

  TPictGadget() = default;
  ~TPictGadget() override;
  void Initialize() override;

  void SetPicture(PictureRec* picture, int16_t resource = 0) override;
  PictureRec* GetPicture() override;
  // Keeps the contents of a picture block read from a document; decoded when first needed.
  void TakeStoredPicture(int16_t code, std::vector<uint8_t> bytes);
  // Decodes what was read, once.
  void DecodeReadPicture();
  const std::vector<uint8_t>& GetMacPicture() const { return macPicture_; }

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // The metafile form: mapping mode, x and y extents and 0 (16 bits each, host order), then the
  // metafile bits. Empty when there is no picture or its metafile has no bits.
  std::vector<uint8_t> MetafileForm();
  // The picture of a metafile form; null when it is shorter than its header or its bits are
  // no metafile.
  static PictureRec* PictureOfMetafileForm(const std::vector<uint8_t>& form);

  std::optional<std::vector<uint8_t>> old_;     // a block 10021
  std::optional<std::vector<uint8_t>> first_;   // the first block 10013
  std::optional<std::vector<uint8_t>> second_;  // the second block 10013
  std::vector<uint8_t> macPicture_;             // kept for writing
  bool writingSecond_ = false;
};

void RegisterPictGadgetClass();
// A new picture gadget showing the metafile picture record a "PICT" scrap holds, sized to it;
// null when the scrap is too short for a record or holds no metafile.
std::unique_ptr<TLink> MakePictureGadgetOfScrap(Handle scrap);
