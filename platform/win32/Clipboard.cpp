#include "platform/win32/Clipboard.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/win32/GdiObjects.h"
#include "platform/win32/Message.h"
#include "platform/win32/ResourceText.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPresenter.h"

// ---------------------------------------------------------------------------------------------
// Global memory.

namespace {

struct GlobalBlock {
  std::vector<uint8_t> bytes;
  int32_t locks = 0;
};

std::map<void*, std::unique_ptr<GlobalBlock>>& Blocks() {
  static std::map<void*, std::unique_ptr<GlobalBlock>> blocks;
  return blocks;
}

GlobalBlock* FindBlock(HGLOBAL handle) {
  auto found = Blocks().find(handle);
  return found == Blocks().end() ? nullptr : found->second.get();
}

}  // namespace

HGLOBAL GlobalAlloc(UINT, size_t bytes) {
  auto block = std::make_unique<GlobalBlock>();
  block->bytes.assign(bytes, 0);  // always zeroed: nothing stale leaks onto the clipboard
  void* handle = block.get();
  Blocks().emplace(handle, std::move(block));
  return handle;
}

HGLOBAL GlobalReAlloc(HGLOBAL handle, size_t bytes, UINT) {
  GlobalBlock* block = FindBlock(handle);
  if (!block || block->locks > 0) return nullptr;
  block->bytes.resize(bytes, 0);
  return handle;
}

void* GlobalLock(HGLOBAL handle) {
  GlobalBlock* block = FindBlock(handle);
  if (!block) return nullptr;
  ++block->locks;
  // A zero-sized block still answers a usable, unique address.
  return block->bytes.empty() ? static_cast<void*>(block) : block->bytes.data();
}

BOOL GlobalUnlock(HGLOBAL handle) {
  GlobalBlock* block = FindBlock(handle);
  if (!block || block->locks == 0) return FALSE;
  return --block->locks > 0 ? TRUE : FALSE;
}

size_t GlobalSize(HGLOBAL handle) {
  const GlobalBlock* block = FindBlock(handle);
  return block ? block->bytes.size() : 0;
}

HGLOBAL GlobalFree(HGLOBAL handle) {
  if (!handle) return nullptr;
  return Blocks().erase(handle) ? nullptr : handle;
}

// ---------------------------------------------------------------------------------------------
// The clipboard.

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;

struct ClipboardState {
  bool open = false;
  HWND opener = nullptr;
  HWND owner = nullptr;
  bool changedSinceOpen = false;
  std::vector<std::pair<UINT, HGLOBAL>> formats;  // in the order they were set
  std::map<std::string, UINT> registered;
  std::map<UINT, std::string> registeredNames;  // as first spelled
  UINT nextRegistered = kFirstRegisteredFormat;
  std::string lastDesktopText;  // what we last exchanged with the desktop, in UTF-8
  HWND viewer = nullptr;        // the head of the clipboard-viewer chain
};

ClipboardState& Clip() {
  static ClipboardState state;
  return state;
}

// The clipboard owns what it holds: memory blocks are freed, bitmaps deleted.
void Release(UINT format, HGLOBAL data) {
  if (format == CF_BITMAP || format == CF_DSPBITMAP)
    DeleteObject(data);
  else
    GlobalFree(data);
}

HGLOBAL Find(UINT format) {
  for (const auto& [id, data] : Clip().formats)
    if (id == format) return data;
  return nullptr;
}

void Remove(UINT format) {
  auto& formats = Clip().formats;
  for (auto it = formats.begin(); it != formats.end(); ++it) {
    if (it->first == format) {
      Release(it->first, it->second);
      formats.erase(it);
      return;
    }
  }
}

HGLOBAL TextBlock(const std::string& text) {
  const HGLOBAL block = GlobalAlloc(GHND, text.size() + 1);
  std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
  GlobalUnlock(block);
  return block;
}

std::string BlockText(HGLOBAL block) {
  const size_t size = GlobalSize(block);
  const char* bytes = static_cast<const char*>(GlobalLock(block));
  if (!bytes) return {};
  const std::string text(bytes, strnlen(bytes, size));
  GlobalUnlock(block);
  return text;
}

// Desktop text that changed since we last saw it becomes our CF_TEXT.
void TakeDesktopText() {
  WindowPresenter* presenter = GetWindowPresenter();
  std::string text;
  if (!presenter || !presenter->GetDesktopText(&text)) return;
  ClipboardState& state = Clip();
  if (text == state.lastDesktopText) return;
  state.lastDesktopText = text;
  for (auto& [id, data] : state.formats)
    Release(id, data);
  state.formats.clear();
  state.owner = nullptr;
  state.formats.emplace_back(CF_TEXT, TextBlock(Utf8ToWindows1252(text)));
}

void GiveDesktopText() {
  WindowPresenter* presenter = GetWindowPresenter();
  if (!presenter) return;
  HGLOBAL text = Find(CF_TEXT);
  if (!text) text = Find(CF_OEMTEXT);
  if (!text) return;
  const std::string utf8 = Windows1252ToUtf8(BlockText(text));
  if (presenter->PutDesktopText(utf8)) Clip().lastDesktopText = utf8;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  ClipboardState& state = Clip();
  if (state.open) return FALSE;
  state.open = true;
  state.opener = owner;
  state.changedSinceOpen = false;
  TakeDesktopText();
  return TRUE;
}

