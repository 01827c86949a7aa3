#include <cstdio>

#include "cli/Cli.h"
#include "image/ImageDoc.h"

namespace qv::cli {

const CommandTable& InfoCommand() {
  static const CommandTable table{
      "info", "FILE", "print size, JFIF version, colour space, sampling and Qf of a JPEG",
      "Prints the document description of a JPEG file: its size, JFIF version, colour space, sampling and "
      "quality estimate (Qf).",
      {}};
  return table;
}

int RunInfo(Context& ctx, const ParsedArgs& args) {
  if (args.operands.size() != 1) return UsageError("info", "info takes one FILE");
  const std::string& path = args.operands[0];
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
