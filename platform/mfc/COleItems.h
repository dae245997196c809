#pragma once
// In-process embedding: a document can hold items whose data another document of this program
// serves. The program is the only server: a registration says how an item's server is started
// (for a new document, from a file, or from the item's stored bytes).
//
//   COleServerItem   the served document as an item: its extent, picture and stored bytes
//   COleServerSession the running server of one item (its document, its window)
//   COleClientItem   an item in a container document: stored bytes, a picture kept as metafile
//                    bits with its extent in HIMETRIC units, its state and its verbs
//   COleItemList     the items of a container document

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mfc/CArchive.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CView.h"

inline constexpr int32_t OLEIVERB_PRIMARY = 0;
inline constexpr int32_t OLEIVERB_SHOW = -1;
inline constexpr int32_t OLEIVERB_OPEN = -2;
inline constexpr int32_t OLEIVERB_HIDE = -3;

enum DVASPECT : uint32_t { DVASPECT_CONTENT = 1, DVASPECT_THUMBNAIL = 2, DVASPECT_ICON = 4 };

enum OLE_NOTIFICATION : int32_t {
  OLE_CHANGED = 0,
  OLE_SAVED = 1,
  OLE_CLOSED = 2,
  OLE_RENAMED = 3,
  OLE_CHANGED_STATE = 4,
  OLE_CHANGED_ASPECT = 5,
};

enum OLECLOSE : int32_t { OLECLOSE_SAVEIFDIRTY = 0, OLECLOSE_NOSAVE = 1 };

class COleClientItem;
class COleItemList;
class COleServerSession;

class COleServerItem : public CObject {
  DECLARE_DYNAMIC(COleServerItem)

 public:
  COleServerItem(CDocument* document, bool autoDelete);
  CDocument* GetDocument() const { return document_; }
  bool IsAutoDelete() const { return autoDelete_; }
  // An item that is not its document's embedded item stands for a link to it.
  bool IsLinkedItem() const { return !embedded_; }
  void SetEmbedded(bool embedded) { embedded_ = embedded; }
  COleServerSession* GetSession() const { return session_; }
  void SetSession(COleServerSession* session) { session_ = session; }

  virtual void Serialize(CArchive& archive) = 0;
  // Draws the item into the context over its extent; false when nothing was drawn.
  virtual BOOL OnDraw(CDC* dc, SIZE& size) = 0;
  // The extent in HIMETRIC units; the base knows none.
  virtual BOOL OnGetExtent(DVASPECT aspect, SIZE& size);
  // The container wants the item seen: opened in a window of its own here.
  virtual void OnShow();
  virtual void OnOpen();

  // The extent the container last gave the item (HIMETRIC).
  SIZE m_sizeExtent{0, 0};

 protected:
  // Asks the session to edit the item in place; false when it cannot.
  bool ActivateInPlace();

 private:
  CDocument* document_;
  bool autoDelete_;
  bool embedded_ = true;
  COleServerSession* session_ = nullptr;
};

// The running server of one item, made by the registered server.
class COleServerSession {
 public:
  virtual ~COleServerSession() = default;
  virtual COleServerItem* GetEmbeddedItem() = 0;
  // Changes not yet saved into the container's item.
  virtual bool IsModified() const = 0;
  virtual void SetModified(bool modified) = 0;
  // Editing in place; false when the session cannot (the item is then opened instead).
  virtual bool ActivateInPlace() { return false; }
  // The item's document in a window of its own, brought to the front.
  virtual void Open() = 0;
  virtual void Hide() = 0;
};

struct COleServerRegistration {
  // The name the insert dialog shows for the server's kind of item.
  std::string typeName;
  // A session for the item: with neither native bytes nor a path a new document, else the
  // document read from them. Null when it cannot be made (the failure having been shown).
  std::function<std::unique_ptr<COleServerSession>(COleClientItem& item,
                                                   const std::vector<uint8_t>* native,
                                                   const std::string* path)>
      start;
};
void RegisterOleServer(COleServerRegistration registration);
const COleServerRegistration& RegisteredOleServer();

class COleClientItem : public CObject {
  DECLARE_DYNAMIC(COleClientItem)

 public:
  enum ItemState {
    emptyState = 0,
    loadedState = 1,
    openState = 2,
    activeState = 3,
    activeUIState = 4,
  };

  // With a document, the document takes the new item over.
  explicit COleClientItem(COleItemList* document = nullptr);
  ~COleClientItem() override;
  COleClientItem(const COleClientItem&) = delete;
  COleClientItem& operator=(const COleClientItem&) = delete;