BOOL CloseClipboard() {
  ClipboardState& state = Clip();
  if (!state.open) return FALSE;
  const bool changed = state.changedSinceOpen;
  if (changed) GiveDesktopText();
  state.open = false;
  state.opener = nullptr;
  // Every viewer hears of a change: the head is told, and each viewer passes it on.
  if (changed && state.viewer) SendMessage(state.viewer, WM_DRAWCLIPBOARD, 0, 0);
  return TRUE;
}

HWND SetClipboardViewer(HWND window) {
  ClipboardState& state = Clip();
  if (!IsWindow(window)) return nullptr;
  const HWND next = state.viewer;
  state.viewer = window;
  SendMessage(window, WM_DRAWCLIPBOARD, 0, 0);
  return next;
}

BOOL ChangeClipboardChain(HWND removed, HWND next) {
  ClipboardState& state = Clip();
  if (!removed) return FALSE;
  if (state.viewer == removed) {
    state.viewer = next;
    return TRUE;
  }
  if (state.viewer)
    SendMessage(state.viewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed),
                reinterpret_cast<LPARAM>(next));
  return TRUE;
}

HWND GetClipboardViewer() {
  return Clip().viewer;
}

BOOL EmptyClipboard() {
  ClipboardState& state = Clip();
  if (!state.open) return FALSE;
  for (auto& [id, data] : state.formats)
    Release(id, data);
  state.formats.clear();
  state.owner = state.opener;
  state.changedSinceOpen = true;
  return TRUE;
}

HGLOBAL SetClipboardData(UINT format, HGLOBAL data) {
  ClipboardState& state = Clip();
  if (!state.open || format == 0) return nullptr;
  // Bitmap formats carry a bitmap of the graphics layer; every other format a memory block.
  const bool bitmapFormat = format == CF_BITMAP || format == CF_DSPBITMAP;
  if (data && bitmapFormat && GetObjectType(data) != OBJ_BITMAP) return nullptr;
  if (data && !bitmapFormat && !FindBlock(data)) return nullptr;
  Remove(format);
  state.formats.emplace_back(format, data);
  state.changedSinceOpen = true;
  return data;
}

HGLOBAL GetClipboardData(UINT format) {
  if (!Clip().open) return nullptr;
  if (HGLOBAL data = Find(format)) return data;
  if (format == CF_TEXT) return Find(CF_OEMTEXT);
  if (format == CF_OEMTEXT) return Find(CF_TEXT);
  return nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  if (!Clip().open) TakeDesktopText();
  if (Find(format)) return TRUE;
  if (format == CF_TEXT) return Find(CF_OEMTEXT) ? TRUE : FALSE;
  if (format == CF_OEMTEXT) return Find(CF_TEXT) ? TRUE : FALSE;
  return FALSE;
}

int32_t CountClipboardFormats() {
  return static_cast<int32_t>(Clip().formats.size());
}

UINT EnumClipboardFormats(UINT format) {
  const auto& formats = Clip().formats;
  if (format == 0) return formats.empty() ? 0 : formats.front().first;
  for (size_t i = 0; i + 1 < formats.size(); ++i)
    if (formats[i].first == format) return formats[i + 1].first;
  return 0;
}

UINT RegisterClipboardFormat(const char* name) {
  if (!name || !*name) return 0;
  std::string key(name);
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  ClipboardState& state = Clip();
  auto found = state.registered.find(key);
  if (found != state.registered.end()) return found->second;
  const UINT id = state.nextRegistered++;
  state.registered[key] = id;
  state.registeredNames[id] = name;
  return id;
}

int32_t GetClipboardFormatName(UINT format, char* name, int32_t size) {
  const auto& names = Clip().registeredNames;
  const auto found = names.find(format);
  if (found == names.end() || name == nullptr || size <= 0) return 0;
  const size_t length = std::min(found->second.size(), static_cast<size_t>(size - 1));
  std::memcpy(name, found->second.data(), length);
  name[length] = '\0';
  return static_cast<int32_t>(length);
}

int32_t GetPriorityClipboardFormat(const UINT* formats, int32_t count) {
  if (Clip().formats.empty()) return 0;
  for (int32_t i = 0; formats != nullptr && i < count; ++i) {
    if (IsClipboardFormatAvailable(formats[i])) return static_cast<int32_t>(formats[i]);
  }
  return -1;
}

HWND GetClipboardOwner() {
  return Clip().owner;
}

void ResetClipboard() {
  ClipboardState& state = Clip();
  for (auto& [id, data] : state.formats)
    Release(id, data);
  state.formats.clear();
  state.open = false;
  state.opener = state.owner = nullptr;
  state.lastDesktopText.clear();
  state.viewer = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Windows-1252 and UTF-8.

namespace {

// The bytes Windows-1252 leaves unassigned are the only ones that map to C1 controls; the
// desktop sees '?' for them.
bool IsControlCode(char32_t code) {
  return code >= 0x80 && code < 0xA0;
}

char ByteOf(char32_t code) {
  uint8_t byte = 0;
  if (IsControlCode(code) || !ResourceCharFromUnicode(code, byte)) return '?';
  return static_cast<char>(byte);
}

}  // namespace

std::string Windows1252ToUtf8(const std::string& text) {
  std::string out;
  for (const char c : text) {
    const char32_t code = ResourceCharToUnicode(static_cast<uint8_t>(c));
    AppendUtf8(out, IsControlCode(code) ? U'?' : code);
  }
  return out;
}

std::string Utf8ToWindows1252(const std::string& text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    char32_t code = 0;
    size_t length = 0;
    out.push_back(DecodeUtf8(text, i, code, length) ? ByteOf(code) : '?');
    i += length;
  }
  return out;
}
