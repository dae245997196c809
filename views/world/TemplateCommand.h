#pragma once
// The world's New Button command: the action chooser asks what the new button does, and the
// button is placed on the world window at the next free place, undoably. The choice "Open a
// document..." asks for the document, and the button made opens it.

#include <cstdint>
#include <memory>
#include <string>

class TCommandCore;
class TLink;
class TTracker489;
class TWindowObject;
class TWorldDoc;

inline constexpr int16_t kCmdActionTemplate = 1104;
inline constexpr int16_t kCmdOpenDocumentTemplate = 1302;
// The chooser's answer that asks for a document.
inline constexpr int16_t kOpenDocumentChoice = 20;

struct TTemplateChoice {
  // 1104 for a button that performs the chosen command, 1302 for one that opens a document.
  int16_t command = kCmdActionTemplate;
  int16_t item = 0;
  // The chosen document's full path (1302).
  std::string path;
};

// Makes the new button of a choice, not yet in a world. The gadgets install it at start-up.
using TemplateObjectMaker = std::unique_ptr<TLink> (*)(const TTemplateChoice& choice);
void SetTemplateObjectMaker(TemplateObjectMaker maker);
// Asks the user for a document; false when the user cancels. The application installs it.
using TemplateFileChooser = bool (*)(std::string& path);
void SetTemplateFileChooser(TemplateFileChooser chooser);

// Runs the action chooser over `owner` (after the world's edit check) and answers the command
// that places the button; null when the user cancels either dialog, or when no maker or (for a
// document) no chooser is installed.
std::unique_ptr<TCommandCore> ChooseTemplateCommand(TWorldDoc& world, TWindowObject* owner);
// The command that places the button of the choice on the world's window; null without a
// maker or a window.
std::unique_ptr<TCommandCore> MakeTemplateCommand(const TTemplateChoice& choice, TWorldDoc& world);
// Readies a placement command of `command` for an object made in memory: the object takes the
// first identifier no object of the world holds and goes to the window's next free place, so that
// undo takes it out again. False when the world has no window.
bool InitPlacementOfNew(TTracker489& placing, int16_t command, std::unique_ptr<TLink> made,
                        TWorldDoc& world);
