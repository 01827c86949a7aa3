// quorvex-cli separate: the Y, Cb and Cr images of a JPEG as 8-bit BMP files
// NAME_Y.bmp, NAME_Cb.bmp and NAME_Cr.bmp, NAME being IN's file name
// without its extension.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"

namespace qv::cli {

namespace {

std::string FileNameOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string StemOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

enum : int { kOut = 1 };

} // namespace

const CommandTable& SeparateCommand() {
  static const CommandTable table{
      "separate", "IN -o DIR", "write the Y, Cb and Cr planes of a JPEG file as BMP files",
      "Writes the Y, Cb and Cr images of the JPEG file IN as 8-bit BMP files NAME_Y.bmp, NAME_Cb.bmp and "
      "NAME_Cr.bmp into DIR (created when missing), NAME being IN's file name without its extension, and "
      "prints their paths.",
      {Option(kOut, "out", 'o', "the folder to write into (required)").Path("DIR")}};
  return table;
}

int RunSeparate(Context& ctx, const ParsedArgs& args) {
  const OptionValue* out = args.Last(kOut);
  if (args.operands.size() > 1) return UsageError("separate", "only one input file");
  if (args.operands.empty() || !out) return UsageError("separate", "separate needs IN and -o DIR");
  const std::string& in = args.operands[0];
  const std::string& dir = out->text;

  if (!CheckInputFile(in)) return kExitPartial;
  CImageDoc doc(*ctx.app);
  if (!doc.Load(in)) {
    PrintLoadError(doc, in);
    return kExitPartial;
  }
  errno = 0;
  if (MakeDirectoryPath(dir) != 1 || !DirectoryExists(dir)) {
    const int error = errno;
    Say(dir + ": cannot create the folder" + (error ? std::string(": ") + std::strerror(error) : ""));
    return kExitPartial;
  }
  std::vector<SeparatedImage> parts;
  const int separated = SeparateYCbCr(doc, FileNameOf(in), parts);
  static const char* const kNames[3] = {"_Y.bmp", "_Cb.bmp", "_Cr.bmp"};
  const std::string base = (dir.back() == '/' ? dir : dir + "/") + StemOf(FileNameOf(in));
  int written = 0;
  for (size_t k = 0; k < parts.size() && k < 3; ++k) {
    const std::string path = base + kNames[k];
    if (parts[k].doc->WriteBmpFile(path)) {
      std::printf("%s\n", path.c_str());
      ++written;
    }
  }
  return separated && written == 3 ? kExitOk : kExitPartial;
}

} // namespace qv::cli
