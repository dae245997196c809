#pragma once
// The gear pair: two bodies, each with one attached point at its centre, turn against each other
// with a ratio, as two outside gears or as a gear running inside a ring gear. The gear keeps the
// ratio and the display settings; three companions go to the solver with it: the contact
// constraint and one contact point on each body, placed by formula texts built from the ratio.
// The gear's own record doubles as a rod that can hold the distance of the centres.
//
// Contents:
//   1. TGear (436): ratio, automatic ratio, internal pair, rod, contact formulas   Gear.cpp
//      properties, commands, goals, update, drawing                              Gear.cpp
//      filing of blocks 5403, 5404 and 1310, companions and fix-ups              GearFiling.cpp
//      recorded values: the rod and the ratio when they are formulas             GearFiling.cpp
//   2. TGearCnstr (434), TGearCnstrPoint (435): the companions and their
//      records, blocks 5405, 1310, 5406 and 1502; registration                   GearContacts.cpp

#include <memory>
#include <string>
#include <vector>

#include "constraints/Constraint.h"
#include "model/world/WorldParticipants.h"

class TGearCnstr;
class TGearCnstrPoint;
class TPoint;
class TWorldDoc;

inline constexpr uint32_t kGearTag = MakeTag("Gear");
inline constexpr uint32_t kGearContactTag = MakeTag("GCst");
inline constexpr uint32_t kGearContactPointTag = MakeTag("GCPt");

inline constexpr uint32_t kTagGearRatioAuto = MakeTag("GRAo");
inline constexpr uint32_t kTagGearRatio = MakeTag("GRat");
inline constexpr uint32_t kTagGearRodAlways = MakeTag("GRda");
inline constexpr uint32_t kTagGearRod = MakeTag("GRod");
inline constexpr uint32_t kTagGearInternal = MakeTag("GInt");
inline constexpr uint32_t kTagGearFirstInternal = MakeTag("GM1i");
inline constexpr uint32_t kTagGearSecondInternal = MakeTag("GM2i");
inline constexpr uint32_t kTagGearShowCentres = MakeTag("SGcg");
inline constexpr uint32_t kTagGearShowRod = MakeTag("SGRd");
inline constexpr uint32_t kTagGearFirstBody = MakeTag("GMs1");
inline constexpr uint32_t kTagGearSecondBody = MakeTag("GMs2");
inline constexpr uint32_t kTagGearContactName = MakeTag("GTxt");

// The four position texts of the two contact points: x and y on the first body, then on the
// second.
struct GearContactTexts {
  std::string x1, y1, x2, y2;
};

class TGear : public TTwoPointConstraint, public TFrameParticipant {
  DECLARE_CLASS_ID(436, TTwoPointConstraint)

 public:
  static constexpr int16_t kBlockKind = 5403;
  static constexpr int16_t kBlockGear = 5404;
  static constexpr int16_t kCmdEditActivation = 5410;
  static constexpr int16_t kCmdEditRatio = 5411;
  static constexpr int16_t kCmdEditRod = 5412;
  // An internal pair whose ratio cannot mesh, or a ratio that leaves a contact point nowhere.
  static constexpr int16_t kErrGearRatio = -25140;
  // A contact formula too long for a formula text.
  static constexpr int16_t kErrContactFormula = -25141;
  static constexpr int32_t kMsgGearRatio = 32609 << 16 | 12;
  static constexpr int32_t kMsgContactFormula = 32609 << 16 | 13;
  // The alert of an update that had to put the previous ratio back.
  static constexpr int16_t kAlertList = 32578;
  static constexpr int16_t kAlertRatioRestored = 53;
  // Contact texts are at most this long.
  static constexpr size_t kMaxContactText = 240;

  static TObject* CreateObject();
  ~TGear() override;
  void Initialize() override;
  Str255 GetTypeName() const override { return "Gear"; }

