// PNG output through libpng 1.6.
//
// libpng reports fatal errors by longjmp. The one setjmp lives in
// WritePngStream, which touches only the plain C data of a PngJob; every
// C++ object (pixels, palette, texts) is built before it and outlives it.
#include "image/PngWriter.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <png.h>

#include "app/AppHelpers.h"
#include "image/BmpWriter.h"
#include "image/ColorMatcher.h"
#include "image/FixedPalette.h"
#include "image/ImageDoc.h"
#include "image/ImageTexts.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/CommentText.h"

namespace qv {

const char* const kPngModeLabels[kPngModeCount] = {"24bit RGB", "8bit Idx-color", "4bit Idx-color",
                                                    "8bit Grayscale", "4bit Grayscale"};

bool PngModeFormat(int mode, int& colorType, int& bitDepth) {
  static const int kFormats[kPngModeCount][2] = {
      {PNG_COLOR_TYPE_RGB, 8}, {PNG_COLOR_TYPE_PALETTE, 8}, {PNG_COLOR_TYPE_PALETTE, 4},
      {PNG_COLOR_TYPE_GRAY, 8}, {PNG_COLOR_TYPE_GRAY, 4}};
  if (mode < 0 || mode >= kPngModeCount) return false;
  colorType = kFormats[mode][0];
  bitDepth = kFormats[mode][1];
  return true;
}

std::string DescribePng(const PngDescription& d, int* grayscale) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%dx%d ", d.width, d.height);
  std::string text = buf;
  if (d.interlaced) text += "Int.";
  text += "PNG";
  switch (d.colorType) {
  case 0: text += "(Gray"; break;
  case 2: text += "(RGB"; break;
  case 3: text += "(Idx"; break;
  case 4: text += "(@Gray"; break;
  case 6: text += "(@RGB"; break;
  default:
    std::snprintf(buf, sizeof buf, "(cType=%x", static_cast<unsigned>(d.colorType));
    text += buf;
    break;
  }
  if (grayscale) *grayscale = d.colorType == 0 || d.colorType == 4;
  std::snprintf(buf, sizeof buf, " %dbit)", d.bitDepth);
  text += buf;
  if (d.transparent) text += " +T";
  if (d.gamma) text += " +G";
  return text;
}

long PngFixedGamma(double gamma) {
  if (!std::isfinite(gamma)) return 0;
  const double fixed = std::floor(gamma * 100000.0 + 0.5);
  // libpng's own limits for a gAMA value; outside them it drops the chunk
  // or gives up.
  if (fixed < 16.0 || fixed > 625000000.0) return 0;
  return static_cast<long>(fixed);
}

namespace {

// Luminance of blue, green, red bytes, 0..255.
inline int GreyOf(int blue, int green, int red) { return (183 * green + 19 * blue + 54 * red) / 256; }

struct PngJob {
  png_structp png;
  png_infop info;
  FILE* file;
  char message[200];
  png_uint_32 width, height;
  int bitDepth, colorType, interlace;
  const png_color* palette;
  int paletteCount;
  const png_byte* alpha;
  int alphaCount;
  png_color_16 transColor;
  int hasTransColor;
  png_fixed_point gamma;
  int hasGamma;
  png_text* texts;
  int textCount;
  png_bytep* rows;
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message ? message : "");
  png_longjmp(png, 1);
}

// Warnings change nothing in the file; they are not worth a message box.
void OnPngWarning(png_structp, png_const_charp) {}

