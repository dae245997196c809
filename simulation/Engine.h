#pragma once
// The world's engine (class 406, tag "engi"): its own world in the solver library, the run
// settings that travel to the solver in block 1900 of the object stream, and the calls that read
// a world and run it into the history block. Results of the library are turned into the
// program's error numbers: MapEngineError for clearing, reading and unlocking (a code k becomes
// k - 29999, out of memory -108); the run call answers k - 29999 for every code, so that its
// callers can tell "store full" (-28798), "out of memory" (-28797), the continue signal (-27898)
// and the warnings (-27899 .. -27800) apart.
//
// Run settings are properties: the choices "Eul/" and "KT/M" (integrator), "Fas/", "Std/",
// "Acc/", "Cus/" (run mode) and the switch pairs "VrT/"/"LkT/", "dtA/"/"dtM/", "erA/"/"erM/",
// "vari"/"fixd", "asvr"/"asfx", "siga"/"sigm"; the warning flags "lV^/", "lO^/", "R#C/", "I#C/";
// the integers "spfr" and "sigm"; the numbers "dt_/", "/dt/", "err/", "fixd", "asfx", "dtI/".

#include <cstdint>
#include <vector>

#include "core/Handle.h"
#include "model/Link.h"
#include "solver/dynamics/RunSettings.h"
#include "solver/engine/EngineEntry.h"

inline constexpr uint32_t kEngineTag = MakeTag("engi");
inline constexpr int16_t kBlockRunSettings = 1900;

// Run results as the program's error numbers.
inline constexpr int16_t kErrStoreFull = -28798;
inline constexpr int16_t kErrSolverOutOfMemory = -28797;
inline constexpr int16_t kErrRunContinue = -27898;
inline constexpr int16_t kErrSolverWarningFirst = -27899;
inline constexpr int16_t kErrSolverWarningLast = -27800;

// 0 for 0, -108 for 1202 (out of memory), code - 29999 for any other code.
int16_t MapEngineError(int32_t code);
// code - 29999 for every code but 0 (the run call's numbering).
int16_t RunErrorNumber(int32_t code);

// The input value records of a run call: 12 bytes each (identifier, value), host order, no
// padding, ended by identifier 0, in a buffer of 360 bytes: at most 29 inputs.
class TInputRecords {
 public:
  static constexpr int32_t kBufferBytes = 360;
  static constexpr int32_t kMostInputs = kBufferBytes / kInputRecordBytes - 1;

  // Appends one record; false (nothing added) when the buffer is full or the identifier is 0.
  bool Add(int32_t identifier, double value);
  int32_t Count() const { return count_; }
  // The records and the end mark.
  const uint8_t* Bytes() const { return bytes_; }
  int32_t Size() const { return (count_ + 1) * kInputRecordBytes; }

 private:
  uint8_t bytes_[kBufferBytes] = {};
  int32_t count_ = 0;
};

class TEngine : public TLink {
  DECLARE_CLASS_ID(406, TLink)

 public:
  // Makes the engine's own world in the library (which must be loaded).
  TEngine();
  ~TEngine() override;

  static int16_t MapEngineError(int32_t code) { return ::MapEngineError(code); }

  // Forgets the world read last.
  int16_t ClearWorld();
  // Reads the world from the native object stream; 0 or the mapped error (-25002 for a stream
  // the solver cannot read). Null bytes or a negative count are refused as unreadable.
  int16_t ReadWorld(const uint8_t* bytes, int32_t count);
  // Runs into the history block: the records (up to inputBytes), the block and the bytes of it
  // the solver may use (never more than the block holds), the progress callback and the status
  // record of three words. Answers 0 or the run's error number.
  int16_t Run(const uint8_t* inputs, int32_t inputBytes, Handle history, int32_t historyBytes,
              EngineProgressCallback progress, int32_t* status);
  int16_t Unlock();
  // The animation step: seconds between frames.
  double GetTimeStep();
  // The world's engine values: 1 the assembly error, 2 the overlap error (0.0 when the library
  // cannot answer).
  double GetEngineValue(int32_t which) const;
  // Takes the library's suggestions for every setting whose automatic switch is on.
  void SuggestTimeStep();

  yb::dynamics::RunSettings& Settings() { return settings_; }
  const yb::dynamics::RunSettings& Settings() const { return settings_; }
  void SetRunMode(int16_t mode);

  // Property protocol. The extra argument of the getters, when not null, is a uint16_t that
  // receives whether the setting can be edited now.
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* enabled) override;
  void SelectChoice(uint32_t tag) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* enabled) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* enabled) override;
  void SetIntProperty(uint32_t tag, int32_t value) override;
  // A number setting in internal units, with its dimension code and whether it may be edited.
  uint16_t GetNumberSetting(uint32_t tag, double& value, int32_t& dimension, uint16_t& enabled);
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;

  // Filing: the run settings block, also read by the solver. A world has one engine: the
  // settings of a document read into a world go to the engine it has.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // Every change a user makes to a setting but the run mode and the automatic step and error.
  void ChangedToCustom();
  void SettingsChanged();

  EngineWorld* world_ = nullptr;
  yb::dynamics::RunSettings settings_;
};

// Starts the solver library (a failure is raised) and registers TEngine; FreeEngineLibrary ends
// the library.
void LoadEngineLibrary();
void FreeEngineLibrary();
