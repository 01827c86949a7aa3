#pragma once
// One-line texts from a parsed Exif block: maker, optics, date, exposure mode
// and exposure. Texts are internal (CP932) text.
#include <string>

namespace qv {

class CExifReader;

// Language offsets of the name tables.
enum : int { EXIF_JAPANESE = 0, EXIF_ENGLISH = 400 };

// Each sets text (cleared first) and returns 1 when it is not empty, else 0.
int MakerText(const CExifReader& reader, std::string& text);
int OpticalText(const CExifReader& reader, std::string& text);
int DateText(const CExifReader& reader, std::string& text);
int ExposureModeText(const CExifReader& reader, std::string& text, int languageOffset);
int ExposureText(const CExifReader& reader, std::string& text);

// The five lines in the order the information window shows them.
enum ExifLine : int { EL_MAKER, EL_OPTICAL, EL_DATE, EL_EXPOSURE_MODE, EL_EXPOSURE, EL_COUNT };
// "- No maker info -" ... "- No exposure info -"; null outside 0-4.
const char* ExifFallbackText(int line);
// The line's summary text, or its fallback when there is no reader or the
// summary is empty.
std::string ExifInfoLine(const CExifReader* reader, int line, int languageOffset = EXIF_JAPANESE);

// The name-table string of a resource id (2101-2306 Japanese, 2501-2706
// English) as internal text; "" for other ids.
std::string ExifSummaryString(int id);

} // namespace qv
