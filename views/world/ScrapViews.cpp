#include "views/world/ScrapViews.h"

#include <cstring>

#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/port/Picture.h"
#include "platform/win32/Metafile.h"

namespace {

constexpr int16_t kErrNoMemory = -108;

// A copy of the metafile recorded by playing it; null when playing fails.
HMETAFILE CopyByPlaying(HMETAFILE source) {
  if (source == nullptr) return nullptr;
  const HDC recorder = CreateMetaFile(nullptr);
  if (recorder == nullptr) return nullptr;
  const bool played = PlayMetaFile(recorder, source) != FALSE;
  const HMETAFILE copy = CloseMetaFile(recorder);
  if (played) return copy;
  if (copy != nullptr) DeleteMetaFile(copy);
  return nullptr;
}

METAFILEPICT ReadPicture(Handle handle) {
  METAFILEPICT picture;
  std::memcpy(&picture, HandleData(handle), sizeof picture);
  return picture;
}

void WritePicture(Handle handle, const METAFILEPICT& picture) {
  std::memcpy(HandleData(handle), &picture, sizeof picture);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TScrapView

TScrapView::~TScrapView() { FreeHandleIfAny(data_); }

void TScrapView::IScrapView(Handle data, TWrappedWindow* owner) {
  scrapOwner_ = owner;
  TViewPoint location;
  TViewPoint size;
  InitFromParent(nullptr, nullptr, location, size, 4, 4);
  scrapType_ = kObjectScrapType;
  if (data != nullptr) {
    data_ = data;
    return;
  }
  data_ = AllocHandle(0);
  const int16_t error = GetClipboardScrap(data_, kObjectScrapType);
  if (error < 0) {
    data_ = FreeHandleIfAny(data_);
    ThrowFailure(error, 0);
  }
}

bool TScrapView::HasScrapType(uint32_t scrapType) const { return scrapType == kObjectScrapType; }

int32_t TScrapView::GetScrapData(Handle destination, uint32_t scrapType) {
  if (scrapType != kObjectScrapType) {
    const int16_t error = GetScrap(destination, scrapType);
    if (error != 0) return error;
    return destination != nullptr ? static_cast<int32_t>(GetHandleByteSize(destination)) : 0;
  }
  if (data_ == nullptr) return kErrNoScrapData;
  const uint32_t size = GetHandleByteSize(data_);
  if (destination != nullptr) FailIfError(SetHandleFromBytes(HandleData(data_), destination, size));
  return static_cast<int32_t>(size);
}

void TScrapView::WriteOwnData() {
  if (data_ != nullptr) FailIfError(PutClipboardScrap(kObjectScrapType, data_));
}

void TScrapView::WriteScrap() { WriteOwnData(); }

void TScrapView::ReleaseClaim() { delete this; }

// ---------------------------------------------------------------------------------------------
// TPictureScrapView

TPictureScrapView::~TPictureScrapView() {
  for (int slot = 0; slot < kSlotCount; ++slot)
    FreeSlot(slot);
  if (picture_ != nullptr) {
    const METAFILEPICT picture = ReadPicture(picture_);
    if (picture.hMF != nullptr) DeleteMetaFile(picture.hMF);
    FreeHandle(picture_);
  }
}

void TPictureScrapView::IPictureScrapView(Handle data, TWrappedWindow* owner) {
  slotData_.fill(nullptr);
  slotTypes_.fill(kNoScrapType);
  slotFlags_.fill(0);
  picture_ = AllocHandle(sizeof(METAFILEPICT));
  WritePicture(picture_, METAFILEPICT{});
  IScrapView(data, owner);
}

const METAFILEPICT* TPictureScrapView::Picture() const {
  return picture_ != nullptr ? reinterpret_cast<const METAFILEPICT*>(HandleData(picture_)) : nullptr;
}

void TPictureScrapView::FreeSlot(int slot) {
  const auto index = static_cast<size_t>(slot);
  // The picture slot holds the view's own picture record, freed with the view.
  if (slotData_[index] != nullptr && slotData_[index] != picture_) FreeHandle(slotData_[index]);
  slotData_[index] = nullptr;
}

bool TPictureScrapView::AddScrapData(uint32_t scrapType, Handle data) {
  const bool isPicture = scrapType == kPictureScrapType;
  int slot = -1;
  for (int i = 0; i < kSlotCount && slot < 0; ++i) {
    const uint32_t held = slotTypes_[static_cast<size_t>(i)];
    if (held == kNoScrapType || held == scrapType) slot = i;
  }
  if (slot < 0) {
    // Both slots hold other forms: this one is refused, and the data it came with goes.
    if (!isPicture) FreeHandleIfAny(data);
    return false;
  }
  if (isPicture) {
    if (picture_ == nullptr || data == nullptr || GetHandleByteSize(data) < sizeof(METAFILEPICT))
      ThrowFailure(kErrNoMemory, 0);
    const METAFILEPICT recorded = ReadPicture(data);
    METAFILEPICT kept = ReadPicture(picture_);
    if (kept.hMF != nullptr) DeleteMetaFile(kept.hMF);
    kept.mm = kPictureMapMode;
    kept.xExt = recorded.xExt;
    kept.yExt = recorded.yExt;
    kept.hMF = CopyByPlaying(recorded.hMF);
    WritePicture(picture_, kept);
  }
  const auto index = static_cast<size_t>(slot);
  if (slotTypes_[index] == scrapType) FreeSlot(slot);
  slotTypes_[index] = scrapType;
  slotData_[index] = isPicture ? picture_ : data;
  return true;
}

bool TPictureScrapView::HasScrapType(uint32_t scrapType) const {
  if (TScrapView::HasScrapType(scrapType)) return true;
  for (const uint32_t held : slotTypes_)
    if (held != kNoScrapType && held == scrapType) return true;
  return false;
}

void TPictureScrapView::WriteScrap() {
  if (!EmptyClipboardScrap()) return;
  WriteOwnData();
  for (int slot = 0; slot < kSlotCount; ++slot) {
    const auto index = static_cast<size_t>(slot);
    if (slotTypes_[index] == kNoScrapType || slotData_[index] == nullptr) continue;
    FailIfError(PutClipboardScrap(slotTypes_[index], slotData_[index]));
  }
}

void TPictureScrapView::GetSize(TViewPoint& size) const {
  const METAFILEPICT* picture = Picture();
  if (picture == nullptr || picture->hMF == nullptr) {
    TScrapView::GetSize(size);
    return;
  }
  // The extents are hundredths of a millimetre: the size is what they show as on the screen.
  PictureRec* shown = PictureFromMetafile(picture->mm, picture->xExt, picture->yExt, nullptr);
  size = TViewPoint{shown->frame.right - shown->frame.left, shown->frame.bottom - shown->frame.top};
  KillPicture(shown);
}

void TPictureScrapView::Draw(const MacRect& area) {
  const METAFILEPICT* picture = Picture();
  if (picture == nullptr || picture->hMF == nullptr) return;
  PictureRec* drawn = PictureFromMetafile(picture->mm, picture->xExt, picture->yExt, picture->hMF);
  DrawPicture(drawn, area, false);
  KillPicture(drawn);
}

void TPictureScrapView::DrawContents() {
  MacRect extent;
  GetExtentInPort(extent);
  Draw(extent);
}
