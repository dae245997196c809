#pragma once
// Force fields. A field of a world (gravity, air resistance, electrostatics, a field the user
// writes) is carried by two objects: a field group that names the bodies it acts on, and a field
// constraint that keeps its settings and turns them into force goals for the solver. A field acts
// on each body by itself (its related-object query answers the world's ground body) or between
// pairs of bodies (it answers none, and its formulas name "other").
//
// Contents:
//   1. TFieldGroup (500) and the four field groups 501-504: the group's own block   Field.cpp
//   2. TFieldCnstr (495): own block, menu command, display name                     Field.cpp
//   3. TGravCnstr (496), TElectCnstr (499), TAirCnstr (497): settings and goals     FieldKinds.cpp
//   4. TCustomCnstr (498): three formulas and the stored sample fields "cfS1"       FieldCustom.cpp
//   Registration of every field class, the collision group first                  Field.cpp

#include <cstdint>
#include <memory>

#include "bodies/vectors/VectorArrows.h"
#include "constraints/Constraint.h"
#include "model/world/Group.h"

class TCommandCore;

inline constexpr uint32_t kGravGroupTag = MakeTag("grvg");
inline constexpr uint32_t kAirGroupTag = MakeTag("airg");
inline constexpr uint32_t kCustomGroupTag = MakeTag("cusg");
inline constexpr uint32_t kElectGroupTag = MakeTag("e g ");
inline constexpr uint32_t kGravFieldTag = MakeTag("grvC");
inline constexpr uint32_t kAirFieldTag = MakeTag("airC");
inline constexpr uint32_t kCustomFieldTag = MakeTag("cusC");
inline constexpr uint32_t kElectFieldTag = MakeTag("e C ");

// Properties of the kinds.
inline constexpr uint32_t kTagGravNone = MakeTag("none");
inline constexpr uint32_t kTagGravLine = MakeTag("line");
inline constexpr uint32_t kTagGravPlanetary = MakeTag("plan");
inline constexpr uint32_t kTagLineGravity = MakeTag("grLi");
inline constexpr uint32_t kTagPlanetaryConstant = MakeTag("grPl");
inline constexpr uint32_t kTagElectOn = MakeTag("elon");
inline constexpr uint32_t kTagElectOff = MakeTag("elof");
inline constexpr uint32_t kTagElectConstant = MakeTag("elEt");
inline constexpr uint32_t kTagAirLinear = MakeTag("airV");
inline constexpr uint32_t kTagAirQuadratic = MakeTag("air2");
inline constexpr uint32_t kTagAirNone = MakeTag("airN");
inline constexpr uint32_t kTagAirLinearCoefficient = MakeTag("aiV ");
inline constexpr uint32_t kTagAirQuadraticCoefficient = MakeTag("aiV2");
inline constexpr uint32_t kTagAirKindText = MakeTag("aST1");
inline constexpr uint32_t kTagCustomNone = MakeTag("cuRN");
inline constexpr uint32_t kTagCustomPairwise = MakeTag("cuRP");
inline constexpr uint32_t kTagCustomField = MakeTag("cuRF");
inline constexpr uint32_t kTagCustomForceX = MakeTag("smFx");
inline constexpr uint32_t kTagCustomForceY = MakeTag("smFy");
inline constexpr uint32_t kTagCustomTorque = MakeTag("smT ");
inline constexpr uint32_t kTagCustomSample = MakeTag(" Smp");
// The type of the stored sample fields.
inline constexpr uint32_t kSampleFieldType = MakeTag("cfS1");

// Dimension codes of the settings.
inline constexpr int32_t kUnitAcceleration = 0x01E00000;
inline constexpr int32_t kUnitPlanetary = static_cast<int32_t>(0xF3E00000u);
inline constexpr int32_t kUnitElectrostatic = 0x13C0E000;
inline constexpr int32_t kUnitLinearDrag = 0x1FF00000;
inline constexpr int32_t kUnitQuadraticDrag = 0x1E000000;
inline constexpr int32_t kUnitFieldForce = 0x11E00000;
inline constexpr int32_t kUnitFieldTorque = 0x12E00001;

// What a field tells of one of its number settings: the second value its getter gives back,
// the dimension code, and whether the setting applies to the kind in force. The getter's extra
// pointer (may be null) receives the second value alone, a double, as every number getter's
// does; DescribeNumber gives the whole.
struct FieldNumberInfo {
  double second = 0.0;
  int32_t dimension = 0;
  uint16_t applicable = 0;
};

// String lists: the names of the air kinds, and the punctuation of a field's display name.
inline constexpr int16_t kAirKindNames = 1122;
inline constexpr int16_t kFieldNamePunctuation = 4003;

// ---- 1. Field groups ----
class TFieldGroup : public TGroup {
  DECLARE_CLASS_ID(500, TGroup)

