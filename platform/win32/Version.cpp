#include "platform/win32/Version.h"

#include <cstring>
#include <vector>

#include "platform/win32/ResourceText.h"

namespace {

constexpr uint16_t kVersionResource = 1;
constexpr uint16_t kTypeVersion = 16;
constexpr uint16_t kTextNode = 1;

struct Node {
  size_t end = 0;             // one past the node's last byte
  std::u16string key;
  size_t value = 0;           // where the value starts
  size_t valueBytes = 0;
  uint16_t kind = 0;
  size_t children = 0;        // where the first child starts
};

size_t Align4(size_t offset) {
  return (offset + 3) & ~size_t{3};
}

uint16_t Word(const uint8_t* data, size_t at) {
  return static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
}

// The node at offset, inside [offset, limit); false when it does not fit there.
bool ReadNode(const uint8_t* data, size_t offset, size_t limit, Node* node) {
  if (offset + 6 > limit) return false;
  const uint16_t length = Word(data, offset);
  if (length < 6 || offset + length > limit) return false;
  node->end = offset + length;
  const uint16_t valueLength = Word(data, offset + 2);
  node->kind = Word(data, offset + 4);
  size_t at = offset + 6;
  node->key.clear();
  for (;;) {
    if (at + 2 > node->end) return false;
    const uint16_t unit = Word(data, at);
    at += 2;
    if (unit == 0) break;
    node->key.push_back(static_cast<char16_t>(unit));
  }
  node->value = Align4(at);
  node->valueBytes = node->kind == kTextNode ? size_t{valueLength} * 2 : valueLength;
  if (node->value > node->end || node->valueBytes > node->end - node->value) {
    // A node without a value may end right after its key.
    if (valueLength != 0) return false;
    node->value = node->end;
  }
  node->children = Align4(node->value + node->valueBytes);
  return true;
}

std::u16string Widen(const std::string& key) {
  std::u16string wide;
  for (const char c : key) wide.push_back(static_cast<char16_t>(ResourceCharToUnicode(static_cast<uint8_t>(c))));
  return wide;
}

}  // namespace

uint32_t GetFileVersionInfoSize(HMODULE module) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kVersionResource),
                              MAKEINTRESOURCEA(kTypeVersion));
  return found != nullptr ? SizeofResource(module, found) : 0;
}

bool GetFileVersionInfo(HMODULE module, uint32_t size, void* data) {
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kVersionResource),
                              MAKEINTRESOURCEA(kTypeVersion));
  if (found == nullptr || data == nullptr) return false;
  const uint32_t length = SizeofResource(module, found);
  const void* bytes = LockResource(LoadResource(module, found));
  if (bytes == nullptr || length > size) return false;
  std::memcpy(data, bytes, length);
  return true;
}

bool VerQueryValueText(const void* block, uint32_t size, const std::string& path,
                       std::string* text) {
  if (block == nullptr || text == nullptr) return false;
  const auto* data = static_cast<const uint8_t*>(block);
  Node node;
  if (!ReadNode(data, 0, size, &node)) return false;
  size_t start = 0;
  while (start < path.size()) {
    while (start < path.size() && path[start] == '\\') ++start;
    if (start >= path.size()) break;
    const size_t stop = path.find('\\', start);
    const std::u16string wanted = Widen(path.substr(start, stop - start));
    start = stop == std::string::npos ? path.size() : stop;
    bool found = false;
    for (size_t child = node.children; child < node.end;) {
      Node next;
      if (!ReadNode(data, child, node.end, &next)) return false;
      if (next.key == wanted) {
        node = next;
        found = true;
        break;
      }
      child = Align4(next.end);
    }
    if (!found) return false;
  }
  if (node.kind != kTextNode || node.valueBytes == 0) return false;
  text->clear();
  for (size_t at = node.value; at + 2 <= node.value + node.valueBytes; at += 2) {
    const uint16_t unit = Word(data, at);
    if (unit == 0) break;
    uint8_t byte = '?';
    ResourceCharFromUnicode(unit, byte);
    text->push_back(static_cast<char>(byte));
  }
  return true;
}
