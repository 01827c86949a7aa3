#pragma once
// Command identifiers the image view handles.

namespace qv {

enum ViewCommand : int {
  ID_ZOOM_RATE_FIRST = 401,  // 401..412: table entry 0..11
  ID_ZOOM_RATE_LAST = 412,
  ID_SIZE_UP = 422,
  ID_SIZE_DOWN = 423,
  ID_SIZE_RAW = 424,
  ID_SYNC_VIEWS = 425,
  ID_ZOOM_SELECTION = 426,
  ID_FIT_WINDOW = 427,
  ID_FILE_SAVE_AS = 57604,
  ID_EDIT_COPY = 57634,
};

} // namespace qv