  COleItemList* GetDocument() const { return document_; }
  ItemState GetItemState() const { return state_; }
  bool IsInPlaceActive() const { return state_ == activeState || state_ == activeUIState; }
  CView* GetActiveView() const { return activeView_; }
  DVASPECT GetDrawAspect() const { return aspect_; }

  // A new item of the registered server, or one read from the file; false when the server
  // could not start. The item's bytes, picture and extent are taken from the server at once.
  bool CreateNewItem();
  bool CreateFromFile(const std::string& path);

  // The extent of the picture kept for the aspect; false when there is none.
  bool GetCachedExtent(SIZE* size, DVASPECT aspect = DVASPECT_CONTENT) const;
  const std::vector<uint8_t>& NativeData() const { return native_; }
  const std::vector<uint8_t>& Presentation() const { return presentation_; }
  // Draws the kept picture scaled into the rectangle (logical units of the context); false when
  // there is no picture or it cannot be played.
  bool Draw(HDC dc, const RECT& bounds) const;

  // -1 shows the item (in place when the server can, else opened); -2 opens it; -3 hides it
  // (an item active in place is deactivated).
  void DoVerb(int32_t verb, CView* view);
  // Stops the server; with OLECLOSE_SAVEIFDIRTY a change is first saved into the item.
  void Close(OLECLOSE option = OLECLOSE_SAVEIFDIRTY);
  void DeactivateUI();
  void Deactivate();

  // Called by the server: editing in place in the view begins (false when the item may not be
  // activated now).
  bool ActivateInPlace(CView* view);
  // Called by the server: the item's bytes, picture and extent are read again from it.
  void UpdateFromServer();
  // Called by the server: its window closed on its own, what changed having been saved into the
  // item; the server is let go and the item is loaded again.
  void OnServerClosed();
  // A picture and its extent for the content aspect, as a server gives them.
  void SetPresentation(std::vector<uint8_t> metafile, SIZE extent);

  // The item's bytes, picture and extent (its server is not running after loading).
  virtual void Serialize(CArchive& archive);

  virtual void OnChange(OLE_NOTIFICATION notification, uint32_t parameter);
  virtual void OnGetItemPosition(RECT& position);
  virtual BOOL OnChangeItemPosition(const RECT& position);
  virtual void OnDeactivateUI(BOOL undoable);
  virtual BOOL CanActivate();
  virtual void OnActivate();

 protected:
  void SetItemState(ItemState state);

 private:
  friend class COleItemList;
  bool Start(const std::vector<uint8_t>* native, const std::string* path);

  COleItemList* document_ = nullptr;
  std::unique_ptr<COleServerSession> session_;
  std::vector<uint8_t> native_;
  std::vector<uint8_t> presentation_;
  SIZE extent_{0, 0};
  bool hasExtent_ = false;
  ItemState state_ = emptyState;
  DVASPECT aspect_ = DVASPECT_CONTENT;
  CView* activeView_ = nullptr;
};

// The items of one container document, owned by it.
class COleItemList {
 public:
  explicit COleItemList(CDocument* owner) : owner_(owner) {}
  ~COleItemList();
  COleItemList(const COleItemList&) = delete;
  COleItemList& operator=(const COleItemList&) = delete;

  CDocument* GetOwner() const { return owner_; }
  // Takes the item over and attaches it to this document.
  void AddItem(COleClientItem* item);
  // Closes the item without saving and deletes it.
  void RemoveItem(COleClientItem* item);
  const std::vector<std::unique_ptr<COleClientItem>>& Items() const { return items_; }
  COleClientItem* FirstItem() const { return items_.empty() ? nullptr : items_.front().get(); }
  // Stops every item's server without saving (the document is going).
  void CloseAll();
  // The item active in place in the view, or null.
  COleClientItem* GetInPlaceActiveItem(const CView* view) const;

  // Repaints every view of the owner (the sender too).
  void UpdateAllViews(CView* sender, LPARAM hint, CObject* hintObject);
  void SetModifiedFlag();

  // While the owner itself is edited in place in another document, its in-place frame.
  CWnd* GetInPlaceFrame() const { return inPlaceFrame_; }
  void SetInPlaceFrame(CWnd* frame) { inPlaceFrame_ = frame; }

  // The count, then each item; loading makes the items with make (each item is filed by its
  // own class) and replaces the list. A malformed store raises CArchiveException.
  void Serialize(CArchive& archive, const std::function<COleClientItem*()>& make);

 private:
  CDocument* owner_;
  std::vector<std::unique_ptr<COleClientItem>> items_;
  CWnd* inPlaceFrame_ = nullptr;
};
