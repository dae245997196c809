#pragma once
// The item factory of the resource-laid-out dialogs. A dialog's "fltr" resource (the number of
// its template) is a 16-bit count and that many item records; each record starts with a 16-bit
// kind code and a four-character view identifier (little-endian, six bytes), and the item made
// for the kind reads the rest itself. The kind table below is fixed; the classes behind it are
// entered by the code that builds them (RegisterItemKind), kinds 80 and 0xFFFF here.
//
// Kind 0xFFFF ends a group: a plain item is made from the record, the items after it are made
// in its control window, and the record is then read again as kind 80. A kind outside the
// table stops the building silently (error 0); the items made before it stay.

#include <cstdint>
#include <memory>
#include <span>

class CWnd;
class TItemRecordCursor;
class TMacDialogItem;

// One row of the kind table: the kind code, the class made and its base, what it is.
struct TItemKindEntry {
  uint16_t kind;
  int16_t classId;
  int16_t baseId;
  const char* what;
};

std::span<const TItemKindEntry> ItemKindTable();
// The row of the kind, or null for a kind outside the table.
const TItemKindEntry* FindItemKind(uint16_t kind);

using ItemMaker = std::unique_ptr<TMacDialogItem> (*)();
// Enters the class of a kind of the table (a later entry replaces an earlier one). A kind
// outside the table is refused (false).
bool RegisterItemKind(uint16_t kind, ItemMaker maker);
// Enters the plain item for kinds 80 and 0xFFFF.
void RegisterPlainItemKinds();

// Raised when a record names a kind of the table whose class the program does not have.
inline constexpr int16_t kErrItemKindUnavailable = -192;

// What the factory needs of the dialog it builds.
class TItemBuildTarget {
 public:
  // The window that receives the next item's control; null before the first item.
  virtual CWnd* CurrentParent() = 0;
  virtual void SetCurrentParent(CWnd* parent) = 0;
  // The dialog window itself (the first current parent).
  virtual CWnd* DialogWindow() = 0;
  // Takes the item (the dialog frees what is left of its items when it goes) unless it holds
  // it already.
  virtual void AddItemView(TMacDialogItem* item) = 0;

 protected:
  ~TItemBuildTarget() = default;
};

// Reads one record at the cursor, makes and initialises its item, advances the cursor past the
// record and hands the item to the dialog with the template id. A null cursor raises -108.
TMacDialogItem* MakeItemView(TItemBuildTarget& dialog, int16_t templateId,
                             TItemRecordCursor* cursor);
// Builds every item of a "fltr" resource's bytes, in order, from a reset current parent.
void BuildItemViews(TItemBuildTarget& dialog, int16_t templateId, std::span<const uint8_t> bytes);
