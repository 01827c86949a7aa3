// exif FILE [--english]: the five summary lines of the file's Exif block, or
// their fallback texts.
#include <cerrno>
#include <cstdio>

#include "app/AppHelpers.h"
#include "cli/Cli.h"
#include "jpegmeta/ExifReader.h"
#include "jpegmeta/ExifSummary.h"
#include "jpegmeta/SegmentList.h"

namespace qv::cli {

namespace {
enum : int { kEnglish = 1 };
}

const CommandTable& ExifCommand() {
  static const CommandTable table{
      "exif", "[--english] FILE", "print the Exif summary lines of a JPEG file",
      "Prints the five Exif summary lines of a JPEG file (maker and model, optics, date, exposure mode, "
      "exposure), or their fallback texts when the file has no such information.",
      {Option(kEnglish, "english", 0, "the lines in English").Default("Japanese")}};
  return table;
}

int RunExif(Context&, const ParsedArgs& args) {
  if (args.operands.size() != 1) return UsageError("exif", "exif takes one FILE");
  const std::string& path = args.operands[0];
  const int language = args.Last(kEnglish) ? EXIF_ENGLISH : EXIF_JAPANESE;
  if (!CheckInputFile(path)) return kExitPartial;

  CSegmentFile file;
  errno = 0;
  if (!file.Open(path)) {
    PrintFileError("Exif", path, kCantOpenFile, FailureReason(path, errno));
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
