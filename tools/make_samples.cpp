// Draws the sample photos of samples/: landscapes made from gradients,
// hills and a sun, so the repository carries no third-party pictures.
//   make-samples OUTDIR
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Scene {
  double sunX, sunY;   // in picture units (0..1)
  double hue;          // shifts the palette between pictures
  unsigned seed;
};

double Hill(double x, double base, double amp, double f1, double f2, double phase) {
  return base + amp * (0.6 * std::sin(x * f1 + phase) + 0.4 * std::sin(x * f2 + 2.1 * phase));
}

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

void Shade(const Scene& s, double u, double v, double aspect, unsigned noise, double rgb[3]) {
  // Sky: deep blue at the top to a warm horizon.
  const double t = Clamp01(v / 0.62);
  rgb[0] = 0.25 + 0.70 * t + 0.05 * s.hue;
  rgb[1] = 0.45 + 0.40 * t;
  rgb[2] = 0.85 - 0.25 * t;
  // Sun with a glow.
  const double dx = (u - s.sunX) * aspect, dy = v - s.sunY;
  const double d = std::sqrt(dx * dx + dy * dy);
  const double glow = std::exp(-d * 9.0);
  rgb[0] += 0.6 * glow;
  rgb[1] += 0.5 * glow;
  rgb[2] += 0.2 * glow;
  if (d < 0.045) rgb[0] = rgb[1] = 1.0, rgb[2] = 0.9;
  // Three ranges of hills, nearer ones darker and greener.
  const double x = u * aspect;
  const double h1 = Hill(x, 0.55, 0.05, 3.1, 7.3, 0.4 + s.hue);
  const double h2 = Hill(x, 0.65, 0.04, 5.3, 11.7, 1.3 + s.hue);
  const double h3 = Hill(x, 0.78, 0.05, 2.3, 9.1, 2.6 + s.hue);
  if (v > h1) rgb[0] = 0.45, rgb[1] = 0.50, rgb[2] = 0.62;
  if (v > h2) rgb[0] = 0.30, rgb[1] = 0.45 + 0.1 * s.hue, rgb[2] = 0.35;
  if (v > h3) {
    const double depth = (v - h3) / (1.0 - h3 + 1e-9);
    rgb[0] = 0.20 + 0.25 * depth;
    rgb[1] = 0.38 + 0.20 * depth;
    rgb[2] = 0.15 + 0.05 * depth;
    // Stripes of a field.
    rgb[1] += 0.04 * std::sin(x * 80.0 + depth * 30.0);
  }
  // A little sensor noise so the pictures are not flat.
  const double n = ((noise >> 8) & 255) / 255.0 - 0.5;
  for (int k = 0; k < 3; ++k) rgb[k] = Clamp01(rgb[k] + 0.02 * n);
}

bool WritePhoto(const std::string& path, int width, int height, const Scene& scene, int quality) {
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
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  unsigned state = scene.seed;
  const double aspect = static_cast<double>(width) / height;
  while (c.next_scanline < c.image_height) {
    const double v = (c.next_scanline + 0.5) / height;
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      double rgb[3];
      Shade(scene, (x + 0.5) / width, v, aspect, state, rgb);
      for (int k = 0; k < 3; ++k) row[static_cast<size_t>(x) * 3 + k] = static_cast<unsigned char>(rgb[k] * 255.0 + 0.5);
    }
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  return std::fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-samples OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  struct Sample {
    const char* name;
    int width, height;
    Scene scene;
    int quality;
  } samples[] = {
      {"valley-12mp.jpg", 4256, 2832, {0.70, 0.30, 0.0, 1}, 60},   // large, 3:2
      {"tower-portrait.jpg", 1200, 1800, {0.35, 0.22, 0.4, 2}, 75}, // portrait
      {"lake-4x3.jpg", 1600, 1200, {0.25, 0.40, 0.8, 3}, 75},      // exactly 4:3
      {"ridge-wide.jpg", 2400, 1000, {0.55, 0.35, 0.2, 4}, 75},    // panorama
  };
  for (const Sample& s : samples) {
    const std::string path = dir + "/" + s.name;
    if (!WritePhoto(path, s.width, s.height, s.scene, s.quality)) {
      std::fprintf(stderr, "make-samples: cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s %dx%d\n", path.c_str(), s.width, s.height);
  }
  return 0;
}
