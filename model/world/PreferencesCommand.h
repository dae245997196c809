#pragma once
// The command that makes a world the start of every new document: it writes the world, without
// its recorded frames, as the preferences document in the program's configuration directory,
// which File > New copies. The world's own document stays as it was (its name, its changes).

#include <cstdint>
#include <string>

#include "model/command/CommandCore.h"

class TWorldDoc;

inline constexpr int16_t kCmdMakePreferences = 1145;
inline constexpr char kPreferencesDocumentName[] = "YBPREFS4.YB";

class TPreferencesCommand : public TSmallCommand {
 public:
  TPreferencesCommand(TWorldDoc& world, TCommandDocument* document);
  // Writes the preferences document; a configuration directory that cannot be made or written
  // fails with the file error, leaving no half-written document behind.
  void DoIt() override;
  // Where DoIt writes; empty while the program has no configuration directory.
  static std::string PreferencesPath();

 private:
  TWorldDoc& world_;
};
