#pragma once
// The views that hold what a copy puts on the clipboard, in the manner of a desk scrap, until a
// later copy replaces them. The application keeps the last one as its clipboard view and reads
// pastes through it.
//
//   TScrapView         (364) the program's own object stream
//   TPictureScrapView  (365) adds up to two further forms (a metafile picture, text) and can
//                      draw the picture

#include <array>
#include <cstdint>

#include "core/Handle.h"
#include "core/Tag.h"
#include "model/command/ClipboardHolder.h"
#include "platform/win32/GdiTypes.h"
#include "ui/views/WrappedWindow.h"

// The program's own object stream on the clipboard, the picture and the text.
inline constexpr uint32_t kObjectScrapType = MakeTag("ZAZU");
inline constexpr uint32_t kPictureScrapType = MakeTag("PICT");
inline constexpr uint32_t kTextScrapType = MakeTag("TEXT");
// An empty slot's type: four blanks.
inline constexpr uint32_t kNoScrapType = MakeTag("    ");
// The view holds no object stream.
inline constexpr int16_t kErrNoScrapData = -102;

class TScrapView : public TWrappedWindow, public TClipboardHolder {
  DECLARE_CLASS_ID(364, TWrappedWindow)

 public:
  TScrapView() = default;
  ~TScrapView() override;
  TScrapView(const TScrapView&) = delete;
  TScrapView& operator=(const TScrapView&) = delete;

  // Takes over data, or without it reads the clipboard's object stream (a negative answer of
  // the clipboard is raised). The view has no superview and no window.
  void IScrapView(Handle data, TWrappedWindow* owner);

  virtual bool HasScrapType(uint32_t scrapType) const;
  // The object stream's size, copied into destination when there is one; -102 without data.
  // Other types are read from the clipboard.
  int32_t GetScrapData(Handle destination, uint32_t scrapType) override;
  // Puts the object stream on the clipboard (failures raised).
  virtual void WriteScrap();
  // A later claim replaced this view for good: it goes.
  void ReleaseClaim() override;

  Handle Data() const { return data_; }
  uint32_t ScrapType() const { return scrapType_; }
  TWrappedWindow* ScrapOwner() const { return scrapOwner_; }

 protected:
  void WriteOwnData();

 private:
  Handle data_ = nullptr;
  uint32_t scrapType_ = kObjectScrapType;
  TWrappedWindow* scrapOwner_ = nullptr;
};

class TPictureScrapView : public TScrapView {
  DECLARE_CLASS_ID(365, TScrapView)

 public:
  static constexpr int kSlotCount = 2;
  // The mapping mode the picture is kept in.
  static constexpr LONG kPictureMapMode = MM_ISOTROPIC;

  TPictureScrapView() = default;
  ~TPictureScrapView() override;

  void IPictureScrapView(Handle data, TWrappedWindow* owner);

  // Adds a further form. For "PICT" data holds a metafile picture record whose metafile is
  // copied by playing it (the caller keeps data); any other type takes data over. A form of a
  // type already held replaces it in its slot. A third distinct type is refused: false, and
  // data is freed.
  bool AddScrapData(uint32_t scrapType, Handle data);

  bool HasScrapType(uint32_t scrapType) const override;
  // Empties the clipboard first; only when that succeeds writes the object stream and each
  // further form.
  void WriteScrap() override;

  // The picture's size is its extents as the screen shows them; without a picture the stored
  // size.
  void GetSize(TViewPoint& size) const override;
  // Draws the picture into the view's extent.
  void Draw(const MacRect& area) override;
  void DrawContents() override;

  // The slot's type (blank when empty) and data.
  uint32_t SlotType(int slot) const { return slotTypes_[static_cast<size_t>(slot)]; }
  Handle SlotData(int slot) const { return slotData_[static_cast<size_t>(slot)]; }
  // The picture record, or null before a picture was added.
  const METAFILEPICT* Picture() const;

 private:
  void FreeSlot(int slot);

  std::array<Handle, kSlotCount> slotData_{};
  std::array<uint32_t, kSlotCount> slotTypes_{kNoScrapType, kNoScrapType};
  std::array<int16_t, kSlotCount> slotFlags_{};
  // A METAFILEPICT.
  Handle picture_ = nullptr;
};
