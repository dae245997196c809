#include "app/shell/AboutDialog.h"

#include <string>

#include "platform/win32/Dialog.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Version.h"

namespace {

struct VersionItem {
  const char* key;
  int32_t item;
};

// The legal notice and two further notices fill items 14 to 16.
constexpr VersionItem kVersionItems[] = {
    {"CompanyName", 10},     {"MailingAddress", 11},  {"ZIPCode", 12},
    {"ProductVersion", 13},  {"LegalCopyright", 14},  {"LegalTrademarks", 15},
    {"Comments", 16},        {"InternalName", 20},    {"HomePage", 21},
};

constexpr char kStringFileInfo[] = "\\StringFileInfo\\040904b0\\";

}  // namespace

namespace {

std::vector<uint8_t> VersionBlockOf(HMODULE module) {
  const uint32_t size = GetFileVersionInfoSize(module);
  if (size == 0) return {};
  // One byte more than the block, cleared, as the version calls expect.
  std::vector<uint8_t> block(size + 1u, 0);
  if (!GetFileVersionInfo(module, size + 1u, block.data())) return {};
  return block;
}

}  // namespace

std::string ProductVersionOf(HMODULE module) {
  const std::vector<uint8_t> block = VersionBlockOf(module);
  std::string version;
  if (block.empty() ||
      !VerQueryValueText(block.data(), static_cast<uint32_t>(block.size()),
                         std::string(kStringFileInfo) + "ProductVersion", &version))
    return {};
  return version;
}

void TAboutDialog::ReadVersionBlock() { versionBlock_ = VersionBlockOf(versionModule_); }

void TAboutDialog::FillItems(HWND dialog, const std::vector<uint8_t>& versionBlock) {
  if (versionBlock.empty()) return;
  for (const VersionItem& entry : kVersionItems) {
    std::string text;
    if (!VerQueryValueText(versionBlock.data(), static_cast<uint32_t>(versionBlock.size()),
                           std::string(kStringFileInfo) + entry.key, &text)) {
      continue;
    }
    SetDlgItemText(dialog, entry.item, text.c_str());
  }
}

intptr_t TAboutDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  // OK and Cancel (Return, Escape or the close box) end the box with their number.
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    EndDialog(dialog, LOWORD(wParam));
    return 1;
  }
  if (message != WM_INITDIALOG) return 0;
  auto* self = reinterpret_cast<TAboutDialog*>(lParam);
  self->ReadVersionBlock();
  FillItems(dialog, self->versionBlock_);
  return 1;
}

intptr_t TAboutDialog::DoModal(HWND owner) {
  return DialogBoxParam(nullptr, MAKEINTRESOURCEA(kTemplate), owner, DialogProc,
                        reinterpret_cast<LPARAM>(this));
}
