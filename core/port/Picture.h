#pragma once
// Metafile pictures: drawing recorded into a metafile between OpenPicture and ClosePicture (every
// selection mirrored into a reference context, because a recording context does not answer the
// object it replaces), and pictures drawn back transparently, or mapped onto a printed page.

#include <cstdint>

#include "core/MacTypes.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Icon.h"

struct PictureRec {
  MacRect frame;
  int32_t bitmapId = 0;  // 0 for a metafile picture
  int32_t mapMode = MM_TEXT;
  int32_t xExtent = 0;
  int32_t yExtent = 0;
  HMETAFILE metafile = nullptr;
  // The cached images: of the part cachedPart of a destination cachedWidth x cachedHeight
  // (the part that was visible), with -1 for no cached images.
  int32_t cachedWidth = -1;
  int32_t cachedHeight = -1;
  RECT cachedPart{};
  HBITMAP mask = nullptr;
  HBITMAP image = nullptr;
};

// Starts recording into a new picture of that frame (a recording in progress is discarded).
PictureRec* OpenPicture(const MacRect& frame);
// Ends the recording; answers its metafile (null when nothing was recorded).
HMETAFILE ClosePicture();
bool IsPictureRecording();
// Discards a recording in progress: the metafile is closed and deleted and the port's context
// and window cleared.
void AbandonPictureRecording();
// The recording context and its reference context while a picture is recorded.
HDC PictureMetafileDC();
HDC PictureReferenceDC();

// Draws a picture into the current port's context at the destination: transparently where the
// picture did not draw, or, while printing, mapped onto the destination. A bitmap picture is
// stretched from 16 x 16, its bitmap taken from the main resource library (or, with the flag,
// from whichever library holds it).
void DrawPicture(PictureRec* picture, const MacRect& destination, bool fromFrameworkResources);
// The shared picture of a 16 x 16 bitmap resource (each call describes the newest id).
PictureRec* GetPicture(int32_t bitmapId);
// Deletes the picture's metafile and cached images, and the record (the shared bitmap picture
// is only cleared).
void KillPicture(PictureRec* picture);
// A picture of a metafile description (clipboard, import): the metafile is copied; the frame
// comes from the extents.
PictureRec* PictureFromMetafile(int32_t mapMode, int32_t xExtent, int32_t yExtent,
                                HMETAFILE metafile);

// The program's tool icons, loaded by name from its resource libraries at start-up.
inline constexpr int kToolIconCount = 27;
extern const char* const kToolIconNames[kToolIconCount];
// Loads every tool icon; one the libraries lack stays null.
void LoadToolIcons();
// The tool icon of that name (ASCII case ignored); null when it is not a tool icon or was not
// found.
HICON GetToolIcon(const char* name);
// An icon of the program's resource libraries (searched main, second, errors), by name or
// MAKEINTRESOURCE id; null when none holds it.
HICON LoadAppIcon(LPCSTR name);
// Draws the icon centred on (h, v) in the current port: directly, or while printing composed
// with its mask in 32 x 32 memory contexts and stretched onto the page, so that the page keeps
// what lies under the transparent parts. False for a null icon or without a port context.
bool DrawIconMasked(HICON icon, int16_t h, int16_t v);
