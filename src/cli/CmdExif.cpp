// exif FILE [--english]: the five summary lines of the file's Exif block, or
// their fallback texts.
#include <cstdio>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"
#include "jpegmeta/SegmentList.h"

namespace qv::cli {

int RunExif(Context& ctx, const Args& args) {
  std::string path;
  int language = EXIF_JAPANESE;
  for (const std::string& a : args) {
    if (a == "--english")
      language = EXIF_ENGLISH;
    else if (!a.empty() && a[0] == '-')
      return UsageError("exif", "unknown option '" + a + "'");
    else if (path.empty())
      path = a;
    else
      return UsageError("exif", "exif takes one FILE");
  }
  if (path.empty()) return UsageError("exif", "exif takes one FILE");

  CSegmentFile file;
  if (!file.Open(path)) {
    ShowFileError(ctx.sink, "Exif", path, "Can't open the file.");
    return kExitPartial;
  }
  SegmentList list;
  ParseJpeg(file, list);
  file.Close();

  // The block lives in the APP1 record, which the list keeps alive.
  CExifReader reader;
  const CExifReader* parsed = nullptr;
  const uint8_t* block = nullptr;
  size_t size = 0;
  if (const CJpegSegment* app1 = FirstApp1(list))
    if (ExifBlockOf(*app1, block, size) && reader.Parse(block, size)) parsed = &reader;
  for (int line = 0; line < EL_COUNT; ++line)
    std::printf("%s\n", ToTerminal(ExifInfoLine(parsed, line, language)).c_str());
  return std::fflush(stdout) == 0 ? kExitOk : kExitPartial;
}

} // namespace qv::cli
