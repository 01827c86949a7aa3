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
  OptionScan scan;
  for (const std::string& a : args) {
    if (scan.Ends(a)) continue;
    if (scan.IsOption(a)) {
      if (a != "--english") return UsageError("exif", UnknownOption(a));
      language = EXIF_ENGLISH;
    } else {
      if (!path.empty()) return UsageError("exif", "exif takes one FILE");
      path = a;
    }
  }
  if (path.empty()) return UsageError("exif", "exif takes one FILE");
  if (!CheckInputFile(path)) return kExitPartial;

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
  return kExitOk;
}

} // namespace qv::cli
