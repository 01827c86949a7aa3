// quorvex-cli separate: the Y, Cb and Cr images of a JPEG as 8-bit BMP files
// NAME_Y.bmp, NAME_Cb.bmp and NAME_Cr.bmp, NAME being IN's file name
// without its extension.
#include <cerrno>
#include <cstdio>
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

} // namespace

int RunSeparate(Context& ctx, const Args& args) {
  std::string in, dir;
  OptionScan scan;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (scan.Ends(a)) continue;
    if (scan.IsOption(a) && a == "-o") {
      if (i + 1 >= args.size()) return UsageError("separate", "-o needs a folder");
      dir = args[++i];
    } else if (scan.IsOption(a)) {
      return UsageError("separate", UnknownOption(a));
    } else if (in.empty()) {
      in = a;
    } else {
      return UsageError("separate", "only one input file");
    }
  }
  if (in.empty() || dir.empty()) return UsageError("separate", "separate needs IN and -o DIR");

  if (!CheckInputFile(in)) return kExitPartial;
  CImageDoc doc(*ctx.app);
  if (!doc.Load(in)) {
    PrintLoadError(doc, in);
    return kExitPartial;
  }
  if (MakeDirectoryPath(dir) != 1 || !DirectoryExists(dir)) {
    std::fprintf(stderr, "quorvex-cli: cannot create the folder '%s'\n", dir.c_str());
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
