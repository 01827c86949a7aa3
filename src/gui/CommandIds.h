#pragma once
// Command identifiers of the main window, its menus and the document
// commands the frames route. The view's own commands are in
// gui/ViewCommandIds.h.

namespace qv {

enum AppCommand : int {
  ID_FILE_OPEN = 57601,
  ID_FILE_CLOSE = 57602,
  ID_FILE_MRU_FIRST = 57616,  // the recent-file entries, one id each
  ID_FILE_MRU_LAST = 57631,
  ID_EDIT_CLEAR_ALL = 57633,  // empty the clipboard
  ID_EDIT_PASTE = 57637,
  ID_WINDOW_CASCADE = 57650,  // "&Layer"
  ID_WINDOW_TILE_HORZ = 57651,
  ID_WINDOW_TILE_VERT = 57652,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_HELP_INDEX = 57666,
  ID_HELP_FINDER = 57667,
  ID_VIEW_STATUS_BAR = 59393,
  ID_CLOSE_ALL = 428,
  ID_BATCH_CONVERT = 438,
  ID_SETTINGS = 441,
  ID_EXIF_WINDOW = 444,
  ID_NOTHING_442 = 442,
  ID_NOTHING_1320 = 1320,
  ID_NOTHING_1321 = 1321,
  ID_NOTHING_1322 = 1322,
  ID_MARKER_OPEN = 436,       // open a file in marker-edit mode
  ID_BULK_FILTER = 439,
  ID_VIEW_TOOLBAR = 443,      // the control toolbar
};

// The document's own commands (none has a menu entry).
enum DocCommand : int {
  ID_FILE_RELOAD = 429,
  ID_CONVERT_PREVIEW = 431,   // to a JPEG preview
  ID_SEPARATE_YCC = 432,
  ID_MARKER_EDIT = 433,
  ID_PNG_GAMMA = 434,
  ID_PNG_TRANSPARENT = 435,
  ID_RESIZE = 437,
  ID_COMMENT_EDIT = 440,
  ID_GAMMA = 445,
  ID_COMMENT_TOGGLE = 1005,
  ID_CUSTOM_DQT_TOGGLE = 1308,
  ID_CUSTOM_DQT_EDIT = 1309,
};

// Resource ids of the menus: no document open, a document open.
constexpr int IDR_MAINFRAME = 122;
constexpr int IDR_IMAGETYPE = 131;
// Most recent-file entries a menu can hold.
constexpr int kMaxRecentFiles = ID_FILE_MRU_LAST - ID_FILE_MRU_FIRST + 1;

} // namespace qv
