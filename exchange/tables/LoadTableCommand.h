#pragma once
// The command that loads a data table: asks for a table file (*.dta) and reads it into the
// world's table manager.
//
//   TCommandCore (295) > TSmallCommand (325) > TLoadTableCommand (380)

#include <cstdint>
#include <optional>
#include <string>

#include "model/command/CommandCore.h"

class TDataTable;
class TDataTableManager;

inline constexpr int16_t kLoadTablePromptString = 12201;
inline constexpr int16_t kLoadTableFilterString = 19992;

class TLoadTableCommand : public TSmallCommand {
  DECLARE_CLASS_ID(380, TSmallCommand)

 public:
  void Init(int16_t commandNumber, TDataTableManager& manager);
  // Asks for the file, then reads it; giving up reads nothing and says nothing.
  void DoIt() override;
  // The table read by the last DoIt, if any.
  TDataTable* GetLoaded() const { return loaded_; }

 private:
  std::optional<std::string> ChooseFile() const;

  TDataTableManager* manager_ = nullptr;
  TDataTable* loaded_ = nullptr;
};
