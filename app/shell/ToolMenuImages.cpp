#include "app/shell/ToolMenuImages.h"

#include <map>
#include <utility>

#include "platform/win32/Bitmap.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Resource.h"

namespace {

// The tools' command numbers, which are also the numbers of their pictures.
constexpr UINT kFirstTool = 2000;
constexpr UINT kLastTool = 2999;
constexpr UINT kChosenOffset = 10000;

struct Images {
  HBITMAP plain = nullptr;
  HBITMAP chosen = nullptr;
};

std::map<UINT, Images>& Loaded() {
  static std::map<UINT, Images> images;
  return images;
}

HBITMAP LoadPicture(UINT number) {
  return LoadBitmap(nullptr, MAKEINTRESOURCEA(static_cast<uint16_t>(number)));
}

// The pictures of a tool, loaded when first asked for; none for a command without them.
const Images& ImagesOf(UINT command) {
  auto found = Loaded().find(command);
  if (found != Loaded().end()) return found->second;
  Images images;
  images.plain = LoadPicture(command);
  if (images.plain != nullptr) images.chosen = LoadPicture(command + kChosenOffset);
  // Without a picture of its own the chosen tool shows its plain one.
  if (images.chosen == nullptr) images.chosen = images.plain;
  return Loaded().emplace(command, images).first->second;
}

template <class Visit>
void ForEachItem(HMENU menu, const Visit& visit) {
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    if (HMENU submenu = GetSubMenu(menu, i)) {
      ForEachItem(submenu, visit);
      continue;
    }
    visit(menu, i, GetMenuItemID(menu, i));
  }
}

bool IsTool(UINT id) { return id >= kFirstTool && id <= kLastTool; }

}  // namespace

void AttachToolMenuImages(HMENU bar) {
  if (bar == nullptr) return;
  ForEachItem(bar, [](HMENU menu, int32_t position, UINT id) {
    if (!IsTool(id)) return;
    const Images& images = ImagesOf(id);
    if (images.plain == nullptr) return;
    SetMenuItemBitmaps(menu, static_cast<UINT>(position), MF_BYPOSITION, images.plain,
                       images.chosen);
  });
}

void FreeToolMenuImages(HMENU shown) {
  if (shown != nullptr && IsMenu(shown)) {
    ForEachItem(shown, [](HMENU menu, int32_t position, UINT id) {
      if (IsTool(id))
        SetMenuItemBitmaps(menu, static_cast<UINT>(position), MF_BYPOSITION, nullptr, nullptr);
    });
  }
  for (auto& [command, images] : Loaded()) {
    if (images.chosen != nullptr && images.chosen != images.plain) DeleteObject(images.chosen);
    if (images.plain != nullptr) DeleteObject(images.plain);
  }
  Loaded().clear();
}
