#pragma once
// Fitting a picture onto a canvas and the separable integer resampler that
// makes the device files: every column first, then every row, 8-bit
// channels, results defined to the bit.
#include <cstdint>
#include <string>
#include <vector>

#include "image/DibBitmap.h"
#include "image/DisplayBitmap.h"
#include "image/ImageTexts.h"

namespace qv {

// The document reports resize failures as ShowFileError(kResizeOperation, path, message).
inline constexpr const char kResizeOperation[] = "Resize";

// Where a picture of a source size lands on a canvas: its fitted size and
// its first column and first memory row (rows count from the bottom).
struct FitResult {
  int width = 0;
  int height = 0;
  int x0 = 0;
  int y0 = 0;
};
// A 4:3 source is stretched to the canvas; any other keeps its aspect.
FitResult FitToCanvas(int srcWidth, int srcHeight, int canvasWidth, int canvasHeight);

// One-dimensional kernels over one channel; steps are bytes between
// successive samples.
//
// Weighted box average for dstLen <= srcLen (does nothing otherwise).
void ShrinkLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep);

// One record per output sample. A weight of -1 marks an unused sample; a
// centre weight of 0 copies the centre sample.
struct EnlargeWeight {
  int64_t centre;
  int64_t previous;
  int64_t next;
  int64_t sum;
};
// Inverse-distance weights of up to three neighbours; empty when a length
// is not positive or dstLen exceeds 2^30.
std::vector<EnlargeWeight> BuildEnlargeWeights(int srcLen, int dstLen);
// `weights` holds dstLen records, normally BuildEnlargeWeights(srcLen, dstLen).
void EnlargeLine(uint8_t* dst, int dstLen, int dstStep, const uint8_t* src, int srcLen, int srcStep,
                 const EnlargeWeight* weights);

// Resamples `source` (its 24-bit rows) onto a black width x height canvas,
// fitted and centred, and makes `out` the displayable result. Returns 1, or
// 0 with *error set to the message to report (out is then left empty).
int ResizeBitmap(const CMemBitmap& source, int width, int height, const DisplayOptions& display,
                 CDibBitmap& out, FitResult* fitted, std::string* error);

// A white width x height canvas in `out`. Returns 1, or 0 with *error set.
int MakeBlankImage(int width, int height, const DisplayOptions& display, CDibBitmap& out,
                   std::string* error);

} // namespace qv
