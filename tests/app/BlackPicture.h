#pragma once

// A black 20 × 16 picture gadget, recorded as a metafile and adopted by a world, for the tests
// that attach pictures to bodies.

#include <memory>

#include "inout/gadgets/PictGadget.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Metafile.h"

inline TPictGadget& AdoptBlackPicture(TWorldDoc& world, int16_t identifier) {
  HDC recorder = CreateMetaFile(nullptr);
  HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  const RECT all{0, 0, 20, 16};
  FillRect(recorder, &all, black);
  DeleteObject(black);
  HMETAFILE metafile = CloseMetaFile(recorder);
  auto made = std::make_unique<TPictGadget>();
  made->Initialize();
  made->SetIdentifier(identifier);
  made->SetPicture(PictureFromMetafile(MM_ANISOTROPIC, 20, 16, metafile));
  DeleteMetaFile(metafile);
  TPictGadget& picture = *made;
  world.AdoptObject(std::move(made));
  picture.SetSize(MacPoint(20, 16));
  return picture;
}
