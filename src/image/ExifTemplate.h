#pragma once
// The fixed Exif block the device expects in every file.
#include <cstdint>
#include <vector>

namespace qv {

constexpr int kExifTemplateSize = 262;
constexpr int kExifThumbLengthOffset = 238;
// 270 + thumbnail length must fit the 16-bit segment length.
constexpr uint32_t kMaxThumbnailBytes = 65535 - 270;

// The 262 bytes of TIFF data (little-endian) with the thumbnail length
// patched in; the thumbnail itself follows them in the segment.
std::vector<uint8_t> BuildExifTemplate(uint32_t thumbnailLength);

} // namespace qv
