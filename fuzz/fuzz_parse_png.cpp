// The PNG chunk parser and the chunk items of the marker view on arbitrary
// bytes (with or without the signature in front).
#include <cstdint>

#include "jpegmeta/MarkerTree.h"
#include "jpegmeta/PngChunk.h"
#include "jpegmeta/SegmentList.h"

namespace {

void CheckItems(const qv::MarkerNode& node) {
  const qv::CJpegSegment* rec = node.item.record;
  if (!rec || node.item.offset < 0 || node.item.count < 0) __builtin_trap();
  if (!rec->Has(qv::SF_NOT_LOADED) && node.item.offset + node.item.count > rec->m_nLength) __builtin_trap();
  for (const auto& child : node.children) CheckItems(child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (qv::IsPngSignature(data, size)) {
    data += 8;
    size -= 8;
  }
  qv::CSegmentFile source(64);
  source.OpenMemory(data, size);
  qv::SegmentList list;
  qv::ParsePng(source, list);

  int64_t total = 0;
  for (const auto& rec : list) {
    const auto& chunk = static_cast<const qv::CPngChunk&>(*rec);
    total += chunk.DataLength() + 12;
    if (chunk.m_nOffset != total) __builtin_trap();
  }
  if (total > static_cast<int64_t>(size)) __builtin_trap();
  for (const auto& node : qv::BuildMarkerTree(list, true)) CheckItems(node);
  return 0;
}
