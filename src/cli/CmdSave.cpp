#include <cstdio>

#include "cli/Cli.h"
#include "image/ImageDoc.h"

namespace qv::cli {

void PrintLoadError(const CConverterApp& app);

int RunSave(Context& ctx, const Args& args) {
  std::string in, out;
  int quality = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "-o") {
      if (!value(out)) return UsageError("save", "-o needs a path");
    } else if (a == "--quality") {
      if (!value(v) || !ParseInt(v, quality) || quality < 1 || quality > 100)
        return UsageError("save", "--quality takes 1 to 100");
    } else if (!a.empty() && a[0] == '-') {
      return UsageError("save", "unknown option " + a);
    } else if (in.empty()) {
      in = a;
    } else {
      return UsageError("save", "only one input file");
    }
  }
  if (in.empty() || out.empty()) return UsageError("save", "save needs IN and -o OUT");
  if (quality > 0) ctx.app->m_settings.Param1 = quality;

  CImageDoc doc(*ctx.app);
  if (!doc.Load(in)) {
    PrintLoadError(*ctx.app);
    return kExitPartial;
  }
  if (!doc.SaveByType(out)) {
    std::fprintf(stderr, "quorvex-cli: could not save '%s'%s%s\n", out.c_str(),
                 doc.m_strCodecError.empty() ? "" : ": ", doc.m_strCodecError.c_str());
    return kExitPartial;
  }
  return kExitOk;
}

} // namespace qv::cli
