// The world's settings, window and view blocks: each is written from the world's settings (and
// its window's, while one is open) and read back into them in the same order.

#include "model/world/WorldSettings.h"

#include <algorithm>

#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"

namespace {

bool saveVersionFlag = false;

bool IsSettingsCode(int16_t code) {
  switch (code) {
    case kBlockWorldRunSettings:
    case kBlockWorldDrawFlags:
    case kBlockWorldVersion:
    case kBlockWorldWindow:
    case kBlockWorldPlacement:
    case kBlockWorldEnd:
    case kBlockWorldVectorOption:
    case kBlockWorldAngleSnap:
      return true;
    default:
      return false;
  }
}

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

uint16_t Bit(int32_t bits, int bit) {
  return static_cast<uint16_t>((bits >> bit) & 1);
}

uint16_t IsClear(uint16_t flag) {
  return flag == 0 ? 1 : 0;
}

}  // namespace

void SetSaveVersionFlag(bool on) {
  saveVersionFlag = on;
}

bool GetSaveVersionFlag() {
  return saveVersionFlag;
}

RGB16Color InvertRGB16Color(const RGB16Color& colour) {
  return {static_cast<uint16_t>(colour.red ^ 0xFFFF), static_cast<uint16_t>(colour.blue ^ 0xFFFF),
          static_cast<uint16_t>(colour.green ^ 0xFFFF)};
}

void TWorldDoc::TakeWindowSettings() {
  TWorldDisplay* display = GetDisplay();
  if (display == nullptr) return;
  const TWindowPlacement placement = display->GetPlacement();
  // A window that was never placed keeps what the document gave.
  if (placement.width > 0) {
    settings_.width = placement.width;
    settings_.height = placement.height;
    settings_.left = placement.left;
    settings_.top = placement.top;
  }
  settings_.gridLines = display->GetShowGrid() ? 1 : 0;
  display->GetFurniture(settings_);
  TWindowRecord record;
  if (display->GetWindowRecord(record)) settings_.placement = record;
}

void TWorldDoc::EraseTrack() {
  if (TWorldDisplay* display = GetDisplay()) display->EraseTracks();
}

void TWorldDoc::GiveWindowSettings() {
  TWorldDisplay* display = GetDisplay();
  if (display == nullptr) return;
  display->SetPlacement({settings_.left, settings_.top, settings_.width, settings_.height});
  display->SetShowGrid(settings_.gridLines != 0);
  display->SetFurniture(settings_);
}

