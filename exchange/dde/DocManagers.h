#pragma once
// A world's external documents under a manager: the list of documents and the current one, the
// run's events passed to every document, and the commands that link selected inputs and meters
// to a document. The table variant also places new table documents.
//
//   THandlerLink (516) > TAEWorldDocMgr (411)   block 5305
//                        > TAEWorldTableMgr (418, "aeTM")   block 5306
//   TSmallCommand (325) > TLinkExternalDocCommand (417)
//   TTracker489 (489) > TExternalTableTracker (419): the tool that places a table document

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/FileSpec.h"
#include "exchange/dde/ExternalDoc.h"
#include "model/Link.h"
#include "model/command/CommandCore.h"
#include "model/world/WorldParticipants.h"
#include "views/trackers/DuplicateCommands.h"

class TWorldDoc;
class TExternalDocGadget;

inline constexpr int16_t kBlockDocManager = 5305;
inline constexpr int16_t kBlockTableManager = 5306;
inline constexpr uint32_t kTableManagerTag = MakeTag("aeTM");
// The commands that link the selection to a document; the first places a table document.
inline constexpr int16_t kCmdLinkFirst = 1130;
inline constexpr int16_t kCmdLinkLast = 1135;
inline constexpr int16_t kCmdPlaceExternalTable = 1130;
// The open dialog's kinds of files for each linking command, from 1130 on.
inline constexpr int16_t kLinkFilterStrings = 12210;

class TAEWorldDocMgr : public THandlerLink, public TFrameListener {
  DECLARE_CLASS_ID(411, THandlerLink)

 public:
  using DocumentTest = std::function<bool(TExternalDocGadget& document)>;

  TAEWorldDocMgr() = default;
  ~TAEWorldDocMgr() override;
  void Initialize() override;

  virtual TExternalDocGadget* FirstDocumentThat(const DocumentTest& test);
  virtual TExternalDocGadget* NoDocument() { return nullptr; }
  virtual TExternalDocGadget* FindDocumentByAddress(const TExternalAddress& address);
  virtual void SetCurrentDocument(TExternalDocGadget* document);
  // Every linked input of every document reads its cell.
  virtual void ReadAllLinkedInputs();
  virtual void StartRun();
  // Linked meters write their values for the frame, then every document runs its command.
  virtual void NotifyFrame(int32_t frame);
  virtual void StepAll();

  // The current document (the last one when none is), and the file record kept with it.
  TExternalDocGadget* GetCurrentDocument(FSSpec& record);
  const std::vector<TExternalDocGadget*>& Documents() const { return documents_; }
  void AddDocument(TExternalDocGadget& document);
  TWorldDoc* GetWorld() const { return world_; }
  int16_t GetAllowAllTypes() const { return allowAll_; }
  void SetAllowAllTypes(int16_t flag) { allowAll_ = flag; }

  // Commands 1130 to 1135 become linking commands.
  TCommandCore* DoMenuCommand(int16_t command, bool& handled);
  // Whether this manager is the one the world gives the command to.
  virtual bool HandlesCommand(int16_t /*command*/) { return false; }

  // The world's run.
  void TargetFrame(int32_t frame) override { NotifyFrame(frame); }
  void RunStarting() override { StartRun(); }
  bool ConversationsEnded() override;
  void ObjectInWorld(TWorldDoc& world, TLink& object) override;
  void ObjectRemoved(TLink* object) override;

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  int16_t allowAll_ = 0;
  std::vector<TExternalDocGadget*> documents_;
  TExternalDocGadget* current_ = nullptr;
  FSSpec record_;
  TWorldDoc* world_ = nullptr;
};

class TAEWorldTableMgr : public TAEWorldDocMgr {
  DECLARE_CLASS_ID(418, TAEWorldDocMgr)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  void SetCurrentDocument(TExternalDocGadget* document) override;
  bool HandlesCommand(int16_t command) override { return command == kCmdPlaceExternalTable; }
  TExternalDocGadget* GetCurrentTableDocument() const { return currentTable_; }
  const FSSpec& GetTableFileRecord() const { return tableRecord_; }
  void ObjectRemoved(TLink* object) override;

  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  int16_t allowAllTables_ = 0;
  std::vector<TLink*> tables_;
  TExternalDocGadget* currentTable_ = nullptr;
  FSSpec tableRecord_;
};

// The world's table manager (its first document manager), made when missing.
TAEWorldTableMgr& ExternalTableManagerFor(TWorldDoc& world);

// Chooses and opens the document a linking command links to, making it the manager's current
// document; false when the user gave none. Without one installed the open dialog asks for any
// file, which becomes a table document of the world unless one has it already.
using ExternalDocumentChooser = std::function<bool(int16_t command, TAEWorldDocMgr& manager)>;
void SetExternalDocumentChooser(ExternalDocumentChooser chooser);
bool ChooseExternalDocument(int16_t command, TAEWorldDocMgr& manager);
// Asks the user in a message box whether a document may start its program.
bool AskUserToLaunch(const std::string& application, const std::string& document);

class TLinkExternalDocCommand : public TSmallCommand {
  DECLARE_CLASS_ID(417, TSmallCommand)

 public:
  // -108 without a world or manager; with nothing selected the command ends silently.
  void InitLink(int16_t command, TWorldDoc* world, TAEWorldDocMgr* manager);
  void DoIt() override;
  const std::vector<TLink*>& GetSelection() const { return selection_; }

 private:
  TWorldDoc* world_ = nullptr;
  TAEWorldDocMgr* manager_ = nullptr;
  std::vector<TLink*> selection_;
};

// The placing tool of a table document: once armed on the world (World > Link to External
// Table), the next press on the world window puts the new document, read from its template,
// where the pointer is, following the pointer until the release; then the inputs and meters
// that were selected are linked to it.
class TExternalTableTracker : public TTracker489 {
  DECLARE_CLASS_ID(419, TTracker489)

 public:
  // Places the document that `placed` holds (-25005 without one) in the view; the selection's
  // meters and inputs are the ones to link.
  void InitTableTracker(int16_t tool, TTrackerView* view, TActionContext* world,
                        std::unique_ptr<TObjectReader> placed,
                        const std::vector<TLink*>& selection);
  // The selected meters and inputs become the ones to link.
  void TakeSelection(const std::vector<TLink*>& selection);
  // The new document is the first of the objects the placing made (-25005 without one): its
  // address is emptied, the meters' data columns and the first input are marked linked, the
  // first of each becomes current, and every one is linked to it.
  TExternalDocGadget& NewObjectStep(const std::vector<TLink*>& made);
  const std::vector<TLink*>& InputsToLink() const { return inputs_; }
  const std::vector<TLink*>& OutputsToLink() const { return outputs_; }

  // The document's centre follows the pointer from the press to the release.
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  bool TrackingDone() override;
  void AfterPrepare() override;
  // Placed, the document is linked and the world goes back to its selection tool.
  void AfterWork() override;

 private:
  TWorldDoc* world_ = nullptr;
  TExternalDocGadget* document_ = nullptr;
  std::vector<TLink*> made_;
  std::vector<TLink*> inputs_;
  std::vector<TLink*> outputs_;
};

// The tool the placing of a table document is armed as, and the resource of the document's
// template that it reads.
inline constexpr int16_t kPlaceExternalTableTool = 2599;
// Arms the placing tool on the world for the selection: the next press on its window places a
// table document linked to the selected inputs and meters.
void ArmExternalTablePlacing(TWorldDoc& world);

// Enters the table handler, table document and table manager in the class registry.
void RegisterExternalTableClasses();