  // ---- Ratio, rod and flags ----
  TFormula& Ratio() { return *ratio_; }
  const TFormula& Ratio() const { return *ratio_; }
  TFormula& RodQuantity() { return *rod_; }
  const TFormula& RodQuantity() const { return *rod_; }
  bool IsRatioAutomatic() const { return ratioAutomatic_ != 0; }
  bool IsRodAlwaysActive() const { return rodAlwaysActive_ != 0; }
  bool IsInternal() const { return internal_ != 0; }
  int16_t GetInternalGearIndex() const { return internalIndex_; }
  bool ShowsCentres() const { return showCentres_ != 0; }
  bool ShowsRod() const { return showRod_ != 0; }
  // The ratio of the two circles' radii, or 1 when the bodies are not both circles.
  void ApplyAutomaticRatio();
  // False for an internal pair whose ratio is within 0.001 of 1 or -1 while its centres are
  // apart: such gears have no finite contact point.
  bool CheckInternalRatio() const;
  // Rebuilds the six texts of the two contact points from the ratio; all four position texts
  // are checked before any is assigned.
  void RatioFormula(const TFormula& ratio, uint16_t internal, int16_t internalIndex);
  // The four position texts for the bodies numbered a and b and the two divisor texts.
  static GearContactTexts ContactFormula(int32_t a, int32_t b, const std::string& d1,
                                         const std::string& d2);
  // The ratio text of the contact formulas: the formula's text, or the constant written so that
  // it reads back as the same number.
  static std::string RatioText(const TFormula& ratio);

  // ---- Companions ----
  TGearCnstr* GetContact() const { return contact_; }
  TGearCnstrPoint* GetFirstContactPoint() const { return firstPoint_; }
  TGearCnstrPoint* GetSecondContactPoint() const { return secondPoint_; }
  // A companion made for the gear takes its free place.
  void CompanionAdded(TLink* companion);
  void ObjectRemoved(TLink* object) override;
  // A change of the gear concerns its companions too: they file what the gear decides.
  void GetDependants(uint32_t tag, std::vector<TLink*>& list) override;

  // ---- Constraint behaviour ----
  int16_t GetKindNumber() const { return 2552; }
  Str255 GetInMenuName() const { return "InGearMenu"; }
  Str255 GetOutMenuName() const override { return "OutGearMenu"; }
  // A menu command: answers the quantity it edits with its unit, or null for a command the gear
  // does not take. Editing the ratio ends the automatic ratio; editing the rod, the always-on rod.
  TFormula* QuantityForCommand(int16_t command, int32_t& unit);
  // The input menu binds the activation condition, the ratio (0 to twice it) and the rod's
  // condition (0 to 1).
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  // Complete for the solver: "a___" a constant and the activation not a constant of 0 or less.
  bool IsCompleteForSolver() const;
  // The base's deactivation, refused for an internal pair that cannot mesh.
  void Deactivate(uint16_t redraw);
  void MarkGoals() override;
  // "a___" becomes the constant 1.
  void ResetQuantity();
  // One of the gear's quantities changed: what is drawn of it is out of date.
  void QuantityChanged(const TFormula* quantity);
  // The handle area of the drawing frame.
  static bool IsInHandleArea(double x, double y);
  bool HitsShape(double x, double y) const override { return IsInHandleArea(x, y); }
  // Puts the attached points at their bodies' centres and renews the automatic ratio; an
  // internal pair that no longer meshes keeps its previous ratio and the user is told.
  void Update() override;
  void DrawShape(const MacRect& area, uint16_t mode) override;

  // ---- Properties ----
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  // Whether the tag's entry is offered now: the gear's own settings only while the gear is
  // complete for the solver and inactive.
  bool IsPropertyAvailable(uint32_t tag) const;

  // ---- Filing (GearFiling.cpp) ----
  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteTo(TObjectWriter& writer, int16_t flag) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;

