#include <cstdio>

#include "cli/Cli.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"

namespace qv::cli {

// Prints the load-error text of the document's last failure.
void PrintLoadError(const CConverterApp& app) {
  if (const char* fmt = LoadErrorFormat(app.lastLoadError)) {
    std::fprintf(stderr, fmt, app.loadErrorName.c_str());
    std::fputc('\n', stderr);
  }
}

int RunInfo(Context& ctx, const Args& args) {
  if (args.size() != 1) return UsageError("info", "info takes one FILE");
  CImageDoc doc(*ctx.app);
  if (!doc.ReadJpeg(args[0])) {
    PrintLoadError(*ctx.app);
    return kExitPartial;
  }
  std::printf("%s\n", doc.m_strCodecInfo.c_str());
  return kExitOk;
}

} // namespace qv::cli
