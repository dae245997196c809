#pragma once
// The world's geometry manager (class 712, tag "wGMr"): keeps joined geometry consistent while the
// user edits. It remembers the geometry of the objects a command is about to change (for undo),
// registers a command's targets and, when the values are set, has the objects joined to them
// brought to their new places; it relinks formulas, checks that a formula names objects the world
// holds, and keeps the objects being dragged.
//
// Moving joined bodies is the assembly solver's work, done by the bodies layer through
// TGeometryAssembly; a world without one has nothing joined, so there is nothing to move.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/Formula.h"
#include "model/GeometryManagerHook.h"
#include "model/Link.h"
#include "simulation/FormulaWorld.h"

class TWorldDoc;

// What the assembly layer does for the manager.
class TGeometryAssembly {
 public:
  virtual ~TGeometryAssembly() = default;
  // Appends the objects whose geometry follows the targets (bodies sharing a pinned point, ...).
  virtual void CollectJoined(const std::vector<TLink*>& targets, std::vector<TLink*>& joined) = 0;
  // Brings the objects joined to the objects to their places; flag 1 for a newly sketched
  // object. Raises the failure of a geometry that cannot be assembled.
  virtual void Assemble(const std::vector<TLink*>& objects, int16_t flag) = 0;
};

// The assembly that every manager without one of its own uses: the bodies layer installs it at
// start-up and removes it (null) at shut-down.
void InstallGeometryAssembly(TGeometryAssembly* assembly);
TGeometryAssembly* InstalledGeometryAssembly();

// The tags whose formulas place an object: bodies "pM_x", "pM_y", "pM_r"; points "p__x",
// "p__y", "p__r".
inline constexpr uint32_t kGeometryTags[] = {MakeTag("pM_x"), MakeTag("pM_y"), MakeTag("pM_r"),
                                             MakeTag("p__x"), MakeTag("p__y"), MakeTag("p__r")};

// The manager's own block: empty, it names the manager among a world's stored objects.
inline constexpr int16_t kBlockGeometryManager = 5712;

class TWorldGeometryManager : public TLink, public TGeometryManagerHook {
  DECLARE_CLASS_ID(712, TLink)

 public:
  TWorldGeometryManager() = default;

  // An assembly of the manager's own, in place of the installed one (null: the installed one).
  void SetAssembly(TGeometryAssembly* assembly) { assembly_ = assembly; }
  TGeometryAssembly* Assembly() const {
    return assembly_ != nullptr ? assembly_ : InstalledGeometryAssembly();
  }
  // The world's formulas are checked against, in place of the attached world's own (null: the
  // attached world's; without either, formulas naming objects are refused with -28803).
  void SetFormulaWorld(const FormulaEnvironment* world) { formulaWorld_ = world; }
  // The world whose objects the manager's formula world holds.
  void AttachWorld(TLink* world) override;
  // The attached world's objects as they are now, with the world's time; null without a world.
  const FormulaEnvironment* FormulaWorld() override;

  void Prepare(TList& targets, int16_t withJoined, int16_t withFormulas) override;
  std::unique_ptr<TGeometryRegistration> Register(TList& targets, int16_t commandNumber) override;
  void Finish(TGeometryRegistration& registration) override;
  void Relink(TList& targets, int16_t withJoined, int16_t withFormulas, int16_t recompute,
              void* progressState, TList& geometryList) override;
  void CheckFormula(const TFormula& formula, int16_t first, int16_t second) override;
  uint16_t HasPendingWork() const override { return pending_.empty() ? 0 : 1; }
  void Flush(int16_t flag) override;
  void UpdateObject(int16_t flag) override;
  void RemoveObjects() override;
  std::unique_ptr<TGeometryObjectRecord> AddObjects(TList& objects) override;
  void RefreshRecord(TGeometryObjectRecord& record) override;

  // An object left the world: the manager forgets it.
  void ObjectRemoved(TLink* object) override;

  // Filing: the manager's block makes one among a world's default objects; a world has one, so
  // the manager of a document read into a world is the one the world has.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

  // Undo and redo of a prepared command: puts the remembered geometry back, remembering what it
  // replaces, so that a second call redoes.
  void SwapPreparedGeometry();
  bool HasPreparedGeometry() const { return !prepared_.empty(); }
  // The objects being moved (AddObjects, until RemoveObjects).
  const std::vector<TLink*>& MovedObjects() const { return moved_; }

 private:
  struct Snapshot {
    TLink* object = nullptr;
    uint32_t tag = 0;
    TFormula formula;
  };
  static std::vector<TLink*> LinksOf(TList& list);
  std::vector<TLink*> WithJoined(const std::vector<TLink*>& objects);
  void Assemble(const std::vector<TLink*>& objects, int16_t flag);

  TGeometryAssembly* assembly_ = nullptr;
  const FormulaEnvironment* formulaWorld_ = nullptr;
  TWorldDoc* world_ = nullptr;
  TFormulaWorld documentWorld_;
  std::vector<Snapshot> prepared_;
  std::vector<TLink*> pending_;
  std::vector<TLink*> moved_;
};

// Registers TWorldGeometryManager, installs it as the object model's geometry manager and fills
// the table of geometry callbacks.
void RegisterGeometryManager();
void FreeGeometryManager();
