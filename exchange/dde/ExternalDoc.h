#pragma once
// External documents: gadgets of the world window that stand for a document of another program,
// reached as its client. Inputs and meters are linked to one; during a run linked inputs read
// their values from its cells and linked meters write theirs into them, and the document can be
// sent a command when a run starts and each time the world computes a new frame.
//
//   TGadget (398) > TExternalDocGadget (414)   block 5303
//                   > TExternalDoc (416)        block 5308; owns its TDDEClientLink
//                     > TExternalDDETableDoc (422, "aeTD")   block 5304

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/FileSpec.h"
#include "core/PString.h"
#include "exchange/dde/DDEClientLink.h"
#include "inout/gadgets/Gadget.h"
#include "model/MenuProperty.h"

class TInOutput;
class TObjectReader;
class TObjectWriter;
class TWorldDoc;

inline constexpr int16_t kBlockExternalDocGadget = 5303;
inline constexpr int16_t kBlockExternalDoc = 5308;
inline constexpr int16_t kBlockExternalTableDoc = 5304;
inline constexpr uint32_t kExternalTableDocTag = MakeTag("aeTD");
inline constexpr int16_t kInputClassId = 444;
inline constexpr int16_t kOutputClassId = 533;
// The property dialog a double click on an external document opens.
inline constexpr int16_t kExternalDocDialog = 1137;

// The other program's document as the external documents and their managers file it: volume,
// folder and name.
void WriteFileRecord(TObjectWriter& writer, const FSSpec& record);
void ReadFileRecord(TObjectReader& reader, FSSpec& record);

// Where a document lives: volume, folder, its path and the path of its program.
struct TExternalAddress {
  int16_t vRefNum = 0;
  int32_t parID = 0;
  Str255 documentPath;
  Str255 applicationPath;

  bool IsEmpty() const { return documentPath.IsEmpty() && applicationPath.IsEmpty(); }
  // Same document and program.
  static bool Equals(const TExternalAddress& a, const TExternalAddress& b);
};

// The handles of a document's conversation.
struct TExternalConnection {
  HSZ service = 0;
  HSZ topic = 0;
  HCONV conversation = 0;
};

class TExternalDocGadget : public TGadget {
  DECLARE_CLASS_ID(414, TGadget)

 public:
  using LinkedCallback = std::function<void(TLink& object)>;
  static constexpr int32_t kDefaultTimeout = 30000;

  TExternalDocGadget() = default;
  ~TExternalDocGadget() override;
  void Initialize() override;

  using TGadget::ForEachLinked;  // the link base's notice to every linked object
  virtual void ForEachLinked(const LinkedCallback& callback);
  virtual uint16_t GetAddress(TExternalAddress& /*address*/) { return 0; }
  virtual void SetFileSpec(const FSSpec& record, int16_t flag);
  virtual void SetAddress(const TExternalAddress& /*address*/) {}
  virtual void ForEachInput(const LinkedCallback& callback);
  virtual void ForEachOutput(const LinkedCallback& callback);
  virtual void StartRun() {}
  virtual void StepRun() {}
  virtual uint16_t GetConnection(TExternalConnection& /*connection*/) { return 0; }
  // Undoes the link of the linked inputs and meters in the list (all of them without one).
  virtual void Unlink(const std::vector<TLink*>* /*list*/) {}
  virtual HCONV IsConnected() { return 0; }

  // An input or meter joins or leaves the linked ones.
  void AddLinkedObject(TLink* object);
  void RemoveLinkedObject(TLink* object);
  // Tells every linked input, then meter, its position from 1 in its list, which names its cells.
  void RenumberItems();
  // The file record and the flag kept beside it.
  int16_t GetFileSpec(FSSpec& record) const;

  const std::vector<TLink*>& LinkedInputs() const { return inputs_; }
  const std::vector<TLink*>& LinkedOutputs() const { return outputs_; }
  TLink* GetCurrentInput() const { return currentInput_; }
  TLink* GetCurrentOutput() const { return currentOutput_; }
  void SetCurrentInput(TLink* input) { currentInput_ = input; }
  void SetCurrentOutput(TLink* output, int16_t column, int16_t menuIndex);
  int16_t GetCurrentColumn() const { return currentColumn_; }
  int16_t GetOutputMenuIndex() const { return outputMenuIndex_; }
  const Str255& GetInitCommand() const { return initCommand_; }
  const Str255& GetExecuteCommand() const { return executeCommand_; }
  void SetInitCommand(const Str255& command) { initCommand_ = command; }
  void SetExecuteCommand(const Str255& command) { executeCommand_ = command; }
  int32_t GetTimeout() const { return timeout_; }
  void SetTimeout(int32_t milliseconds) { timeout_ = milliseconds; }
  const Str255& GetStatusText() const { return status_; }
  // The world the document is in, which keeps the cell handlers of its links.
  TWorldDoc* GetWorld() const { return world_; }
  void SetWorld(TWorldDoc* world) { world_ = world; }
  // The name the application's cells are named by (a "matlab" program numbers them).
  virtual Str255 GetLinkNamingName() { return Str255(); }