uint16_t TWorldDoc::WriteSettingsBlock(int16_t code, TObjectWriter& writer) {
  if (!IsSettingsCode(code)) return 0;
  const TWorldSettings& s = settings_;
  switch (code) {
    case kBlockWorldRunSettings:
      writer.WriteCode(GetSkipFrames());
      writer.WriteCode(GetTrackingWord());
      writer.WriteCode(s.autoScroll);
      writer.WriteCode(IsClear(s.keepWithinView));
      writer.WriteCode(IsClear(s.showTracks));
      writer.WriteDouble(s.trackInterval);
      writer.WriteCode(s.autoEraseTrack);
      writer.WriteCode(s.trackFrameGap);
      writer.WriteCode(s.trackLength);
      writer.WriteCode(IsClear(s.tracksWhileRunning));
      writer.WriteCode(IsClear(s.tracksWhileReplaying));
      writer.WriteColor(InvertRGB16Color(s.colour));
      writer.WriteCode((s.background != 0 ? 1 : 0) | (s.backgroundPicture != 0 ? 2 : 0));
      return 1;
    case kBlockWorldDrawFlags:
      writer.WriteCode((s.smoothDrawing != 0 ? 1 : 0) | (s.drawOnTop != 0 ? 2 : 0));
      return 1;
    case kBlockWorldVersion:
      writer.WriteCode(GetSaveVersionFlag() ? 3 : s.versionWord);
      return 1;
    case kBlockWorldVectorOption:
      writer.WriteCode(velocityOption_);
      return 1;
    case kBlockWorldAngleSnap:
      writer.WriteCode(angleSnap_);
      return 1;
    case kBlockWorldWindow: {
      writer.WriteIntPoint(MacPoint(Clamp16(s.width), Clamp16(s.height)));
      writer.WriteIntPoint(MacPoint(Clamp16(s.left), Clamp16(s.top)));
      writer.WriteCode(1);
      writer.WriteCode(s.scrollBars);
      writer.WriteCode((IsClear(s.inlineHelp) << 1) | (s.frameIndicator != 0 ? 1 : 0));
      // The coordinates setting is added as it is: a bar shown is 1.
      writer.WriteCode((IsClear(s.helpLine) << 3) + ((s.gridLines != 0 ? 1 : 0) << 2) +
                       ((s.rulers != 0 ? 1 : 0) << 1) + s.coordinates);
      writer.WriteCode(outputDisplay_ & 0xFF);
      return 1;
    }
    case kBlockWorldPlacement:
      writer.WriteCode(kPlacementRecordLength);
      writer.WriteCode(s.placement.flags);
      writer.WriteCode(s.placement.showCommand);
      writer.WriteIntPoint(s.placement.minimized);
      writer.WriteIntPoint(s.placement.maximized);
      writer.WriteIntPoint(MacPoint(s.placement.normal.left, s.placement.normal.top));
      writer.WriteIntPoint(MacPoint(s.placement.normal.right, s.placement.normal.bottom));
      return 1;
    default:
      // The end block is empty.
      return 1;
  }
}

uint16_t TWorldDoc::ReadSettingsBlock(int16_t code, TObjectReader& reader) {
  if (!IsSettingsCode(code)) return 0;
  TWorldSettings& s = settings_;
  switch (code) {
    case kBlockWorldRunSettings: {
      const int32_t skip = reader.ReadInt();
      SetSkipFrames(static_cast<int16_t>(std::clamp(skip, 1, 99)));
      SetTrackingWord(static_cast<int16_t>(reader.ReadInt()));
      s.autoScroll = static_cast<uint16_t>(reader.ReadInt());
      s.keepWithinView = IsClear(static_cast<uint16_t>(reader.ReadInt()));
      s.showTracks = IsClear(static_cast<uint16_t>(reader.ReadInt()));
      s.trackInterval = reader.ReadReal();
      s.autoEraseTrack = static_cast<uint16_t>(reader.ReadInt());
      s.trackFrameGap = static_cast<uint16_t>(reader.ReadInt());
      s.trackLength = static_cast<uint16_t>(reader.ReadInt());
      s.tracksWhileRunning = IsClear(static_cast<uint16_t>(reader.ReadInt()));
      s.tracksWhileReplaying = IsClear(static_cast<uint16_t>(reader.ReadInt()));
      RGB16Color colour;
      reader.ReadColor(colour);
      s.colour = InvertRGB16Color(colour);
      const int32_t bits = reader.ReadInt();
      s.background = Bit(bits, 0);
      s.backgroundPicture = Bit(bits, 1);
      return 1;
    }
    case kBlockWorldDrawFlags: {
      const int32_t bits = reader.ReadInt();
      s.smoothDrawing = Bit(bits, 0);
      s.drawOnTop = Bit(bits, 1);
      return 1;
    }
    case kBlockWorldVersion:
      s.versionWord = static_cast<int16_t>(reader.ReadInt());
      return 1;
    case kBlockWorldVectorOption:
      // The objects read after the world take it as they join.
      velocityOption_ = reader.ReadInt() != 0 ? 1 : 0;
      return 1;
    case kBlockWorldAngleSnap:
      angleSnap_ = reader.ReadInt() != 0 ? 1 : 0;
      return 1;
    case kBlockWorldWindow: {
      MacPoint size;
      MacPoint corner;
      reader.ReadIntPoint(size);
      reader.ReadIntPoint(corner);
      s.width = size.h;
      s.height = size.v;
      s.left = corner.h;
      s.top = corner.v;
      reader.ReadInt();
      s.scrollBars = static_cast<uint16_t>(reader.ReadInt());
      const int32_t help = reader.ReadInt();
      s.inlineHelp = IsClear(Bit(help, 1));
      s.frameIndicator = Bit(help, 0);
      const int32_t furniture = reader.ReadInt();
      s.helpLine = IsClear(Bit(furniture, 3));
      s.gridLines = Bit(furniture, 2);
      s.rulers = Bit(furniture, 1);
      s.coordinates = Bit(furniture, 0);
      outputDisplay_ = reader.ReadInt() & 0xFF;
      GiveWindowSettings();
      return 1;
    }
    case kBlockWorldPlacement: {
      const int32_t length = reader.ReadInt();
      TWindowRecord record;
      record.flags = static_cast<int16_t>(reader.ReadInt());
      record.showCommand = static_cast<int16_t>(reader.ReadInt());
      reader.ReadIntPoint(record.minimized);
      reader.ReadIntPoint(record.maximized);
      MacPoint topLeft;
      MacPoint bottomRight;
      reader.ReadIntPoint(topLeft);
      reader.ReadIntPoint(bottomRight);
      record.normal = MacRect(topLeft.h, topLeft.v, bottomRight.h, bottomRight.v);
      // A record of another length is not a placement: the window keeps its own.
      if (length == kPlacementRecordLength) s.placement = record;
      return 1;
    }
    default:
      return 1;
  }
}

