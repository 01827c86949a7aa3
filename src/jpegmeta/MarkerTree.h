#pragma once
// The marker view's tree as data: one top-level node per record with child
// nodes for the decoded fields of the common segments and PNG chunks. The
// texts are internal text; each node names the bytes of its record it shows.
#include <string>
#include <vector>

#include "jpegmeta/JpegSegment.h"

namespace qv {

class CPngChunk;

// The data of a tree item: a record and the byte range of the item in it.
struct MarkerItem {
  const CJpegSegment* record = nullptr;
  int offset = 0;
  int count = 0;
};

struct MarkerNode {
  std::string text;
  MarkerItem item;
  std::vector<MarkerNode> children;
};

MarkerNode JpegRecordNode(const CJpegSegment& record);
// colorType: IHDR's colour type, remembered for the chunks after it (-1
// before any IHDR).
MarkerNode PngChunkNode(const CPngChunk& chunk, int& colorType);
// The top-level nodes of a list; dropped records have none.
std::vector<MarkerNode> BuildMarkerTree(const SegmentList& list, bool png);

} // namespace qv