  void ObjectRemoved(TLink* object) override;
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  FSSpec& FileRecord() { return fileRecord_; }

 private:
  FSSpec fileRecord_;
  int16_t recordFlag_ = 0;
  Str255 initCommand_;
  Str255 executeCommand_;
  int32_t timeout_ = kDefaultTimeout;
  std::vector<TLink*> inputs_;
  std::vector<TLink*> outputs_;
  TLink* currentInput_ = nullptr;
  TLink* currentOutput_ = nullptr;
  int16_t currentColumn_ = 1;
  int16_t outputMenuIndex_ = -1;
  Str255 status_;
  TWorldDoc* world_ = nullptr;
};

class TExternalDoc : public TExternalDocGadget, public TMenuProperties {
  DECLARE_CLASS_ID(416, TExternalDocGadget)

 public:
  static constexpr int16_t kDefaultSize = 32;
  // The most whole seconds the time-out takes: its milliseconds fit 32 bits.
  static constexpr double kMaxTimeoutSeconds = 2147483.0;
  static constexpr double kMinTimeoutSeconds = 3.0;

  TExternalDoc() = default;
  ~TExternalDoc() override;
  void Initialize() override;

  uint16_t GetAddress(TExternalAddress& address) override;
  void SetAddress(const TExternalAddress& address) override;
  void StartRun() override;
  void StepRun() override;
  uint16_t GetConnection(TExternalConnection& connection) override;
  void Unlink(const std::vector<TLink*>* list) override;
  HCONV IsConnected() override;
  Str255 GetLinkNamingName() override;

  // Connects (without starting the program when `noLaunch`): 0 or an error.
  int16_t Connect(bool noLaunch);
  void Disconnect();
  TDDEClientLink* GetConversationObject() const { return conversation_.get(); }
  // The program and document, as the property fields set them.
  void SetApplicationPath(const Str255& path);
  void SetDocumentPath(const Str255& path);
  // Whether the user has let this document start its program (asked once per document).
  bool MayLaunch(const std::string& application, const std::string& document);

  // Properties.
  bool HasProperty(uint32_t tag) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void SetStringProperty(uint32_t tag, const Str255& value) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  // "bapp" and "bdoc": the program or the document chosen in the open dialog.
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  // The menus of inputs and of meter columns offered for linking: each item two blanks and a
  // name, checked when linked here; `selected` is the current one's item (-1 for none). Choosing
  // an item by its text makes its input, or meter and column, the current one.
  using MenuItem = TMenuEntry;
  void GetInputMenu(std::vector<MenuItem>& items, int16_t& selected);
  void ChooseInputMenuItem(const Str255& text);
  void GetOutputMenu(std::vector<MenuItem>& items, int16_t& selected);
  void ChooseOutputMenuItem(const Str255& text);
  // "inpt" and "otpt": the two menus above, which choose what the cell fields and link radios
  // of the property dialog work on.
  uint16_t GetMenuProperty(uint32_t tag, std::vector<TMenuEntry>& entries, int16_t& chosen,
                           void* extra) override;
  void SetMenuProperty(uint32_t tag, const Str255& text) override;
  // "External document #" and the object's short name.
  void GetDescription(Str255& text);

  void DrawContents(const MacRect& area) override;
  // A click on the document (editing, not while the world runs) opens its property dialog.
  bool HitsControl(MacPoint point) override;
  bool TrackClick(int16_t phase, MacPoint point, bool inside) override;
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void EndReading(TObjectReader& reader) override;

 private:
  // The label: the file-name part of the document, or the status text without one.
  Str255 LabelText() const;
  void DrawPage(int16_t h, int16_t v);
  // Connects after a name change when a service is known; errors go to the error alert.
  void ConnectAfterNameChange();
  bool InputLinkedElsewhere(TLink* input) const;

  TExternalAddress address_;
  std::unique_ptr<TDDEClientLink> conversation_;
  // What the property dialog works on: this document alone.
  std::vector<TLink*> self_;
  int16_t connectAfterRename_ = 0;
  int16_t launchAnswer_ = -1;  // -1 not asked, 0 refused, 1 allowed
};

class TExternalDDETableDoc : public TExternalDoc {
  DECLARE_CLASS_ID(422, TExternalDoc)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  int16_t GetSendToCellInRows() const { return sendToCellInRows_; }
  void SetSendToCellInRows(int16_t flag) { sendToCellInRows_ = flag; }

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  int16_t sendToCellInRows_ = 1;
};

// Links an input or meter to a document (a table document gives it a cell handler of its own),
// and undoes that link.
void LinkToDocument(TInOutput& object, TExternalDocGadget& document);
void UnlinkFromDocument(TInOutput& object, TExternalDocGadget& document);

// Whether an exchange with linked documents is under way: set while the run's broadcasts and
// cell reads talk to other programs.
bool ExchangeInProgress();
class TExchangeScope {
 public:
  TExchangeScope();
  ~TExchangeScope();
  TExchangeScope(const TExchangeScope&) = delete;
  TExchangeScope& operator=(const TExchangeScope&) = delete;

 private:
  bool was_;
};
