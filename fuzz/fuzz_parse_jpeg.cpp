// The JPEG segment parser on arbitrary bytes: the records must tile the input
// from offset 0, an unchanged list must write back the bytes it covers, and
// the marker view's items must stay inside their records.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "FuzzWrite.h"
#include "jpegmeta/MarkerTree.h"
#include "jpegmeta/SegmentList.h"

namespace {

void CheckItems(const qv::MarkerNode& node) {
  const qv::CJpegSegment* rec = node.item.record;
  if (!rec) __builtin_trap();
  if (node.item.offset < 0 || node.item.count < 0) __builtin_trap();
  if (!rec->Has(qv::SF_NOT_LOADED) && node.item.offset + node.item.count > rec->m_nLength) __builtin_trap();
  for (const auto& child : node.children) CheckItems(child);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::SegmentList list = qv::fuzz::ParseSmallBuffered(data, size);

  int64_t covered = 0;
  for (const auto& rec : list) {
    if (rec->m_nOffset != covered || rec->m_nLength <= 0) __builtin_trap();
    covered += rec->m_nLength;
  }
  if (covered > static_cast<int64_t>(size)) __builtin_trap();

  std::string out;
  int ok = 0;
  if (!qv::fuzz::WriteToMemory(data, size, list, out, &ok)) return 0;
  if (ok != 1 || out.size() != static_cast<size_t>(covered) || (!out.empty() && std::memcmp(out.data(), data, out.size()) != 0))
    __builtin_trap();

  for (const auto& node : qv::BuildMarkerTree(list, false)) CheckItems(node);
  return 0;
}
