#pragma once
// Messages the image operations report with ShowFileError.

namespace qv {

inline constexpr const char kCantMakeBitmap[] = "Can't make the bitmap.";  // string 353
inline constexpr const char kCantMakeDib[] = "Can't make the DIB";         // string 354

} // namespace qv
