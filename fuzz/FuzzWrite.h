#pragma once
// What the segment fuzz targets share: a list written back into memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jpegmeta/SegmentFile.h"
#include "jpegmeta/SegmentList.h"

namespace qv::fuzz {

// WriteSegments of `list` over the input bytes; false only when no memory
// stream can be had. *ok is the writer's result.
inline bool WriteToMemory(const uint8_t* data, size_t size, const SegmentList& list, std::string& out, int* ok) {
  CSegmentFile source;
  source.OpenMemory(data, size);
  char* bytes = nullptr;
  size_t length = 0;
  FILE* sink = open_memstream(&bytes, &length);
  if (!sink) return false;
  *ok = WriteSegments(source, sink, list);
  std::fclose(sink);
  source.Close();
  out.assign(bytes, length);
  std::free(bytes);
  return true;
}

} // namespace qv::fuzz
