// quorvex-cli save: load a JPEG, apply the operations, save by extension.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "app/Extension.h"
#include "cli/Cli.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
#include "image/PngWriter.h"
#include "image/ToneTables.h"

namespace qv::cli {

namespace {

bool ParseDouble(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || errno == ERANGE || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// The writers SaveByType knows, as the document's save tells them apart.
bool HasSaveExtension(const std::string& path) {
  if (IsThumbnailPath(path)) return true;
  const size_t dot = FindExtension(path);
  if (dot == kNoPosition) return false;
  const std::string ext = path.substr(dot);
  const int type = FormatFromExtension(ext);
  return type == FT_BMP || type == FT_RGB || type == FT_JPEG || type == FT_PNG;
}

struct SaveOptions {
  std::string in, out;
  int quality = -1;
  bool resize = false;
  int width = 0, height = 0;
  bool tone = false;
  double gamma = 1.0;
  int contrast = 0, bias = 0;
  int pngMode = -1;
  bool interlace = false;
};

// Returns 0 when the options are complete, else the usage exit code.
int ParseSaveOptions(const Args& args, SaveOptions& o) {
  OptionScan scan;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (scan.Ends(a)) continue;
    if (!scan.IsOption(a)) {
      if (!o.in.empty()) return UsageError("save", "only one input file");
      o.in = a;
      continue;
    }
    std::string v;
    auto value = [&]() {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    auto level = [&](int& target, const char* name) {
      if (!value() || !ParseInt(v, target) || target < kLevelMin || target > kLevelMax)
        return UsageError("save", std::string(name) + " takes -255 to 255");
      o.tone = true;
      return 0;
    };
    if (a == "-o") {
      if (!value()) return UsageError("save", "-o needs a path");
      o.out = v;
    } else if (a == "--quality") {
      if (!value() || !ParseInt(v, o.quality) || o.quality < 1 || o.quality > 100)
        return UsageError("save", "--quality takes 1 to 100");
    } else if (a == "--resize") {
      if (!value() || !ParseSize(v, o.width, o.height)) return UsageError("save", "--resize takes WxH");
      o.resize = true;
    } else if (a == "--gamma") {
      if (!value() || !ParseDouble(v, o.gamma) || o.gamma < kGammaMin || o.gamma > kGammaMax)
        return UsageError("save", "--gamma takes 0.01 to 4.99");
      o.tone = true;
    } else if (a == "--contrast") {
      if (int e = level(o.contrast, "--contrast")) return e;
    } else if (a == "--bias") {
      if (int e = level(o.bias, "--bias")) return e;
    } else if (a == "--png-mode") {
      if (!value() || !ParseInt(v, o.pngMode) || o.pngMode < 0 || o.pngMode >= kPngModeCount)
        return UsageError("save", "--png-mode takes 0 to 4");
    } else if (a == "--interlace") {
      o.interlace = true;
    } else {
      return UsageError("save", UnknownOption(a));
    }
  }
  if (o.in.empty() || o.out.empty()) return UsageError("save", "save needs IN and -o OUT");
  if (!HasSaveExtension(o.out))
    return UsageError("save", "OUT's extension names no format (.jpg, .png, .bmp, .rgb)");
  return 0;
}

} // namespace

int RunSave(Context& ctx, const Args& args) {
  SaveOptions o;
  if (int usage = ParseSaveOptions(args, o)) return usage;
  CSettings& s = ctx.app->m_settings;
  if (o.quality > 0) s.Param1 = o.quality;
  if (o.interlace) s.bUseInterlaceOnSave = 1;

  if (!CheckInputFile(o.in)) return kExitPartial;
  CImageDoc doc(*ctx.app);
  if (!doc.Load(o.in)) {
    PrintLoadError(doc, o.in);
    return kExitPartial;
  }
  // Resize, then the tone curve, then the save: each reports its own failure.
  if (o.resize && !doc.ResizeImage(o.width, o.height)) return kExitPartial;
  if (o.tone && !ApplyToneCurve(doc, BuildGammaTable(o.gamma), BuildLevelTable(o.contrast, o.bias)))
    return kExitPartial;
  if (o.pngMode >= 0) doc.m_nPngSaveMode = o.pngMode;
  if (!doc.SaveByType(o.out)) {
    std::fprintf(stderr, "quorvex-cli: could not save '%s'%s%s\n", o.out.c_str(),
                 doc.m_strCodecError.empty() ? "" : ": ", doc.m_strCodecError.c_str());
    return kExitPartial;
  }
  return kExitOk;
}

} // namespace qv::cli
