#pragma once
// Colour operations of the image document: the tone curve of the gamma and
// brightness dialog, and the split into Y, Cb and Cr greyscale images.
#include <memory>
#include <string>
#include <vector>

#include "image/ImageDoc.h"
#include "image/ToneTables.h"

namespace qv {

inline constexpr const char kGammaOperation[] = "Gamma";
inline constexpr const char kSeparateOperation[] = "CvEmYcbcr";
inline constexpr const char kModifiedImage[] = "Modified Image";  // string 280

// Every sample byte b of the image becomes gamma[level[b]]. On success the
// document holds the new image, drops its colour table, has file size 0
// and the description "%dx%d Modified Image"; the caller then marks the
// document modified. Returns 1, or 0 after a report ("Gamma") with the
// document's image as it was.
int ApplyToneCurve(CImageDoc& doc, const ToneTable& gamma, const ToneTable& level);

// The three components, each an 8-bit greyscale value per pixel.
struct YCbCr {
  int y, cb, cr;
};
YCbCr YCbCrOf(int red, int green, int blue);

// A document made by the separation and the title it should show.
struct SeparatedImage {
  std::unique_ptr<CImageDoc> doc;
  std::string title;
};
// Appends the Y, Cb and Cr documents (new images of the source's size, 8-bit
// on a grey ramp, with the source's document id) to `out`, titled
// sourceTitle + "[Y]", "[Cb]", "[Cr]". Returns 1, or 0 after a report
// ("CvEmYcbcr"); documents made before a failure stay in `out`.
int SeparateYCbCr(const CImageDoc& source, const std::string& sourceTitle, std::vector<SeparatedImage>& out);

} // namespace qv
