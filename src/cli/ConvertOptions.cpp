#include "cli/ConvertOptions.h"

namespace qv::cli {
namespace {

enum : int { kIn = 1, kOut, kStart, kQuality, kSize, kJobs, kOverwrite, kDryRun, kVerbose };

// A JPEG side holds 16 bits and the encoder takes up to 65500.
const int kLargestSide = 65500;

} // namespace

const CommandTable& ConvertCommand() {
  static const CommandTable table{
      "convert",
      "[OPTION...] [FILE...]",
      "convert photos into Imag%04d.jpg device files",
      "The batch conversion. Without FILEs: the files of the input folder that the extension list admits, in "
      "the Batch Convert dialog's order; with FILEs: those, in the order given. Writes Imag%04d.jpg files from "
      "the first number on, each with its embedded thumbnail; an unreadable file is skipped and its number "
      "left unused. A missing output folder is created.",
      {
          Option(kIn, "in", 0, "the input folder").Path("DIR").Default("~/KXM410", "bulkconv", "SrcDirectory"),
          Option(kOut, "out", 'o', "the output folder")
              .Path("DIR")
              .Default("~/DCIM/100KXCAM", "bulkconv", "DstDirectory"),
          Option(kStart, "start", 0,
                 "the first number, or next: one after the highest ImagNNNN.jpg in the output folder")
              .Int(1, 9999, "N|next")
              .OrWord("next")
              .Default("1", "bulkconv", "FileSeqNo"),
          Option(kQuality, "quality", 'q', "the JPEG quality")
              .Int(1, 100, "Q")
              .Default("75", "bulkconv", "JpegQuality"),
          Option(kSize, "size", 0, "the device picture size")
              .Size(kLargestSide)
              .Default("1024x768", "bulkconv", "SizeWidth, SizeHeight"),
          Option(kJobs, "jobs", 'j',
                 "convert N files at once; the files, their numbers and what is printed stay those of one job")
              .Int(1, 64, "N")
              .Default("the number of cores"),
          Option(kOverwrite, "overwrite", 0, "replace device files that already exist"),
          Option(kDryRun, "dry-run", 0, "print SOURCE -> ImagNNNN.jpg for each file and write nothing"),
          Option(kVerbose, "verbose", 'v', "print SOURCE -> ImagNNNN.jpg for each file converted"),
      },
      "The extension list: [bulkconv] StrExtFilter, else .jpg;.jfif;.jpeg. The settings file is quorvex.ini "
      "in the settings folder (see quorvex-cli --help)."};
  return table;
}

ConvertOptions ConvertOptionsFrom(const ParsedArgs& parsed) {
  ConvertOptions o;
  for (const OptionValue& v : parsed.options) {
    switch (v.id) {
    case kIn: o.in = v.text; break;
    case kOut: o.out = v.text; break;
    case kStart: o.start = v.text == "next" ? v.text : std::to_string(v.number); break;
    case kQuality: o.quality = v.number; break;
    case kSize:
      o.width = v.number;
      o.height = v.height;
      break;
    case kJobs: o.jobs = v.number; break;
    case kOverwrite: o.overwrite = true; break;
    case kDryRun: o.dryRun = true; break;
    case kVerbose: o.verbose = true; break;
    }
  }
  o.files = parsed.operands;
  return o;
}

Parsed ParseConvertOptions(const Args& args, ConvertOptions& options, std::string& error) {
  ParsedArgs parsed;
  const Parsed result = ParseArgs(ConvertCommand(), args, parsed, error);
  if (result == Parsed::Ok) options = ConvertOptionsFrom(parsed);
  return result;
}

} // namespace qv::cli
