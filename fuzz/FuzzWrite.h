#pragma once
// What the segment fuzz targets share: the parse and the write-back into memory.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "jpegmeta/SegmentFile.h"
#include "jpegmeta/SegmentList.h"

namespace qv::fuzz {

// The segment list of the input, read through a small buffer so that
// segments cross refills.
inline SegmentList ParseSmallBuffered(const uint8_t* data, size_t size) {
  CSegmentFile source(64);
  source.OpenMemory(data, size);
  SegmentList list;
  ParseJpeg(source, list);
  source.Close();
  return list;
}

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
