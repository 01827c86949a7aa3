#pragma once
// Inputs and baselines the benchmarks share: photo-like JPEG files and the
// bare libjpeg calls the program is measured against.
#include <string>
#include <vector>

namespace qv::bench {

// Smooth light, large shapes, fine texture and sensor noise, quality 92 and
// 2 x 2 sampling as a camera writes them.
bool WritePhotoJpeg(const std::string& path, int width, int height);
// The same picture as RGB rows, top row first.
std::vector<unsigned char> PhotoPixels(int width, int height);
// One decode into a new bottom-up buffer with DIB row padding.
bool BareDecode(const std::string& path);
// One encode with the device's settings: 2 x 1 sampling, baseline, no JFIF.
bool BareEncode(const unsigned char* rows, long stride, bool bottomUp, int width, int height,
                const std::string& path, int quality);

// A fresh folder "<tmp>/<prefix>-XXXXXX"; empty when none can be made.
std::string MakeTempDir(const std::string& prefix);
// Removes a folder and everything below it (links are not followed).
void RemoveTree(const std::string& dir);

} // namespace qv::bench
