// markers FILE: the marker view's tree, one item per line, indented by depth.
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

int RunMarkers(Context& ctx, const Args& args) {
  OptionScan scan;
  std::string path;
  for (const std::string& a : args) {
    if (scan.Ends(a)) continue;
    if (scan.IsOption(a)) return UsageError("markers", UnknownOption(a));
    if (!path.empty()) return UsageError("markers", "markers takes one FILE");
    path = a;
  }
  if (path.empty()) return UsageError("markers", "markers takes one FILE");
  if (!CheckInputFile(path)) return kExitPartial;
  CSegmentFile file;
  if (!file.Open(path)) {
    ShowFileError(ctx.sink, "JpegMarker", path, "Can't open the file.");
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