 public:
  void Initialize() override;
  int16_t GetOwnBlockCode() const { return ownBlock_; }
  virtual void ReadOwnBlock(TObjectReader&) {}
  virtual void WriteOwnBlock(TObjectWriter&) {}

  uint16_t CanReadBlock(int16_t code) override { return code == ownBlock_ ? 1 : 0; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  void SetOwnBlockCode(int16_t code) { ownBlock_ = code; }

 private:
  int16_t ownBlock_ = 0;
};

// One field group per kind: each differs only in the code of its own block.
template <int16_t ClassId, int16_t Block>
class TFieldGroupOf : public TFieldGroup {
  DECLARE_CLASS_ID(ClassId, TFieldGroup)

 public:
  static constexpr int16_t kBlock = Block;
  static TObject* CreateObject() { return new TFieldGroupOf; }
  void Initialize() override {
    TFieldGroup::Initialize();
    SetOwnBlockCode(Block);
  }
};

using TGravGroup = TFieldGroupOf<501, 5101>;
using TAirGroup = TFieldGroupOf<502, 5100>;
using TCustomGroup = TFieldGroupOf<503, 5103>;
using TElectGroup = TFieldGroupOf<504, 5102>;

// ---- 2. Field constraint base ----
class TFieldCnstr : public TUICnstr, public TVectorFieldSource {
  DECLARE_CLASS_ID(495, TUICnstr)

 public:
  // Makes the command that opens a field's settings for the user; the user interface fills it
  // at start-up. Without it the settings command makes nothing.
  using SettingsCommandMaker = TCommandCore* (*)(int16_t command, TFieldCnstr& field);
  static void SetSettingsCommandMaker(SettingsCommandMaker maker);

  void Initialize() override;
  // A field is set from its menu command, never picked: it is not drawn.
  bool CanBeSelected() const override { return false; }
  int16_t GetOwnBlockCode() const { return ownBlock_; }
  int16_t GetMenuCommand() const { return menuCommand_; }
  // Whether the field acts now, and whether it acts on each body by itself.
  virtual bool IsFieldOn() const { return false; }
  virtual bool IsPerBodyField() const { return true; }
  // What the vector arrows of bodies ask: a field that acts, and whether it acts on each body.
  bool IsVectorFieldReady() const override { return IsFieldOn(); }
  bool IsVectorFieldUniform() const override { return IsPerBodyField(); }
  // What the kind tells of its number setting of the tag; false for a tag it does not have.
  virtual bool DescribeNumber(uint32_t /*tag*/, FieldNumberInfo& /*info*/) const { return false; }
  // The number of goals the kind hands the solver.
  virtual int32_t FieldGoalCount() const { return 0; }
  // Writes the kind's goals after the extra goals.
  virtual void BuildFormula() {}

  // The name, the first punctuation, the object's number and the second punctuation.
  Str255 GetDisplayName() const;
  // Enables the own command unless memory is low.
  void DoSetupMenus() override;
  // The own command, in a world: the edit check, then the settings command. The field takes no
  // other number.
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override;

  int32_t KindGoalCount() const override { return FieldGoalCount(); }
  void MarkGoals() override { BuildFormula(); }
  int16_t KindBlockCode() const override { return ownBlock_; }
  uint16_t CanReadBlock(int16_t code) override { return code == ownBlock_ ? 1 : 0; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  // The group read back as the related object is linked with the field, so that it is forgotten
  // when it leaves the world.
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  // Makes the group the field's related object and links the two.
  void SetFieldGroup(TGroup* group);
  int32_t RequiredAttachments() const override { return 0; }
  bool LosesAttachments(const std::vector<TLink*>&) const override { return false; }

 protected:
  void SetOwnBlockCode(int16_t code) { ownBlock_ = code; }
  void SetMenuCommand(int16_t command) { menuCommand_ = command; }
  // The world's ground body, found among the objects linked with the field.
  TLink* GroundBody() const;
  // The field's group, when it has one.
  TGroup* FieldGroup() const;
  // The goal of the kind's index-th goal (1-based), or null beyond the goal list.
  TCnstrGoal* FieldGoal(int32_t index);
  static void SetGoalText(TCnstrGoal& goal, const Str255& text);
  // The number as the goal texts hold it: 18 significant digits.
  static Str255 NumberText(double value);

 private:
  int16_t ownBlock_ = 0;
  int16_t menuCommand_ = 0;
};

// ---- 3. Gravity, electrostatics, air resistance ----
class TGravCnstr : public TFieldCnstr {
  DECLARE_CLASS_ID(496, TFieldCnstr)

 public:
  static constexpr int16_t kBlock = 5151;
  static constexpr int16_t kCommand = 10420;
  enum Kind : int32_t { kNone = 0, kLine = 1, kPlanetary = 2 };
  static TObject* CreateObject();
  void Initialize() override;

