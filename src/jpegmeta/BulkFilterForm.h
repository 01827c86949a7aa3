#pragma once
// The bulk filter's settings dialog (154) and its two details dialogs (143,
// 156) without their windows: their texts, which controls are enabled, the
// log path that follows a new destination, and what OK and "この設定を保存"
// keep.
#include <string>

#include "jpegmeta/BulkFilter.h"

namespace qv {

class CProfile;

// Dialog 154.
inline constexpr const char kBulkFilterCaption[] = "JPEG 一括フィルタ";
inline constexpr const char kBulkCreateLog[] = "ログを出力する";                       // 1206
inline constexpr const char kBulkRemoveThumb[] = "JFIF ヘッダのサムネールを外す";      // 1230
inline constexpr const char kBulkRemoveJfxx[] = "JFXX ヘッダを外す";                   // 1232
inline constexpr const char kBulkRemoveAppX[] = "APP0 以外の APP セグメントを外す";    // 1233
inline constexpr const char kBulkUniteDqt[] = "DQT セグメントを統合する";              // 1234
inline constexpr const char kBulkUniteDht[] = "DHT セグメントを統合する";              // 1235
inline constexpr const char kBulkRemoveCom[] = "COM セグメントを外す";                 // 1236
inline constexpr const char kBulkConvertExif[] = "Exif を JFIF に変換する";            // 1238
inline constexpr const char kBulkRecurse[] = "ディレクトリを再帰(&R)";                 // 1216
inline constexpr const char kBulkExtFilter[] = "拡張子を指定(&E)";                     // 1217
inline constexpr const char kBulkDetails[] = "詳細...";                                // 1237, 1239
inline constexpr const char kBulkSaveSettings[] = "この設定を保存";                    // 1138
inline constexpr const char kBulkInputTitle[] = "Input file directory";                // 285
inline constexpr const char kBulkOutputTitle[] = "Output file directory";              // 284
inline constexpr const char kBulkLogDialogTitle[] = "ログファイルの設定";              // 286
// The settings file could not be written by "この設定を保存".
inline constexpr const char kBulkSaveFailed[] = "設定ファイルに書き込めません";
inline constexpr const char kBulkFilterOperation[] = "BulkFlt";
inline constexpr const char kBulkLogFilter[] =                                          // 220
    "HTML file(*.htm;*.html)|*.htm;*.html|Text file(*.txt;*.doc)|*.txt;*.doc|All files(*.*)|*.*||";
// Dialog 143.
inline constexpr const char kBulkAppnCaption[] = "APPn セグメントの設定";
inline constexpr const char kBulkAppnSelectAll[] = "全選択(&A)";                       // 1250
// Dialog 156.
inline constexpr const char kBulkExifCaption[] = "Exif->JFIF 変換詳細設定";
inline constexpr const char kBulkExifGenCmt[] = "撮影情報をコメントに埋め込む(&C)";    // 1091
inline constexpr const char kBulkExifUserCmt[] = "空文以外のユーザーコメントを残す(&U)"; // 1092
inline constexpr const char kBulkExifGenEng[] = "撮影情報を英文で作成する(&E)";        // 1093
// Help contexts of the three dialogs.
enum : int { HELP_BULK_FILTER = 1800, HELP_BULK_APPN = 1802, HELP_BULK_EXIF = 1803 };

// What the controls of dialog 154 hold (checks as 0 or 1). The APPn and
// Exif details live in the settings and are edited by their own dialogs.
struct BulkFilterDialogValues {
  std::string srcDir;   // 1203
  std::string dstDir;   // 1205
  std::string logPath;  // 1208
  std::string extList;  // 1218
  int createLog = 0, removeThumb = 0, removeJfxx = 0, removeAppX = 0, uniteDqt = 0, uniteDht = 0, removeCom = 0,
      convertExif = 0, recurse = 0, extFilter = 0;
};

// The controls that depend on a check box, as they follow every click.
struct BulkFilterEnables {
  bool extEdit = false;      // 1218 with 1217
  bool appnDetails = false;  // 1237 with 1233
  bool exifDetails = false;  // 1239 with 1238
  bool logPath = false;      // 1208 and 1209 with 1206
};
BulkFilterEnables BulkFilterEnablesFor(const BulkFilterDialogValues& values);

// 1093 is enabled only while 1091 is checked.
inline bool ExifEnglishEnabled(bool genComment) { return genComment; }
// "全選択(&A)": every box becomes the opposite of the APP1 box.
inline bool AppnSelectAllState(bool app1Checked) { return !app1Checked; }

// After a new destination was picked: that folder, a separator, and the
// file name of the current log path.
std::string LogPathForDestination(const std::string& dstDir, const std::string& logPath);
// The folder the log file dialog starts in: the current log path's own.
std::string LogDialogFolder(const std::string& logPath);

class CBulkFilterForm {
public:
  // Every key of the "bulkfilter" section, as the dialog opens.
  void Load(const CProfile& profile);
  BulkFilterDialogValues Values() const;
  // OK: the controls into the settings; the profile is not written.
  void Store(const BulkFilterDialogValues& values);
  // "この設定を保存": the controls into the settings, then every key
  // written. False when the settings file could not be written.
  bool StoreAndSave(const BulkFilterDialogValues& values, CProfile& profile);

  CBulkFilterSettings& Settings() { return m_settings; }
  const CBulkFilterSettings& Settings() const { return m_settings; }

private:
  CBulkFilterSettings m_settings;
};

} // namespace qv
