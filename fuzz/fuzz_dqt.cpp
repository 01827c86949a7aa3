// The DQT text reader over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "app/DqtFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size copy, so reading one byte too far is caught.
  std::vector<char> text(data, data + size);
  uint16_t values[129];
  std::memset(values, 0xAB, sizeof values);
  const int n = qv::ParseDqtText(text.data(), text.size(), values);
  if (n < 0 || n > 128) __builtin_trap();
  if (values[128] != 0xABAB) __builtin_trap();  // wrote past the 128 values
  return 0;
}
