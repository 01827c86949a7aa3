#include "jpegmeta/ExifSummary.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <map>

#include "jpegmeta/Charset.h"
#include "jpegmeta/ExifReader.h"

namespace qv {
namespace {

constexpr double kSqrt2 = 1.4142135623730951;

struct NameEntry {
  int id;
  const char* japanese;  // UTF-8 in the source, CP932 at run time
  const char* english;   // at id + 400
};

const NameEntry kNames[] = {
    {2101, "露出=", "Exposure="},
    {2102, "測光=", "Metering="},
    {2103, "(その他)", "(Other)"},
    {2200, "(不明)", "(Unknown)"},
    {2201, "マニュアル", "Manual"},
    {2202, "プログラムAE", "Program-AE"},
    {2203, "絞り優先", "Aperture"},
    {2204, "シャッター優先", "Shutter"},
    {2205, "低速プログラム", "Slow-AE"},
    {2206, "高速プログラム", "Fast-AE"},
    {2207, "ポートレート", "Portrait"},
    {2208, "風景モード", "Landscape"},
    {2300, "(不明)", "(Unknown)"},
    {2301, "平均", "Average"},
    {2302, "中央重点", "Center-w."},
    {2303, "スポット", "Spot"},
    {2304, "多点スポット", "Multi-spot"},
    {2305, "マルチセグメント", "Multi-seg."},
    {2306, "部分", "Partial"},
};

const char* const kFallbacks[EL_COUNT] = {
    "- No maker info -", "- No optical info -", "- No Date -", "- No exposure mode -", "- No exposure info -",
};

const std::map<int, std::string>& NameTable() {
  static const std::map<int, std::string> table = [] {
    std::map<int, std::string> t;
    for (const NameEntry& e : kNames) {
      t[e.id] = Utf8ToInternal(e.japanese);
      t[e.id + EXIF_ENGLISH] = e.english;
    }
    return t;
  }();
  return table;
}

__attribute__((format(printf, 1, 2))) std::string Format(const char* fmt, ...) {
  char small[64];
  va_list args;
  va_start(args, fmt);
  const int n = std::vsnprintf(small, sizeof small, fmt, args);
  va_end(args);
  if (n < 0) return std::string();
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string out(static_cast<size_t>(n) + 1, '\0');
  va_start(args, fmt);
  std::vsnprintf(&out[0], out.size(), fmt, args);
  va_end(args);
  out.resize(static_cast<size_t>(n));
  return out;
}

void AppendWithBlank(std::string& text, const std::string& piece) {
  if (!text.empty()) text += ' ';
  text += piece;
}

std::string TrimRight(std::string s) {
  const size_t end = s.find_last_not_of(" \t\r\n\v\f");
  s.erase(end == std::string::npos ? 0 : end + 1);
  return s;
}

int Done(const std::string& text) { return text.empty() ? 0 : 1; }

// "(Other)(9)" beyond the table, else the table's name for v.
std::string NameOrOther(int base, unsigned v, unsigned last, int language) {
  if (v > last) return ExifSummaryString(2103 + language) + Format("(%u)", v);
  return ExifSummaryString(base + language + static_cast<int>(v));
}

} // namespace

std::string ExifSummaryString(int id) {
  const auto& table = NameTable();
  auto it = table.find(id);
  return it == table.end() ? std::string() : it->second;
}

const char* ExifFallbackText(int line) { return line >= 0 && line < EL_COUNT ? kFallbacks[line] : nullptr; }

int MakerText(const CExifReader& reader, std::string& text) {
  text.clear();
  if (const CExifEntry* make = reader.FindTag(TAG_MAKE)) text = TrimRight(reader.ReadText(*make));
  if (const CExifEntry* model = reader.FindTag(TAG_MODEL)) AppendWithBlank(text, TrimRight(reader.ReadText(*model)));
  return Done(text);
}

int OpticalText(const CExifReader& reader, std::string& text) {
  text.clear();
  if (const CExifEntry* e = reader.FindTag(TAG_FOCAL_LENGTH)) text = Format("L=%3.1fmm", reader.ReadRational(*e));
  if (const CExifEntry* e = reader.FindTag(TAG_F_NUMBER)) {
    AppendWithBlank(text, Format("F=%2.1f", reader.ReadRational(*e)));
  } else if (const CExifEntry* e = reader.FindTag(TAG_MAX_APERTURE)) {
    // APEX aperture value A: F = sqrt(2)^A.
    AppendWithBlank(text, Format("F=%2.1f", std::pow(kSqrt2, reader.ReadRational(*e))));
  }
  if (const CExifEntry* e = reader.FindTag(TAG_SUBJECT_DISTANCE)) {
    int32_t num = 0, den = 0;
    reader.ReadSRational(*e, &num, &den);
    AppendWithBlank(text, den != 0 ? Format("D=%3.1fm", static_cast<double>(num) / den) : std::string("D=omega"));
  }
  return Done(text);
}

int DateText(const CExifReader& reader, std::string& text) {
  text.clear();
  const CExifEntry* e = reader.FindTag(TAG_DATE_TIME_ORIGINAL);
  if (!e) e = reader.FindTag(TAG_DATE_TIME);
  if (e) text = TrimRight(reader.ReadText(*e));
  return Done(text);
}

int ExposureModeText(const CExifReader& reader, std::string& text, int languageOffset) {
  text.clear();
  if (const CExifEntry* e = reader.FindTag(TAG_EXPOSURE_PROGRAM))
    text = ExifSummaryString(2101 + languageOffset) + NameOrOther(2200, reader.ReadShort(*e), 8, languageOffset);
  if (const CExifEntry* e = reader.FindTag(TAG_METERING_MODE)) {
    if (!text.empty()) text += ' ';
    text += ExifSummaryString(2102 + languageOffset) + NameOrOther(2300, reader.ReadShort(*e), 6, languageOffset);
  }
  return Done(text);
}

int ExposureText(const CExifReader& reader, std::string& text) {
  text.clear();
  // a: the reciprocal of the exposure time in seconds.
  double a = 0.0;
  bool haveShutter = false;
  if (const CExifEntry* e = reader.FindTag(TAG_SHUTTER_SPEED)) {
    a = std::pow(2.0, reader.ReadSRational(*e));  // APEX Tv
    haveShutter = true;
  } else if (const CExifEntry* e = reader.FindTag(TAG_EXPOSURE_TIME)) {
    uint32_t num = 0, den = 0;
    reader.ReadRational(*e, &num, &den);
    // A zero exposure time has no reciprocal: the piece is left out.
    haveShutter = num != 0;
    if (haveShutter) a = static_cast<double>(den) / num;
  }
  // Zero (a time of 0/1 or an underflowing Tv) and infinity say nothing.
  if (haveShutter && std::isfinite(a) && a > 0.0) {
    if (a > 1.0)
      text = Format("1/%dsec", a >= 2147483647.0 ? 2147483647 : static_cast<int>(a));
    else
      text = Format("%2.1fsec", 1.0 / a);
  }
  if (const CExifEntry* e = reader.FindTag(TAG_APERTURE))
    AppendWithBlank(text, Format("F=%2.1f", std::pow(kSqrt2, reader.ReadRational(*e))));
  if (const CExifEntry* e = reader.FindTag(TAG_EXPOSURE_BIAS))
    AppendWithBlank(text, Format("EV=%-2.2f", reader.ReadSRational(*e)));
  if (const CExifEntry* e = reader.FindTag(TAG_ISO_SPEED))
    AppendWithBlank(text, Format("ISO=%d", static_cast<int>(reader.ReadShort(*e))));
  if (const CExifEntry* e = reader.FindTag(TAG_FLASH)) {
    if (reader.ReadShort(*e) != 0) text += " +F";
  }
  return Done(text);
}

std::string ExifInfoLine(const CExifReader* reader, int line, int languageOffset) {
  std::string text;
  int ok = 0;
  if (reader) {
    switch (line) {
      case EL_MAKER: ok = MakerText(*reader, text); break;
      case EL_OPTICAL: ok = OpticalText(*reader, text); break;
      case EL_DATE: ok = DateText(*reader, text); break;
      case EL_EXPOSURE_MODE: ok = ExposureModeText(*reader, text, languageOffset); break;
      case EL_EXPOSURE: ok = ExposureText(*reader, text); break;
      default: break;
    }
  }
  if (ok) return text;
  const char* fallback = ExifFallbackText(line);
  return fallback ? fallback : "";
}

} // namespace qv
