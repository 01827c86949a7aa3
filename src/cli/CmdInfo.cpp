#include <cstdio>

#include "cli/Cli.h"
#include "image/ImageDoc.h"

namespace qv::cli {

int RunInfo(Context& ctx, const Args& args) {
  OptionScan scan;
  std::string path;
  for (const std::string& a : args) {
    if (scan.Ends(a)) continue;
    if (scan.IsOption(a)) return UsageError("info", UnknownOption(a));
    if (!path.empty()) return UsageError("info", "info takes one FILE");
    path = a;
  }
  if (path.empty()) return UsageError("info", "info takes one FILE");
  if (!CheckInputFile(path)) return kExitPartial;
  CImageDoc doc(*ctx.app);
  if (!doc.ReadJpeg(path)) {
    PrintLoadError(doc, path);
    return kExitPartial;
  }
  std::printf("%s\n", doc.m_strCodecInfo.c_str());
  return kExitOk;
}

} // namespace qv::cli
