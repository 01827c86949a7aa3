#pragma once
// The shell's own texts, menus and accelerators in one place, so that the
// windows use them and a test can walk them.
#include <string>
#include <vector>

namespace qv {

struct MenuItemDef {
  int id;            // 0: a separator
  const char* text;  // the item text, "\t" before the key name
};

struct MenuDef {
  const char* title;
  std::vector<MenuItemDef> items;
};

// Menu resource 122 (no document) or 131 (a document open).
const std::vector<MenuDef>& MenuResource(int menuId);

struct AccelDef {
  const char* keys;  // key sequence in the portable text form
  int id;
};
// Accelerator table 122.
const std::vector<AccelDef>& Accelerators();
// The keys users expect beside that table: Save As, Copy, Paste, Help.
const std::vector<AccelDef>& StandardKeys();

// A command's status prompt: the text shown in pane 0, then "\n" and its
// short name where it has one. Null for commands without a prompt.
const char* CommandPrompt(int id);
// The part of the prompt before "\n".
std::string CommandPromptLine(int id);
// The part after it (the short name), or "" without one.
std::string CommandShortName(int id);

namespace txt {
extern const char kAppTitle[];           // 122, 57344
extern const char kIdleMessage[];        // 57345
extern const char kInfoPaneInitial[];    // 162
extern const char kZoomPaneSizer[];      // 161
extern const char kNoInfo[];             // 216
extern const char kNoFileSize[];         // 282
extern const char kClipboardTitle[];     // 212
extern const char kSizeFormat[];         // 213
extern const char kClipboardImage[];     // 281
extern const char kColorsFormat[];
extern const char kFrozenTitleFormat[];
extern const char kModifiedMarker[];
extern const char kNewImage[];           // 279
extern const char kRecentPlaceholder[];
extern const char kRecentPrompt[];
extern const char kOpenFilter[];         // 217
extern const char kSaveFilter[];         // 218
extern const char kAnyFileName[];        // 224
extern const char kByteCountFormat[];
extern const char kAboutCaption[];
extern const char kAboutProduct[];
extern const char kAboutVersion[];
extern const char kAboutOk[];
extern const char kAboutLinkText[];
extern const char kAboutLinkUrl[];
extern const char kAboutLinkFace[];
extern const char kControlBarTitle[];
extern const char kZoomRatesTip[];       // the zoom-rate drop-down
extern const char kFilterSearching[];    // 254
extern const char kFilterConverting[];   // 255
} // namespace txt

// Command 436's open dialog.
namespace txt {
extern const char kMarkerOpenFilter[];   // 221
extern const char kMarkerOpenTitle[];    // 222
} // namespace txt

// The document's preview and PNG commands.
namespace txt {
extern const char kPreviewTempPrefix[];  // the preview's file: this, 4 digits, ".jpg"
extern const char kTempFileError[];      // 355
extern const char kConvertFailed[];
extern const char kCopyFailed[];
extern const char kGammaFormat[];
extern const char kNoGammaValue[];
} // namespace txt

} // namespace qv
