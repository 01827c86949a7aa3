#pragma once
// The settings sheet's four pages without their windows: what each page
// shows of the settings when it opens, and what its OK stores back, with
// the conversions and clamps of every control.
#include <string>
#include <vector>

namespace qv {

struct CSettings;
class CConverterApp;

// ---- the sheet's texts ----
inline constexpr const char kSheetCaption[] = "環境設定";  // 288
inline constexpr const char kSheetHelp[] = "ヘルプ";

inline constexpr const char kGeneralTab[] = "一般";
inline constexpr const char kGeneralGroup[] = "一般設定";
inline constexpr const char kMaxMruLabel[] = "ファイル履歴の個数(&H)(0-9)：";
inline constexpr const char kClearRecentButton[] = "ファイル履歴のクリア";
inline constexpr const char kAutoClipboardBox[] = "クリップボードの自動更新(&L)";
inline constexpr const char kRestoreWindowBox[] = "ウィンドウ位置の記録・復旧(&R)";
inline constexpr const char kHalftoneBox[] = "拡大縮小表示に HALFTONE を使用する(&H)";
inline constexpr const char kAutoFitBox[] = "画像オープン時にウィンドウサイズを自動調整する(&W)";
inline constexpr const char kDitherBox[] = "スクリーンが 15/16bit モードの時ディザ処理を行う(&D)";
inline constexpr const char kSaveConfigBox[] = "終了時に設定情報を保存する(&S)";
inline constexpr int kGeneralHelpTopic = 1301;

inline constexpr const char kCommentTab[] = "コメント";
inline constexpr const char kCommentGroup[] = "ファイルコメント設定";
inline constexpr const char kCommentFileLabel[] = "デフォルトコメントファイル(&C)：";
inline constexpr const char kCommentBrowse[] = "参照(&V)...";
inline constexpr const char kDefaultCommentBox[] = "コメント付加をデフォルトにする(&D)";
inline constexpr const char kAutoReadBox[] = "読み出すキャラクタを自動識別する(&I)";
inline constexpr const char kReadCharsetLabel[] = "デフォルト";
inline constexpr const char kAutoWriteBox[] = "書き出すキャラクタを自動継承する(&O)";
inline constexpr const char kCommentFileFilter[] = "Text file(*.txt;*.doc)|*.txt;*.doc|All files(*.*)|*.*||";  // 219
inline constexpr const char kCommentFileTitle[] = "コメントファイルを開く";  // 223
inline constexpr int kCommentHelpTopic = 1302;

inline constexpr const char kJpegTab[] = "JPEG";
inline constexpr const char kJpegGroup[] = "JPEG 変換設定";
inline constexpr const char kTempDirLabel[] = "中間ファイルディレクトリ(&T)：";
inline constexpr const char kTempDirBrowse[] = "参照(&M)...";
inline constexpr const char kTempDirTitle[] = "中間ファイル展開ディレクトリの指定";  // 214
inline constexpr const char kResolutionLabel[] = "アスペクト比/解像度(&A)：";
inline constexpr const char kResolutionBy[] = "x";
inline constexpr const char* const kResolutionUnits[3] = {"Aspect", "dot/inch", "dot/cm"};  // 539..541
inline constexpr const char kRstBox[] = "RST マーカーを生成する(&R)";
inline constexpr const char kCustomDqtBox[] = "カスタム DQT 使用をデフォルトにする";
inline constexpr const char kDqtButton[] = "DQT 設定(&Q)...";
inline constexpr int kJpegHelpTopic = 1303;

inline constexpr const char kPngTab[] = "PNG";
inline constexpr const char kPngGroup[] = "PNG オプション設定";
inline constexpr const char kTransparentOnLoadBox[] = "読み出し時に透過処理を行う(&T)";
inline constexpr const char kGammaOnLoadBox[] = "読み出し時にガンマ補正を行う(&G)";
inline constexpr const char kDefaultGammaOnLoadBox[] = "デフォルト補正値の強制適用(&L)";
inline constexpr const char kDefaultGammaOnSaveBox[] = "常にガンマ補正値を書き出す(&S)";
inline constexpr const char kDefaultGammaLabel[] = "デフォルトのガンマ補正値(&D)";
inline constexpr const char kScreenGammaLabel[] = "モニタのガンマ値(&M)";
inline constexpr const char kITxtBox[] = "コメントを iTXt で書き出す";
inline constexpr const char kITxtLangLabel[] = "デフォルト言語:";
inline constexpr int kPngHelpTopic = 1304;

// ---- conversions ----

// A number edit read as a signed integer: blanks around an optional '-'
// and decimal digits; anything else, or a number beyond 32 bits, is 0.
int ReadSignedText(const std::string& text);
// A double as the C runtime's atof reads it, whatever the locale: the
// longest decimal number at the start after blanks, else 0. Infinities and
// NaN read as 0: no gamma can use them.
double ReadDoubleText(const std::string& text);
// "%f" with a '.', whatever the locale: 0.454550.
std::string DoubleText(double value);

// ---- General page (dialog 144) ----
struct GeneralPageValues {
  std::string maxMru;            // 1010
  int autoUpdateClipboard = 0;   // 1012
  int restoreWindowPos = 0;      // 1013
  int halftone = 0;              // 1014
  int autoFitting = 0;           // 1017
  int ditherFor16bit = 0;        // 1016
  int saveConfig = 0;            // 1015
};
GeneralPageValues ReadGeneralPage(const CSettings& s);
// MaxMRU is clamped to 0..9.
void StoreGeneralPage(const GeneralPageValues& v, CSettings& s);
// Box 1016 is usable only on a screen of 15 or 16 bits per pixel.
bool DitherBoxEnabled(int screenBitsPerPixel);

// ---- Comment page (dialog 147) ----
// The combos' items, character-set codes 0 to 4 in order.
const std::vector<std::string>& CharsetChoices();
struct CommentPageValues {
  std::string path;         // 1004
  int defaultComment = 0;   // 1005
  int autoReadCharset = 0;  // 1024; disables 1025 while set
  int readCharset = -1;     // 1025 selection, -1 none
  int autoWriteCharset = 0; // 1026; disables 1027 while set
  int writeCharset = -1;    // 1027 selection, -1 none
};
CommentPageValues ReadCommentPage(const CSettings& s);
// Path and flag first, then the default comment is read again (with the
// character-set settings still the old ones), then the character sets; a
// combo without a selection keeps its old code.
void StoreCommentPage(const CommentPageValues& v, CConverterApp& app);

// ---- JPEG page (dialog 145) ----
struct JpegPageValues {
  std::string tempDir;      // 1002
  std::string resolutionH;  // 1020
  std::string resolutionV;  // 1021
  int resolutionUnit = -1;  // 1022 selection, -1 none
  int includeRst = 0;       // 1023
  int useCustomDqt = 0;     // 1308; enables 1309 while set
};
JpegPageValues ReadJpegPage(const CSettings& s);
// A unit combo without a selection keeps the old unit: JFIF knows 0 to 2.
void StoreJpegPage(const JpegPageValues& v, CSettings& s);

// ---- PNG page (dialog 146) ----
struct PngPageValues {
  int transparentOnLoad = 0;   // 1040
  int gammaCorrection = 0;     // 1030; enables 1032 while set
  int defaultGammaOnLoad = 0;  // 1032
  int defaultGammaOnSave = 0;  // 1033
  std::string defaultGamma;    // 1034
  std::string screenGamma;     // 1035
  int useITxt = 0;             // 1036; enables 1037 while set
  std::string iTxtLang;        // 1037
};
PngPageValues ReadPngPage(const CSettings& s);
// UseWriteGammaValue is left alone (the PNG save dialog edits it).
void StorePngPage(const PngPageValues& v, CSettings& s);

} // namespace qv
