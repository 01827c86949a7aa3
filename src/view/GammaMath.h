#pragma once
// The gamma and brightness dialog without its window: the sliders' ranges
// and marks, what the edits accept, the three values and their two tables,
// the curve plot's points and the tone preview's geometry and pixels.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "image/ToneTables.h"
#include "view/ZoomMath.h"

namespace qv {

class CMemBitmap;

// The dialog's texts (resource 157).
inline constexpr const char kGammaCaption[] = "ガンマ/輝度補正";
inline constexpr const char kGammaLabel[] = "&Gamma";
inline constexpr const char kContrastLabel[] = "&Contrast";
inline constexpr const char kBiasLabel[] = "&Bias";
inline constexpr const char kSwitchZoomButton[] = "Switch &Zoom";
inline constexpr const char kCurveLabel[] = "v-i Curve";
inline constexpr const char kGammaHelpButton[] = "&Help";
constexpr int kGammaHelpTopic = 1312;

// ---- sliders ----
struct SliderSetup {
  int minimum, maximum, page;
  std::vector<int> ticks;
};
// 1..499 (gamma x 100), marks at 0, 100, .., 400, page 25.
SliderSetup GammaSliderSetup();
// 0..510 (value + 255), marks at 255, 127, 255, 383, page 32.
SliderSetup LevelSliderSetup();

// trunc(gamma x 100), with a hair of slack so that 0.29 lands on 29 and not
// on 28.999...; never outside 0..INT_MAX.
int GammaSliderPosition(double gamma);
double GammaOfSliderPosition(int position);  // position x 0.01
int LevelSliderPosition(int value);          // value + 255
int LevelOfSliderPosition(int position);     // position - 255

std::string GammaText(double gamma);  // "%1.2f"
std::string LevelText(int value);     // "%d"

// ---- edits ----
enum class EntryOutcome {
  Ignored,    // nothing to do (an empty gamma edit)
  Refused,    // beep, keep everything
  Unchanged,  // valid, equal to the current value
  Accepted,   // valid and new: store it and follow it everywhere
};
struct GammaEntry {
  EntryOutcome outcome;
  double value;
};
// The number atof would read (in any locale: the point is always '.'),
// accepted within kGammaMin..kGammaMax.
GammaEntry ReadGammaEntry(const std::string& text, double current);
struct LevelEntry {
  EntryOutcome outcome;
  int value;
};
// A signed decimal integer accepted within kLevelMin..kLevelMax. Empty text
// and a lone sign read as 0, as an edit that holds no number does; other
// text that is no number, and numbers of any length outside the range,
// are refused.
LevelEntry ReadLevelEntry(const std::string& text, int current);

// ---- the values and their tables ----
// The corrected value of a sample s is G[L[s]].
struct ToneCurveValues {
  double m_dGamma = 1.0;
  int m_nContrast = 0;
  int m_nBias = 0;
  ToneTable m_anGamma = BuildGammaTable(1.0);
  ToneTable m_anLevel = BuildLevelTable(0, 0);

  void SetGamma(double gamma);
  void SetContrast(int contrast);
  void SetBias(int bias);
};
using ToneMap = std::array<uint8_t, 256>;
// G[L[s]] per byte, with ApplyToneCurve's clamping, so the preview shows
// exactly what OK will do.
ToneMap FoldToneTables(const ToneTable& gamma, const ToneTable& level);
void MapSamples(const ToneMap& map, const uint8_t* src, uint8_t* dst, size_t count);

// ---- curve plot ----
struct PlotArea {
  int side = 0, left = 0, top = 0;
};
// side = min(cx, cy) - 2, centred.
PlotArea CurvePlotArea(int clientWidth, int clientHeight);
// x = left + sample x side / 255.
int SampleLineX(const PlotArea& area, int sample);
// The 256 corners of the curve: (left + i x side / 255, top + side x (255 - G[L[i]]) / 255).
std::vector<ZPoint> CurvePoints(const PlotArea& area, const ToneTable& gamma, const ToneTable& level);

// ---- tone preview ----
enum : int { PREVIEW_ONE_TO_ONE = 0, PREVIEW_FITTED = 1 };
struct PreviewLayout {
  double m_dScale = 1.0;     // image pixels per control pixel when fitted
  ZPoint m_ptSource;         // top-left image pixel shown one to one
  ZPoint m_ptOneToOneDest;   // where a small image starts one to one
  ZPoint m_ptFitDest;        // the fitted rectangle
  ZSize m_sizeFit;
};
// The layout for a control of cx x cy (a wide image fills the width, any
// other the height). A control or image without area keeps scale 1 and an
// empty fit.
PreviewLayout LayoutTonePreview(int imageWidth, int imageHeight, int cx, int cy);
// The one-to-one source point that brings the clicked point of the fitted
// image to the middle of the control, kept within the image.
ZPoint SourceForClick(const PreviewLayout& layout, int x, int y, int imageWidth, int imageHeight, int cx, int cy);

// Blue-green-red pixels, top row first, 3 x width bytes a row.
struct PreviewPixels {
  int width = 0, height = 0;
  std::vector<uint8_t> bgr;
};
// The image reduced to at most width x height (never enlarged): the area
// average of each pixel's source block, or its top-left source pixel (the
// plain stretch). Empty for an empty image or size.
PreviewPixels ReducedCopy(const CMemBitmap& image, int width, int height, bool average);
// The block of the image from (x, y) of width x height that lies inside it;
// `at` gets the block's top-left corner in image pixels.
PreviewPixels ImageBlock(const CMemBitmap& image, int x, int y, int width, int height, ZPoint& at);

} // namespace qv
