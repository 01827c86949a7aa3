#pragma once
// The tables of the gamma and brightness dialog. A sample byte s is
// corrected to G[L[s]]: first the contrast and bias table L, then the gamma
// table G. Both hold values 0..255.
#include <array>

namespace qv {

class CMemBitmap;

using ToneTable = std::array<int, 256>;

// The dialog's limits.
constexpr double kGammaMin = 0.01;
constexpr double kGammaMax = 4.99;
constexpr int kLevelMin = -255;
constexpr int kLevelMax = 255;

// The inverse of the power curve base^g; identity for g = 1. Defined for
// every g (zero, negative and non-finite values give a table of 0..255
// values too), though the dialog only offers kGammaMin..kGammaMax.
ToneTable BuildGammaTable(double gamma);

// A line of slope set by the contrast (steeper above 0, flatter below)
// shifted by the bias; with contrast 0, L[i] = i + bias clamped to 0..255.
// Defined for every int.
ToneTable BuildLevelTable(int contrast, int bias);

// Smallest and largest sample byte of the image's 24-bit rows (padding
// excluded). An empty image gives min 255, max 0.
void SampleRange(const CMemBitmap& image, int& minSample, int& maxSample);

} // namespace qv
