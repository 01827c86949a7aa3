#include "support/BenchPhotos.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace qv::bench {
namespace {

// A photograph stand-in: smooth light, large shapes, fine texture and
// sensor noise, so the entropy decoder has realistic work per block.
struct PhotoRows {
  int width, height;
  uint32_t state = 12345;

  uint32_t Next() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  }
  void Row(int y, unsigned char* rgb) {
    const double v = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double light = 0.55 + 0.35 * std::sin(3.1 * u + 1.7 * v) * std::cos(2.3 * v - 0.8 * u);
      const double shape = std::sin(u * 41.0 + std::sin(v * 23.0) * 3.0) * std::sin(v * 37.0 + u * 5.0);
      const double grain = std::sin(x * 0.71 + y * 0.37) * std::sin(x * 0.23 - y * 0.61);
      const double base = 255.0 * (light + 0.12 * shape + 0.05 * grain);
      for (int k = 0; k < 3; ++k) {
        const double tint = (k == 0 ? 1.05 : k == 1 ? 0.95 : 0.8) * base + 20.0 * k * (1.0 - v);
        const double noise = static_cast<double>(Next() % 25) - 12.0;
        const double c = tint + noise;
        rgb[3 * x + k] = static_cast<unsigned char>(c < 0 ? 0 : c > 255 ? 255 : c);
      }
    }
  }
};

} // namespace

std::vector<unsigned char> PhotoPixels(int width, int height) {
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
  PhotoRows photo{width, height};
  for (int y = 0; y < height; ++y) photo.Row(y, &rgb[static_cast<size_t>(y) * width * 3]);
  return rgb;
}

bool WritePhotoJpeg(const std::string& path, int width, int height) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);  // exits on error: fine for a benchmark's own input
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 92, TRUE);
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 2;
  jpeg_start_compress(&c, TRUE);
  PhotoRows photo{width, height};
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  while (c.next_scanline < c.image_height) {
    photo.Row(static_cast<int>(c.next_scanline), row.data());
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

// One bare decode into a bottom-up buffer with DIB row padding, as the
// document keeps it.
bool BareDecode(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_stdio_src(&d, f);
  jpeg_read_header(&d, TRUE);
  jpeg_start_decompress(&d);
  const size_t stride = (d.output_width * 3 + 3) & ~size_t{3};
  std::unique_ptr<unsigned char[]> image(new unsigned char[stride * d.output_height]);
  while (d.output_scanline < d.output_height) {
    JSAMPROW row = image.get() + (d.output_height - 1 - d.output_scanline) * stride;
    jpeg_read_scanlines(&d, &row, 1);
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  std::fclose(f);
  // Keep the decode from being optimised away.
  volatile unsigned char sink = image[stride * d.output_height / 2];
  (void)sink;
  return true;
}


bool BareEncode(const unsigned char* rows, long stride, bool bottomUp, int width, int height,
                const std::string& path, int quality) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = static_cast<JDIMENSION>(width);
  c.image_height = static_cast<JDIMENSION>(height);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  c.optimize_coding = FALSE;
  c.comp_info[0].h_samp_factor = 2;
  c.comp_info[0].v_samp_factor = 1;
  c.write_JFIF_header = FALSE;
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    const long y = bottomUp ? height - 1 - static_cast<long>(c.next_scanline) : static_cast<long>(c.next_scanline);
    JSAMPROW row = const_cast<unsigned char*>(rows) + y * stride;
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

std::string MakeTempDir(const std::string& prefix) {
  const char* t = std::getenv("TMPDIR");
  std::string pattern = std::string(t && *t ? t : "/tmp") + "/" + prefix + "-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

void RemoveTree(const std::string& dir) {
  if (dir.empty()) return;
  nftw(dir.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
       FTW_DEPTH | FTW_PHYS);
}

} // namespace qv::bench