bool WritePngStream(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_init_io(png, job->file);
  png_set_IHDR(png, info, job->width, job->height, job->bitDepth, job->colorType, job->interlace,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (job->palette) png_set_PLTE(png, info, job->palette, job->paletteCount);
  if (job->alpha) png_set_tRNS(png, info, job->alpha, job->alphaCount, nullptr);
  if (job->hasTransColor) png_set_tRNS(png, info, nullptr, 0, &job->transColor);
  if (job->hasGamma) png_set_gAMA_fixed(png, info, job->gamma);
  if (job->textCount > 0) png_set_text(png, info, job->texts, job->textCount);
  png_write_info(png, info);
  if (job->bitDepth < 8) png_set_packing(png);
  png_write_image(png, job->rows);
  png_write_end(png, info);
  return true;
}

// The palette of an indexed save: the document's colour table when it was
// made for this depth and fits it, else the fixed one of 2^depth entries.
std::vector<RgbQuad> PaletteForDepth(const CImageDoc& doc, int depth) {
  const size_t entries = size_t{1} << depth;
  if (!doc.m_colorTable.empty() && doc.m_nBitsPerSample == depth && doc.m_colorTable.size() <= entries)
    return doc.m_colorTable;
  std::vector<RgbQuad> table(entries);
  FillFixedPalette(table.data(), static_cast<int>(entries));
  return table;
}

// One byte per sample (libpng packs 4-bit samples), top image row first.
void MakeRows(const CMemBitmap& bmp, int colorType, int bitDepth, const CColorMatcher* matcher,
              std::vector<png_byte>& pixels, size_t& rowBytes) {
  const int width = bmp.Width(), height = bmp.Height();
  rowBytes = static_cast<size_t>(width) * (colorType == PNG_COLOR_TYPE_RGB ? 3 : 1);
  pixels.resize(rowBytes * static_cast<size_t>(height));
  for (int k = 0; k < height; ++k) {
    const uint8_t* src = bmp.Row(height - 1 - k);
    png_byte* dst = pixels.data() + rowBytes * static_cast<size_t>(k);
    if (colorType == PNG_COLOR_TYPE_RGB) {
      for (int x = 0; x < width; ++x, src += 3, dst += 3) {
        dst[0] = src[2];
        dst[1] = src[1];
        dst[2] = src[0];
      }
    } else if (colorType == PNG_COLOR_TYPE_PALETTE) {
      // Neighbouring pixels often repeat; remember the last match.
      int last = -1;
      uint8_t lb = 0, lg = 0, lr = 0;
      for (int x = 0; x < width; ++x, src += 3) {
        if (last < 0 || src[0] != lb || src[1] != lg || src[2] != lr) {
          lb = src[0], lg = src[1], lr = src[2];
          last = matcher->FindNearest(src);
        }
        dst[x] = static_cast<png_byte>(last);
      }
    } else {
      const int shift = bitDepth == 4 ? 4 : 0;
      for (int x = 0; x < width; ++x, src += 3) dst[x] = static_cast<png_byte>(GreyOf(src[0], src[1], src[2]) >> shift);
    }
  }
}

// The text chunks of the document's comments; keys and texts live in the
// caller's vectors, which must outlive the entries.
void MakeTexts(const CImageDoc& doc, std::vector<std::string>& keys, std::vector<std::string>& texts,
               std::string& lang, std::vector<png_text>& entries) {
  if (!doc.m_bComment || doc.m_comments.empty()) return;
  const CSettings& s = doc.App().m_settings;
  const bool itxt = s.UsePNGiTXT != 0;
  lang = s.DefaultPNGiTXTLang;
  for (const CCommentRecord& rec : doc.m_comments) {
    const int code = itxt ? CS_UTF8 : (s.AutoWriteCharset ? rec.charset : s.WriteCharset);
    keys.push_back(rec.name);
    texts.push_back(CommentFromInternal(rec.text, code));
  }
  entries.resize(keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    png_text& t = entries[i];
    std::memset(&t, 0, sizeof t);
    t.compression = itxt ? PNG_ITXT_COMPRESSION_NONE : PNG_TEXT_COMPRESSION_NONE;
    t.key = keys[i].data();
    t.text = texts[i].data();
    t.text_length = texts[i].size();
    if (itxt) t.lang = lang.data();
  }
}

// The save mode's format and the gamma chunk, settled before the file is
// opened.
struct PngFormat {
  int colorType = 0;
  int bitDepth = 8;
  bool writeGamma = false;
  long fixedGamma = 0;
};

// The gamma written: the document's, replaced by the default when the
// settings ask; with neither there is nothing to write.
void ChooseGamma(const CImageDoc& doc, PngFormat& format) {
  const CSettings& s = doc.App().m_settings;
  double gamma = 0.0;
  if (doc.m_bWriteGamma) {
    if (doc.m_bGamma) {
      gamma = doc.m_dGamma;
      format.writeGamma = true;
    }
    if (s.UseDefaultGammaOnSave) {
      gamma = s.DefaultGamma;
      format.writeGamma = true;
    }
  }
  format.fixedGamma = format.writeGamma ? PngFixedGamma(gamma) : 0;
}

// The C++ side of a save: built before the setjmp region, which sees only
// pointers into it, and outliving it.
struct PngData {
  std::vector<RgbQuad> table;
  std::vector<png_color> palette;
  std::vector<png_byte> alpha;
  CColorMatcher matcher;
  std::vector<png_byte> pixels;
  std::vector<png_bytep> rows;
  std::vector<std::string> keys, texts;
  std::string lang;
  std::vector<png_text> textEntries;
};

void MakePalette(const CImageDoc& doc, int bitDepth, PngData& data) {
  data.table = PaletteForDepth(doc, bitDepth);
  const int count = static_cast<int>(data.table.size());
  data.matcher.Init(data.table.data(), count, count);
  data.matcher.BuildIndex();
  for (const RgbQuad& q : data.table) data.palette.push_back(png_color{q.rgbRed, q.rgbGreen, q.rgbBlue});
}

// False when memory runs out.
bool MakePngData(const CImageDoc& doc, const CMemBitmap& bmp, const PngFormat& format, PngData& data) {
  try {
    if (format.colorType == PNG_COLOR_TYPE_PALETTE) MakePalette(doc, format.bitDepth, data);
    size_t rowBytes = 0;
    MakeRows(bmp, format.colorType, format.bitDepth, &data.matcher, data.pixels, rowBytes);
    data.rows.resize(static_cast<size_t>(bmp.Height()));
    for (size_t k = 0; k < data.rows.size(); ++k) data.rows[k] = data.pixels.data() + k * rowBytes;
    MakeTexts(doc, data.keys, data.texts, data.lang, data.textEntries);
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void SetTransparency(const CImageDoc& doc, const PngFormat& format, PngData& data, PngJob& job) {
  const uint8_t* t = doc.m_transparentColor;  // blue, green, red
  if (format.colorType == PNG_COLOR_TYPE_PALETTE) {
    // Every entry up to the transparent one opaque, that one clear.
    const int k = data.matcher.FindNearest(t);
    data.alpha.assign(static_cast<size_t>(k) + 1, 255);
    data.alpha.back() = 0;
    job.alpha = data.alpha.data();
    job.alphaCount = k + 1;
  } else if (format.colorType == PNG_COLOR_TYPE_RGB) {
    job.transColor.red = t[2];
    job.transColor.green = t[1];
    job.transColor.blue = t[0];
    job.hasTransColor = 1;
  } else {
    // The key must be the grey that the colour's pixels became.
    job.transColor.gray = static_cast<png_uint_16>(GreyOf(t[0], t[1], t[2]) >> (format.bitDepth == 4 ? 4 : 0));
    job.hasTransColor = 1;
  }
}

void FillPngJob(const CImageDoc& doc, const CMemBitmap& bmp, const PngFormat& format, FILE* file, PngData& data,
                PngJob& job) {
  std::memset(&job, 0, sizeof job);
  job.file = file;
  job.width = static_cast<png_uint_32>(bmp.Width());
  job.height = static_cast<png_uint_32>(bmp.Height());
  job.bitDepth = format.bitDepth;
  job.colorType = format.colorType;
  job.interlace = doc.App().m_settings.bUseInterlaceOnSave ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE;
  if (!data.palette.empty()) {
    job.palette = data.palette.data();
    job.paletteCount = static_cast<int>(data.palette.size());
  }
  if (doc.m_bTransparent) SetTransparency(doc, format, data, job);
  job.hasGamma = format.writeGamma;
  job.gamma = static_cast<png_fixed_point>(format.fixedGamma);
  job.texts = data.textEntries.empty() ? nullptr : data.textEntries.data();
  job.textCount = static_cast<int>(data.textEntries.size());
  job.rows = data.rows.data();
}

enum class PngRun { Written, NoWriter, Failed };

// On Failed, libpng's own message is in job.message.
PngRun RunLibpng(PngJob& job) {
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  if (job.png) job.info = png_create_info_struct(job.png);
  if (!job.png || !job.info) {
    png_destroy_write_struct(&job.png, &job.info);
    return PngRun::NoWriter;
  }
  const bool streamed = WritePngStream(&job);
  png_destroy_write_struct(&job.png, &job.info);
  return streamed ? PngRun::Written : PngRun::Failed;
}

// The document changes only once the file is in place.
void NoteWrittenPng(CImageDoc& doc, const std::string& path, const PngJob& job, const PngData& data) {
  if (job.colorType == PNG_COLOR_TYPE_PALETTE) doc.m_colorTable = data.table;
  PngDescription d;
  d.width = static_cast<int>(job.width);
  d.height = static_cast<int>(job.height);
  d.interlaced = job.interlace == PNG_INTERLACE_ADAM7;
  d.colorType = job.colorType;
  d.bitDepth = job.bitDepth;
  d.transparent = doc.m_bTransparent != 0;
  d.gamma = doc.m_bGamma != 0;
  doc.m_strCodecInfo = DescribePng(d, &doc.m_bGrayscale);
  doc.m_nBitsPerSample = job.colorType == PNG_COLOR_TYPE_RGB ? 3 * job.bitDepth : job.bitDepth;
  doc.m_nFileSize = FileSizeOf(path);
}

} // namespace

int CImageDoc::WritePng(const std::string& path) {
  m_strCodecError.clear();
  auto report = [&](const char* message) {
    ShowFileError(m_app.Messages(), kSavePngOperation, path, message);
    return 0;
  };

  PngFormat format;
  if (!PngModeFormat(m_nPngSaveMode, format.colorType, format.bitDepth)) return report(kPngBadMode);
  ChooseGamma(*this, format);
  if (format.writeGamma && format.fixedGamma == 0) return report(kPngBadGamma);

  CReplacingFile out;
  if (!out.Open(path)) return report(kPngCannotOpen);
  const CDibBitmap& bmp = *m_pBitmap;
  if (bmp.IsEmpty()) return report(kCantMakeDib);
  PngData data;
  if (!MakePngData(*this, bmp, format, data)) return report(kCantMakeDib);

  PngJob job;
  FillPngJob(*this, bmp, format, out.File(), data, job);
  switch (RunLibpng(job)) {
  case PngRun::NoWriter: return report(kPngCantCreate);
  case PngRun::Failed:
    m_strCodecError = job.message;
    return report(kPngErrorHandler);
  case PngRun::Written: break;
  }
  if (!out.Commit()) return report(kCantWriteFile);
  NoteWrittenPng(*this, path, job, data);
  return 1;
}

} // namespace qv
