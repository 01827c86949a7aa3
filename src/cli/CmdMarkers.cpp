// markers FILE: the marker view's tree, one item per line, indented by depth.
#include <cerrno>
#include <cstdio>
#include <strings.h>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "jpegmeta/MarkerTree.h"
#include "jpegmeta/SegmentList.h"

namespace qv::cli {
namespace {

bool HasPngExtension(const std::string& path) {
  return path.size() >= 4 && strcasecmp(path.c_str() + path.size() - 4, ".png") == 0;
}

void PrintNode(const MarkerNode& node, int depth) {
  std::printf("%*s%s\n", 2 * depth, "", ToTerminal(node.text).c_str());
  for (const MarkerNode& child : node.children) PrintNode(child, depth + 1);
}

} // namespace

const CommandTable& MarkersCommand() {
  static const CommandTable table{
      "markers", "FILE", "print the marker tree of a JPEG or PNG file",
      "Prints the marker view's tree of a JPEG file (its segments) or of a PNG file (its chunks, for a name "
      "ending in .png that holds the PNG signature), one item a line, each level indented by two spaces.",
      {}};
  return table;
}

int RunMarkers(Context&, const ParsedArgs& args) {
  if (args.operands.size() != 1) return UsageError("markers", "markers takes one FILE");
  const std::string& path = args.operands[0];
  if (!CheckInputFile(path)) return kExitPartial;
  CSegmentFile file;
  errno = 0;
  if (!file.Open(path)) {
    PrintFileError("JpegMarker", path, kCantOpenFile, FailureReason(path, errno));
    return kExitPartial;
  }
  SegmentList list;
  bool png = false;
  if (HasPngExtension(path)) {
    // A .png without the signature shows nothing, as in the window.
    uint8_t signature[8];
    if (file.Read(signature, 8) == 8 && IsPngSignature(signature, 8)) {
      png = true;
      ParsePng(file, list);
    }
  } else {
    ParseJpeg(file, list);
  }
  file.Close();
  for (const MarkerNode& node : BuildMarkerTree(list, png)) PrintNode(node, 0);
  return kExitOk;
}

} // namespace qv::cli
