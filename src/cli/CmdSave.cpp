// quorvex-cli save: load a JPEG, apply the operations, save by extension.
#include <cstdio>

#include "app/Extension.h"
#include "cli/Cli.h"
#include "image/ColorOps.h"
#include "image/ImageDoc.h"
#include "image/JpegCodec.h"
#include "image/PngWriter.h"
#include "image/ToneTables.h"

namespace qv::cli {

namespace {

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

enum : int { kOut = 1, kResize, kGamma, kContrast, kBias, kQuality, kPngMode, kInterlace };

// Resize's own check says when a size cannot be made.
const int kLargestResize = 2147483647;

// Returns 0 when the options are complete, else the usage exit code.
int ReadSaveOptions(const ParsedArgs& args, SaveOptions& o) {
  for (const OptionValue& v : args.options) {
    switch (v.id) {
    case kOut: o.out = v.text; break;
    case kResize:
      o.resize = true;
      o.width = v.number;
      o.height = v.height;
      break;
    case kGamma:
      o.gamma = v.real;
      o.tone = true;
      break;
    case kContrast:
      o.contrast = v.number;
      o.tone = true;
      break;
    case kBias:
      o.bias = v.number;
      o.tone = true;
      break;
    case kQuality: o.quality = v.number; break;
    case kPngMode: o.pngMode = v.number; break;
    case kInterlace: o.interlace = true; break;
    }
  }
  if (args.operands.size() > 1) return UsageError("save", "only one input file");
  if (!args.operands.empty()) o.in = args.operands[0];
  if (o.in.empty() || o.out.empty()) return UsageError("save", "save needs IN and -o OUT");
  if (!HasSaveExtension(o.out))
    return UsageError("save", "OUT's extension names no format (.jpg, .png, .bmp, .rgb)");
  return 0;
}

} // namespace

const CommandTable& SaveCommand() {
  static const CommandTable table{
      "save", "IN -o OUT [OPTION...]", "load a JPEG file, apply operations, save by OUT's extension",
      "Loads the JPEG file IN, applies the operations in the order resize, gamma/contrast/bias, and saves OUT "
      "in the format its extension names, as the desktop program's save does: .jpg, .jpeg, .jif, .jfif (JPEG), "
      ".png (PNG), .bmp, .dib, .rle (BMP), .rgb, .q0, .fal (raw RGB).",
      {
          Option(kOut, "out", 'o', "the file to write (required)").Path("OUT"),
          Option(kResize, "resize", 0, "resize the image to W x H pixels first").Size(kLargestResize),
          Option(kGamma, "gamma", 0, "gamma correction").Real(kGammaMin, kGammaMax, "G").Default("1.0 (no change)"),
          Option(kContrast, "contrast", 0, "contrast").Int(kLevelMin, kLevelMax, "C").Default("0"),
          Option(kBias, "bias", 0, "brightness bias").Int(kLevelMin, kLevelMax, "B").Default("0"),
          Option(kQuality, "quality", 'q', "the JPEG quality").Int(1, 100, "Q").Default("75", "default", "Param1"),
          Option(kPngMode, "png-mode", 0,
                 "the PNG save mode: 0 24-bit RGB, 1 8-bit indexed colour, 2 4-bit indexed colour, 3 8-bit "
                 "grayscale, 4 4-bit grayscale")
              .Int(0, kPngModeCount - 1, "N")
              .Default("0", "default", "pngSaveMode"),
          Option(kInterlace, "interlace", 0, "write an interlaced PNG file")
              .Default("0 (off)", "default", "bUseInterlaceOnSave"),
      }};
  return table;
}

int RunSave(Context& ctx, const ParsedArgs& args) {
  SaveOptions o;
  if (int usage = ReadSaveOptions(args, o)) return usage;
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
    Say(o.out + ": could not save" + (doc.m_strCodecError.empty() ? "" : ": " + doc.m_strCodecError));
    return kExitPartial;
  }
  return kExitOk;
}

} // namespace qv::cli
