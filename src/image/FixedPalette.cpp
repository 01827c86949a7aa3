#include "image/FixedPalette.h"

#include <cstring>

namespace qv {
namespace {

RgbQuad Quad(uint8_t r, uint8_t g, uint8_t b) { return RgbQuad{b, g, r, 0}; }

} // namespace

void FillFixedPalette(RgbQuad* table, int count) {
  if (count <= 0 || count > 256) return;
  std::memset(table, 0, sizeof(RgbQuad) * static_cast<size_t>(count));
  switch (count) {
  case 4:
    table[0] = Quad(0, 0, 0);
    table[1] = Quad(255, 0, 255);
    table[2] = Quad(0, 255, 255);
    table[3] = Quad(255, 255, 255);
    break;
  case 16: {
    static const uint8_t rgb[16][3] = {
        {0, 0, 0},       {0x80, 0, 0},    {0, 0x80, 0},    {0x80, 0x80, 0},
        {0, 0, 0x80},    {0x80, 0, 0x80}, {0, 0x80, 0x80}, {0x80, 0x80, 0x80},
        {0xC0, 0xC0, 0xC0}, {0xFF, 0, 0},  {0, 0xFF, 0},    {0xFF, 0xFF, 0},
        {0, 0, 0xFF},    {0xFF, 0, 0xFF}, {0, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF}};
    for (int i = 0; i < 16; ++i) table[i] = Quad(rgb[i][0], rgb[i][1], rgb[i][2]);
    break;
  }
  case 64: {
    static const uint8_t lv[4] = {0x00, 0x80, 0xC0, 0xFF};
    for (int g = 0; g < 4; ++g)
      for (int r = 0; r < 4; ++r)
        for (int b = 0; b < 4; ++b) table[16 * g + 4 * r + b] = Quad(lv[r], lv[g], lv[b]);
    break;
  }
  case 256: {
    static const uint8_t lv8[8] = {0x00, 0x40, 0x60, 0x80, 0xA0, 0xC0, 0xE0, 0xFF};
    static const uint8_t lv4[4] = {0x00, 0x80, 0xC0, 0xFF};
    for (int g = 0; g < 8; ++g)
      for (int r = 0; r < 8; ++r)
        for (int b = 0; b < 4; ++b) table[32 * g + 4 * r + b] = Quad(lv8[r], lv8[g], lv4[b]);
    break;
  }
  default:
    break;
  }
}

} // namespace qv