  // ---- Recorded values (GearFiling.cpp) ----
  // The rod quantity and the ratio, each when it is a formula, go to the solver ahead of the
  // base's values, and every recorded frame holds their values.
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  // A recorded frame shown: each formula quantity takes its value of that frame, keeping its
  // text.
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;

 protected:
  void WriteRecord(TObjectWriter& writer) override;
  // A point attached at an end becomes the attached point of that end's contact point when it
  // has none, whichever came first.
  void AttachHook(TLink* object) override;

 private:
  // The contact point on the end's body: the first for end 0, the second for end 1.
  TGearCnstrPoint* ContactPointOf(int32_t end) const {
    return end == 0 ? firstPoint_ : secondPoint_;
  }
  TPoint* AttachedPoint(int32_t end) const;
  // The world the gear belongs to, or null.
  TWorldDoc* GetWorld() const;
  // The quantities that record values, in the order of their values.
  std::vector<TFormula*> RecordedQuantities() const;
  // Refuses a constant ratio whose contact texts would divide by zero.
  void CheckDivisors(const TFormula& ratio, uint16_t internal) const;
  void SetContact(TGearCnstr* contact);
  void SetContactPoint(int32_t end, TGearCnstrPoint* point);
  void Redraw();
  void ReadRecord(TObjectReader& reader);

  // Set while Update moves the points onto the centres: each move tells this gear again.
  bool updating_ = false;
  uint16_t ratioAutomatic_ = 1;
  std::unique_ptr<TFormula> ratio_;
  uint16_t rodAlwaysActive_ = 0;
  std::unique_ptr<TFormula> rod_;
  uint16_t internal_ = 0;
  int16_t internalIndex_ = 0;
  uint16_t showCentres_ = 1;
  uint16_t showRod_ = 1;
  TGearCnstr* contact_ = nullptr;
  TGearCnstrPoint* firstPoint_ = nullptr;
  TGearCnstrPoint* secondPoint_ = nullptr;
};

// The contact constraint: presents the gear to the solver as a constraint between the two contact
// points, with the gear's activation and one goal.
class TGearCnstr : public TLink {
  DECLARE_CLASS_ID(434, TLink)

 public:
  static constexpr int16_t kBlockMarker = 5405;

  static TObject* CreateObject();
  void Initialize() override;
  TGear* GetOwner() const { return owner_; }
  void SetOwnerGear(TGear* gear) { owner_ = gear; }
  TCnstrGoal& Goal() { return *goal_; }
  void ObjectRemoved(TLink* object) override;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  void WriteRecord(TObjectWriter& writer);
  void ReadRecord(TObjectReader& reader);

  TGear* owner_ = nullptr;
  std::unique_ptr<TCnstrGoal> goal_;
};

// A contact point: a point fixed in one gear's body, its place given by formula texts.
class TGearCnstrPoint : public TLink {
  DECLARE_CLASS_ID(435, TLink)

 public:
  static constexpr int16_t kBlockMarker = 5406;
  static constexpr int16_t kBlockPoint = 1502;

  static TObject* CreateObject();
  void Initialize() override;
  TGear* GetOwner() const { return owner_; }
  void SetOwnerGear(TGear* gear) { owner_ = gear; }
  // The attached point while it exists (a point that went is no longer linked to this one).
  TPoint* GetAttachedPoint() const;
  void SetAttachedPoint(TPoint* point);
  TFormula& X() { return *x_; }
  TFormula& Y() { return *y_; }
  TFormula& R() { return *r_; }
  void ObjectRemoved(TLink* object) override;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;

 private:
  TGear* owner_ = nullptr;
  std::unique_ptr<TFormula> x_;
  std::unique_ptr<TFormula> y_;
  std::unique_ptr<TFormula> r_;
  TPoint* attached_ = nullptr;
};

// Enters TGear, TGearCnstr and TGearCnstrPoint in the class registry, in that order.
void RegisterGearClasses();
