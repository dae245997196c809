#pragma once
// Worlds embedded as items in worlds.
//
//   CYBSrvrItem  a world document served as an item: the whole document as its bytes, one inch
//                square, its picture the world's view with the document's first item on it
//   CYBCntrItem  an item in a world document: its place in the view, following the extent the
//                server reports, one item active in place at a time
//
// RegisterWorldServer makes this program the server that items are started from.

#include <string>

#include "platform/mfc/COleItems.h"

class TWorldWindowDocument;

class CYBSrvrItem : public COleServerItem {
  DECLARE_DYNAMIC(CYBSrvrItem)

 public:
  explicit CYBSrvrItem(TWorldWindowDocument* document);
  TWorldWindowDocument* GetWorldDocument() const;

  // The embedded item stores the whole document; a linked item stores nothing.
  void Serialize(CArchive& archive) override;
  BOOL OnDraw(CDC* dc, SIZE& size) override;
  // The content aspect is one inch square for any window of nonzero size.
  BOOL OnGetExtent(DVASPECT aspect, SIZE& size) override;
  // Edited in place where the container allows it, else opened in a window of its own.
  void OnShow() override;

 private:
  HWND ViewWindow() const;
};

class CYBCntrItem : public COleClientItem {
  DECLARE_DYNCREATE(CYBCntrItem)

 public:
  explicit CYBCntrItem(COleItemList* document = nullptr);

  // Repaints the document's views.
  void Invalidate(CView* sender = nullptr);
  // Follows the cached extent (see the source); true when it changed.
  bool UpdateExtent();

  // Only the base item's data: the place and extent come back from the cached extent.
  void Serialize(CArchive& archive) override;
  void OnChange(OLE_NOTIFICATION notification, uint32_t parameter) override;
  // Places are kept y-up (a new item grows from its top edge toward negative y); the view's
  // pixels run downwards, so a place (x, y) is the pixel (x, -y).
  void OnGetItemPosition(RECT& position) override;
  BOOL OnChangeItemPosition(const RECT& position) override;
  void OnDeactivateUI(BOOL undoable) override;
  BOOL CanActivate() override;
  void OnActivate() override;

  // The item's place in the view's y-up coordinates, and its last known extent (HIMETRIC).
  RECT m_rect{10, -10, 10, -10};
  SIZE m_sizeExtent{0, 0};
};

// The place as pixels of the view, normalised, and back.
RECT ItemPlaceToPixels(const RECT& place);
RECT PixelsToItemPlace(const RECT& pixels);

// Draws every item of the list at its place into a context whose units are the view's pixels.
void DrawItemsInView(COleItemList& items, HDC dc);

// The document's items shown over its world's view, drawn after the view paints; a double click
// on one shows it for editing.
void ShowItemsInView(TWorldWindowDocument& document);

// The items go with the document file as a section after the world, which readers of the world
// pass over: the section's bytes, their count (4 bytes, low byte first) and "YBIT". Saving
// raises the file error when the section cannot be written; reading ignores a missing or
// malformed section (the world opens without items).
void WriteItemsAfterDocument(COleItemList& items, const std::string& path);
void ReadItemsAfterDocument(COleItemList& items, const std::string& path);

// Every item edited in place in an open document stops being so, keeping what changed: the
// frames' own bars and menus are back.
void EndInPlaceEditing();

// Items are started from worlds of this program: new, from a world file, or from stored bytes.
void RegisterWorldServer();
