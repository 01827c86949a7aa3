#pragma once
// The program's settings, each member named after its key in section "default".
#include <climits>
#include <string>

namespace qv {

struct CSettings {
  std::string ReadDir = ".";
  std::string WriteDir = ".";
  int ReadFilterIdx = 0;
  int WriteFilterIdx = 0;
  std::string TempDir;  // the system's temporary folder unless set
  int AutoUpdateClipboard = 0;
  int MaxMRU = 9;
  int Param1 = 75;  // JPEG quality 1..100
  int Param2 = 2;   // sampling choice; always 2 once a JPEG is written
  int Param3 = 0;   // 0 baseline
  int RestoreWindowPos = 0;
  int WindowPosLeft = INT_MIN;
  int WindowPosTop = INT_MIN;
  int WindowPosWidth = INT_MIN;
  int WindowPosHeight = INT_MIN;
  int ResolutionH = 1;
  int ResolutionV = 1;
  int ResolutionUnit = 0;
  int IncludeRST = 0;
  int DefaultComment = 0;
  std::string DefaultCommentPath;
  int AutoReadCharset = 0;
  int ReadCharset = 3;
  int AutoWriteCharset = 1;
  int WriteCharset = 3;
  int UseTransparentOnLoad = 0;
  int UseTransparentOnSave = 0;
  int UseGammaCorrection = 1;
  int UseWriteGammaValue = 1;
  int UseDefaultGammaOnLoad = 0;
  int UseDefaultGammaOnSave = 0;
  int bUseInterlaceOnSave = 0;
  double DefaultGamma = 0.45455;
  double ScreenGamma = 2.2;
  int pngSaveMode = 0;
  int colorTransparent = 0;
  int bUseHalfToneStretch = 0;
  int UseDitherFor16bitColor = 0;
  int AutoFitting = 0;
  int SaveConfig = 1;
  int UsePNGiTXT = 0;
  std::string DefaultPNGiTXTLang = "ja-jp";
  int UseCustomDQT = 0;
  int AllowExtSampling = 0;
  // Added for today's photos: a JPEG over 5000 pixels is decoded at the
  // largest M/8 scale that fits; Exif Orientation turns the image upright.
  int ShrinkLargeImages = 1;
  int AutoRotate = 1;
  // The control toolbar (command 443) is shown.
  int ShowToolBar = 1;
};

// The system's temporary folder: $TMPDIR, else /tmp.
std::string SystemTempDirectory();

// A decimal number as the program parses its doubles: text that is not a
// number gives 0.
double ParseSettingDouble(const std::string& text);
// Doubles are written with "%f": 0.454550, 2.200000.
std::string FormatSettingDouble(double value);

} // namespace qv