uint16_t TWorldDoc::GetViewSetting(uint32_t tag, uint16_t& value) const {
  const TWorldSettings& s = settings_;
  switch (tag) {
    case kTagScrollBars: value = s.scrollBars; return 1;
    case kTagInlineHelp: value = s.inlineHelp; return 1;
    case kTagFrameIndicator: value = s.frameIndicator; return 1;
    case kTagHelpLine: value = s.helpLine; return 1;
    case kTagGridLines:
      value = GetDisplay() != nullptr ? (GetDisplay()->GetShowGrid() ? 1 : 0) : s.gridLines;
      return 1;
    case kTagRulers: value = s.rulers; return 1;
    case kTagCoordinates: value = s.coordinates; return 1;
    case kTagOutputDisplay:
      value = outputDisplay_ == 1 ? 0 : static_cast<uint16_t>(outputDisplay_);
      return 1;
    case kTagTrackThreads:
      value = IsClear(s.tracksWhileRunning) | IsClear(s.tracksWhileReplaying);
      return 1;
    case kTagBackground: value = s.background; return 1;
    default: return 0;
  }
}

uint16_t TWorldDoc::SetViewSetting(uint32_t tag, uint16_t value) {
  TWorldSettings& s = settings_;
  switch (tag) {
    case kTagScrollBars: s.scrollBars = value; return 1;
    case kTagInlineHelp: s.inlineHelp = value; return 1;
    case kTagFrameIndicator: s.frameIndicator = value; return 1;
    case kTagHelpLine: s.helpLine = value; return 1;
    case kTagGridLines:
      s.gridLines = value != 0 ? 1 : 0;
      if (GetDisplay() != nullptr) GetDisplay()->SetShowGrid(value != 0);
      return 1;
    case kTagRulers: s.rulers = value; return 1;
    case kTagCoordinates: s.coordinates = value != 0 ? 1 : 0; return 1;
    case kTagOutputDisplay: outputDisplay_ = value; return 1;
    case kTagTrackThreads:
      // On: tracks both while running and while replaying; off: neither.
      s.tracksWhileRunning = s.tracksWhileReplaying = IsClear(value);
      return 1;
    case kTagBackground: s.background = value != 0 ? 1 : 0; return 1;
    default: return 0;
  }
}