  int32_t GetKind() const { return kind_; }
  // A new kind tells the group how to take its members: each against the ground for line
  // gravity, in pairs for planetary gravity, every explicit pair for none.
  void SetKind(int32_t kind);
  double GetLineGravity() const { return line_; }
  double GetPlanetaryConstant() const { return planetary_; }

  bool IsFieldOn() const override { return kind_ != kNone; }
  bool IsPerBodyField() const override { return kind_ == kLine; }
  int32_t FieldGoalCount() const override { return kind_ != kNone ? 1 : 0; }
  void BuildFormula() override;
  TLink* RelatedObjectQuery() const override;

  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  bool DescribeNumber(uint32_t tag, FieldNumberInfo& info) const override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 private:
  int32_t kind_ = kNone;
  double line_ = 0.0;
  double planetary_ = 0.0;
};

class TElectCnstr : public TFieldCnstr {
  DECLARE_CLASS_ID(499, TFieldCnstr)

 public:
  static constexpr int16_t kBlock = 5152;
  static constexpr int16_t kCommand = 10422;
  static TObject* CreateObject();
  void Initialize() override;

  uint16_t IsOn() const { return on_; }
  void SetOn(uint16_t on);
  double GetConstant() const { return constant_; }

  bool IsFieldOn() const override { return on_ != 0; }
  bool IsPerBodyField() const override { return false; }
  int32_t FieldGoalCount() const override { return on_ != 0 ? 1 : 0; }
  void BuildFormula() override;

  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  bool DescribeNumber(uint32_t tag, FieldNumberInfo& info) const override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 private:
  uint16_t on_ = 0;
  double constant_ = 0.0;
};

class TAirCnstr : public TFieldCnstr {
  DECLARE_CLASS_ID(497, TFieldCnstr)

 public:
  static constexpr int16_t kBlock = 5150;
  static constexpr int16_t kCommand = 10421;
  enum Kind : int32_t { kNone = 0, kLinear = 1, kQuadratic = 2 };
  static TObject* CreateObject();
  void Initialize() override;

  int32_t GetKind() const { return kind_; }
  void SetKind(int32_t kind);
  double GetLinearCoefficient() const { return linear_; }
  double GetQuadraticCoefficient() const { return quadratic_; }
  // The direction of the force's frame: the body's velocity.
  const TFormula& Direction() const { return *direction_; }

  bool IsFieldOn() const override { return kind_ != kNone; }
  int32_t FieldGoalCount() const override { return kind_ != kNone ? 1 : 0; }
  void BuildFormula() override;
  TLink* RelatedObjectQuery() const override { return GroundBody(); }
  const TFormula& PrimaryQuantity() const override { return *direction_; }

  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  bool DescribeNumber(uint32_t tag, FieldNumberInfo& info) const override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 private:
  int32_t kind_ = kNone;
  double linear_ = 0.0;
  double quadratic_ = 0.0;
  std::unique_ptr<TFormula> direction_;
};

// ---- 4. Custom field ----
class TCustomCnstr : public TFieldCnstr {
  DECLARE_CLASS_ID(498, TFieldCnstr)

 public:
  static constexpr int16_t kBlock = 5153;
  static constexpr int16_t kCommand = 10423;
  enum Kind : int32_t { kNone = 0, kPairwise = 1, kField = 2 };
  // The sample number that means the formulas are the user's own.
  static constexpr int16_t kNoSample = 1;
  static TObject* CreateObject();
  void Initialize() override;

  int32_t GetKind() const { return kind_; }
  // Pairwise fields take their members in pairs, per-body ones each against the ground; none
  // empties the three formulas.
  void SetKind(int32_t kind, uint16_t notify);
  TFormula& ForceX() { return *forceX_; }
  TFormula& ForceY() { return *forceY_; }
  TFormula& Torque() { return *torque_; }
  // The sample the formulas still match, else 1.
  int16_t GetSample();
  // Takes the kind and formulas of the sample (a missing sample raises the resource failure).
  void SetSample(int16_t sample);

  bool IsFieldOn() const override { return kind_ != kNone; }
  bool IsPerBodyField() const override { return kind_ == kField; }
  int32_t FieldGoalCount() const override;
  void BuildFormula() override;
  TLink* RelatedObjectQuery() const override;

  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 private:
  TFormula* OwnFormula(uint32_t tag) const;

  int32_t kind_ = kNone;
  int16_t sample_ = kNoSample;
  std::unique_ptr<TFormula> forceX_;
  std::unique_ptr<TFormula> forceY_;
  std::unique_ptr<TFormula> torque_;
};

// A stored sample field, as the "cfS1" resources hold it.
struct SampleField {
  int16_t kind = 0;
  Str255 forceX, forceY, torque;
};
// Reads sample n; false when there is none, it is shorter than its kind or its kind is unknown.
// A text without its terminator ends at its field's end.
bool LoadSampleField(int16_t number, SampleField& sample);

// Enters the collision group, the four field groups and the four field constraints in the class
// registry.
void RegisterFieldClasses();
