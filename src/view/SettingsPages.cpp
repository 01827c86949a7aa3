#include "view/SettingsPages.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>

#include "app/AppHelpers.h"
#include "app/ConverterApp.h"
#include "app/Settings.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/CommentText.h"

namespace qv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A combo's selection for a stored code: its index, or none.
int SelectionFor(int code, int count) { return code >= 0 && code < count ? code : -1; }

} // namespace

int ReadSignedText(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  bool negative = false;
  if (i < n && text[i] == '-') {
    negative = true;
    ++i;
  }
  if (i == n) return 0;
  int64_t value = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
    if (value > static_cast<int64_t>(INT_MAX) + 1) return 0;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return 0;
  return static_cast<int>(value);
}

double ReadDoubleText(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // from_chars takes no sign of its own beyond '-', and never the locale's comma.
  double value = 0.0;
  const char* begin = text.data() + i;
  const auto result = std::from_chars(begin, text.data() + text.size(), value, std::chars_format::general);
  if (result.ec != std::errc() || result.ptr == begin || !std::isfinite(value)) return 0.0;
  return negative ? -value : value;
}

std::string DoubleText(double value) {
  char buf[400];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (result.ec != std::errc()) return "0.000000";
  return std::string(buf, result.ptr);
}

// ---- General ----

GeneralPageValues ReadGeneralPage(const CSettings& s) {
  GeneralPageValues v;
  v.maxMru = std::to_string(s.MaxMRU);
  v.autoUpdateClipboard = s.AutoUpdateClipboard ? 1 : 0;
  v.restoreWindowPos = s.RestoreWindowPos ? 1 : 0;
  v.halftone = s.bUseHalfToneStretch ? 1 : 0;
  v.autoFitting = s.AutoFitting ? 1 : 0;
  v.ditherFor16bit = s.UseDitherFor16bitColor ? 1 : 0;
  v.saveConfig = s.SaveConfig ? 1 : 0;
  return v;
}

void StoreGeneralPage(const GeneralPageValues& v, CSettings& s) {
  const int n = ReadSignedText(v.maxMru);
  s.MaxMRU = n < 0 ? 0 : n > 9 ? 9 : n;
  s.AutoUpdateClipboard = v.autoUpdateClipboard;
  s.RestoreWindowPos = v.restoreWindowPos;
  s.bUseHalfToneStretch = v.halftone;
  s.AutoFitting = v.autoFitting;
  s.UseDitherFor16bitColor = v.ditherFor16bit;
  s.SaveConfig = v.saveConfig;
}

bool DitherBoxEnabled(int screenBitsPerPixel) { return screenBitsPerPixel == 15 || screenBitsPerPixel == 16; }

// ---- Comment ----

const std::vector<std::string>& CharsetChoices() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (int code = CS_ASCII; code <= CS_UTF8; ++code) list.push_back(CharsetName(code));
    return list;
  }();
  return names;
}

CommentPageValues ReadCommentPage(const CSettings& s) {
  const int count = static_cast<int>(CharsetChoices().size());
  CommentPageValues v;
  v.path = s.DefaultCommentPath;
  v.defaultComment = s.DefaultComment ? 1 : 0;
  v.autoReadCharset = s.AutoReadCharset ? 1 : 0;
  v.readCharset = SelectionFor(s.ReadCharset, count);
  v.autoWriteCharset = s.AutoWriteCharset ? 1 : 0;
  v.writeCharset = SelectionFor(s.WriteCharset, count);
  return v;
}

void StoreCommentPage(const CommentPageValues& v, CConverterApp& app) {
  CSettings& s = app.m_settings;
  s.DefaultCommentPath = v.path;
  s.DefaultComment = v.defaultComment;
  // A file named in the dialog just now that gives nothing is said at once;
  // the other settings still store.
  if (!LoadDefaultComment(app, s.DefaultCommentPath))
    ShowFileError(app.Messages(), "DefaultComment", s.DefaultCommentPath, kCantOpenFile);
  s.AutoReadCharset = v.autoReadCharset;
  if (v.readCharset >= 0) s.ReadCharset = v.readCharset;
  s.AutoWriteCharset = v.autoWriteCharset;
  if (v.writeCharset >= 0) s.WriteCharset = v.writeCharset;
}

// ---- JPEG ----

JpegPageValues ReadJpegPage(const CSettings& s) {
  JpegPageValues v;
  v.tempDir = s.TempDir;
  v.resolutionH = std::to_string(s.ResolutionH);
  v.resolutionV = std::to_string(s.ResolutionV);
  v.resolutionUnit = SelectionFor(s.ResolutionUnit, 3);
  v.includeRst = s.IncludeRST ? 1 : 0;
  v.useCustomDqt = s.UseCustomDQT ? 1 : 0;
  return v;
}

void StoreJpegPage(const JpegPageValues& v, CSettings& s) {
  s.TempDir = v.tempDir;
  s.ResolutionH = ReadSignedText(v.resolutionH);
  s.ResolutionV = ReadSignedText(v.resolutionV);
  if (v.resolutionUnit >= 0 && v.resolutionUnit < 3) s.ResolutionUnit = v.resolutionUnit;
  s.IncludeRST = v.includeRst;
  s.UseCustomDQT = v.useCustomDqt;
}

// ---- PNG ----

PngPageValues ReadPngPage(const CSettings& s) {
  PngPageValues v;
  v.transparentOnLoad = s.UseTransparentOnLoad ? 1 : 0;
  v.gammaCorrection = s.UseGammaCorrection ? 1 : 0;
  v.defaultGammaOnLoad = s.UseDefaultGammaOnLoad ? 1 : 0;
  v.defaultGammaOnSave = s.UseDefaultGammaOnSave ? 1 : 0;
  v.defaultGamma = DoubleText(s.DefaultGamma);
  v.screenGamma = DoubleText(s.ScreenGamma);
  v.useITxt = s.UsePNGiTXT ? 1 : 0;
  v.iTxtLang = s.DefaultPNGiTXTLang;
  return v;
}

void StorePngPage(const PngPageValues& v, CSettings& s) {
  s.UseTransparentOnLoad = v.transparentOnLoad;
  s.UseGammaCorrection = v.gammaCorrection;
  s.UseDefaultGammaOnLoad = v.defaultGammaOnLoad;
  s.UseDefaultGammaOnSave = v.defaultGammaOnSave;
  s.DefaultGamma = ReadDoubleText(v.defaultGamma);
  s.ScreenGamma = ReadDoubleText(v.screenGamma);
  s.UsePNGiTXT = v.useITxt;
  s.DefaultPNGiTXTLang = v.iTxtLang;
}

} // namespace qv
