#include "gui/AppTexts.h"

#include <cstring>

#include "gui/CommandIds.h"
#include "gui/ViewCommandIds.h"

namespace qv {
namespace txt {
const char kAppTitle[] = "Quorvex";
const char kIdleMessage[] = " ";
const char kInfoPaneInitial[] = "Iinformation of the image file will be displayed in here.";
const char kZoomPaneSizer[] = "1600%";
const char kNoInfo[] = " ";
const char kNoFileSize[] = " ";
const char kClipboardTitle[] = "クリップボード";
const char kSizeFormat[] = "%dx%d ";
const char kClipboardImage[] = "Clipboard Image";
const char kColorsFormat[] = "(%d colors)";
const char kFrozenTitleFormat[] = "(%d)";
const char kModifiedMarker[] = " *";
const char kNewImage[] = "New Image";
const char kRecentPlaceholder[] = "Recent";
const char kRecentPrompt[] = "Open this file.";
const char kOpenFilter[] = "JPEG file(*.jpg;*.jpeg;*.jif;*.jfif)|*.jpg;*.jpeg;*.jif;*.jfif||";
const char kSaveFilter[] =
    "JPEG file(*.jpg;*.jpeg;*.jif;*.jfif)|*.jpg;*.jpeg;*.jif;*.jfif|PNG file(*.png)|*.png|"
    "BMP file(*.bmp;*.dib)|*.bmp;*.dib|RGB file(*.rgb;*.fal)|*.rgb;*.fal|All files(*.*)|*.*||";
const char kAnyFileName[] = "*.*";
const char kByteCountFormat[] = "[%s(%s)byte]";
const char kAboutCaption[] = "About Quorvex";
const char kAboutProduct[] = "Exif Converter for KX-M410";
const char kAboutVersion[] = "Version 1.0.1";
const char kAboutOk[] = "OK";
const char kAboutLinkText[] = "Quorvex web page";
const char kAboutLinkUrl[] = "https://quorvex.example.org/";
const char kAboutLinkFace[] = "IPAPGothic";
const char kControlBarTitle[] = "コントロールバー";
const char kZoomRatesTip[] = "表示倍率";
const char kFilterSearching[] = "ファイルを検索しています...";
const char kFilterConverting[] = "Converting...";
} // namespace txt

const std::vector<MenuDef>& MenuResource(int menuId) {
  static const std::vector<MenuDef> noDocument = {
      {"&File", {{ID_FILE_OPEN, "&Open\tCtrl+O"}, {0, nullptr}, {ID_FILE_MRU_FIRST, "Recent"}, {0, nullptr},
                 {ID_APP_EXIT, "E&xit\tAlt+F4"}}},
      {"&Convert", {{ID_BATCH_CONVERT, "&Batch Convert"}}},
      {"&Tool", {{ID_VIEW_STATUS_BAR, "&Status Bar"}}},
      {"&Version", {{ID_APP_ABOUT, "&About Quorvex..."}}},
  };
  static const std::vector<MenuDef> document = {
      {"&File", {{ID_FILE_OPEN, "&Open\tCtrl+O"}, {ID_FILE_CLOSE, "&Close\tCtrl+F4"}, {0, nullptr},
                 {ID_FILE_MRU_FIRST, "Recent"}, {0, nullptr}, {ID_APP_EXIT, "E&xit\tAlt+F4"}}},
      {"&Convert", {{ID_BATCH_CONVERT, "&Batch Convert"}}},
      {"&Tool", {{ID_VIEW_STATUS_BAR, "&Status Bar"}, {0, nullptr}, {ID_SIZE_UP, "Size &Up\t]"},
                 {ID_SIZE_DOWN, "Size &Down\t["}, {ID_SIZE_RAW, "Size &Raw\tCtrl+Alt+0"}, {0, nullptr},
                 {ID_FIT_WINDOW, "&Fit Window\tCtrl+F"}}},
      {"&Window", {{ID_WINDOW_CASCADE, "&Layer"}, {ID_WINDOW_TILE_HORZ, "&Horizontal"},
                   {ID_WINDOW_TILE_VERT, "&Vertical"}, {0, nullptr}, {ID_CLOSE_ALL, "C&lose All\tCtrl+L"}}},
      {"&Version", {{ID_APP_ABOUT, "&About Quorvex..."}}},
  };
  return menuId == IDR_IMAGETYPE ? document : noDocument;
}

const std::vector<AccelDef>& Accelerators() {
  static const std::vector<AccelDef> table = {
      {"Ctrl+O", ID_FILE_OPEN}, {"Ctrl+F", ID_FIT_WINDOW}, {"Ctrl+L", ID_CLOSE_ALL},
      {"Ctrl+Alt+0", ID_SIZE_RAW}, {"[", ID_SIZE_DOWN},     {"]", ID_SIZE_UP},
  };
  return table;
}

const std::vector<AccelDef>& StandardKeys() {
  static const std::vector<AccelDef> table = {
      {"Ctrl+S", ID_FILE_SAVE_AS}, {"Ctrl+C", ID_EDIT_COPY}, {"Ctrl+V", ID_EDIT_PASTE}, {"F1", ID_HELP_INDEX},
  };
  return table;
}

const char* CommandPrompt(int id) {
  if (id >= ID_FILE_MRU_FIRST && id <= ID_FILE_MRU_LAST) return txt::kRecentPrompt;
  if (id >= ID_ZOOM_RATE_FIRST && id <= ID_ZOOM_RATE_LAST) return "Specify resize rate.";
  switch (id) {
  case ID_FILE_OPEN: return "Open image file.\nOpen";
  case ID_FILE_CLOSE: return "Current image file close.\nClose";
  case ID_APP_EXIT: return "Quit the application.\nExit";
  case ID_BATCH_CONVERT: return "Batch convert to exif format matching the KX-M410.";
  case ID_VIEW_STATUS_BAR: return "Show or hide the status bar.\nStatus Bar";
  case ID_SIZE_UP: return "Image display size up.\nSize Up";
  case ID_SIZE_DOWN: return "Image display size down.\nSize Down";
  case ID_SIZE_RAW: return "Image display raw size.\nSize Raw";
  case ID_FIT_WINDOW: return "Fit window size with main frame.\nFit Window";
  case ID_CLOSE_ALL: return "Close all windows.\nAll Close";
  case ID_WINDOW_CASCADE: return "Window arrange layer\nLayer";
  case ID_WINDOW_TILE_HORZ: return "Window arrange horizontal\nHorizontal";
  case ID_WINDOW_TILE_VERT: return "Window arrange vertical\nVertical";
  case ID_APP_ABOUT: return "Display program information.";
  case ID_SYNC_VIEWS: return "表示倍率・表示位置を一致させます\n表示同期";
  case ID_ZOOM_SELECTION: return "選択された範囲に合わせて拡大します\n選択範囲拡大";
  case ID_FILE_SAVE_AS: return "画像を別ファイル名または別フォーマットで保存します\n名前をつけて保存";
  case ID_EDIT_COPY: return "現在の画像をクリップボードに転送します\nコピー";
  case ID_RESIZE: return "画像を拡大／縮小します\nサイズ変更";
  case ID_GAMMA: return "ガンマ補正を行います\nガンマ/輝度補正";
  case ID_COMMENT_EDIT: return "画像ファイルに添付するコメントを編集します\nコメント編集";
  case ID_SETTINGS: return "詳細な動作オプションを設定します\nプログラム詳細設定";
  // Commands the documents give no prompt, in the same manner.
  case ID_EDIT_PASTE: return "クリップボードの画像を貼り付けます\n貼り付け";
  case ID_FILE_RELOAD: return "画像ファイルを読み込み直します\n再読み込み";
  case ID_MARKER_OPEN: return "ファイルを開いてマーカーを編集します\nマーカー編集モードで開く";
  case ID_MARKER_EDIT: return "画像ファイルのマーカーを編集します\nマーカー編集";
  case ID_SEPARATE_YCC: return "画像を Y, Cb, Cr の3枚に分離します\nYCbCr 分離";
  case ID_CONVERT_PREVIEW: return "JPEG で圧縮した結果をプレビューします\nJPEG プレビュー";
  case ID_COMMENT_TOGGLE: return "コメントを添付するかどうかを切り替えます\nコメント添付";
  case ID_CUSTOM_DQT_TOGGLE: return "カスタム量子化テーブルを使うかどうかを切り替えます\nカスタム DQT";
  case ID_CUSTOM_DQT_EDIT: return "カスタム量子化テーブルを編集します\nDQT 編集";
  case ID_PNG_GAMMA: return "PNG 画像のガンマ値を表示します\nPNG ガンマ値";
  case ID_PNG_TRANSPARENT: return "PNG 画像の透過色を表示します\n透過色";
  case ID_EXIF_WINDOW: return "Exif 情報ウィンドウを開閉します\nExif 情報";
  case ID_BULK_FILTER: return "JPEG ファイルをまとめてフィルタ処理します\nJPEG 一括フィルタ";
  case ID_HELP_INDEX: return "ヘルプを表示します\nヘルプ";
  case ID_VIEW_TOOLBAR: return "コントロールバーの表示/非表示を切り替えます\nコントロールバー";
  default: return nullptr;
  }
}

std::string CommandPromptLine(int id) {
  const char* p = CommandPrompt(id);
  if (!p) return std::string();
  std::string line = p;
  const size_t nl = line.find('\n');
  if (nl != std::string::npos) line.resize(nl);
  return line;
}

std::string CommandShortName(int id) {
  const char* p = CommandPrompt(id);
  const char* nl = p ? std::strchr(p, '\n') : nullptr;
  return nl ? std::string(nl + 1) : std::string();
}

namespace txt {
const char kMarkerOpenFilter[] =
    "JPEG file(*.jpg;*.jpeg;*.jif;*.jfif)|*.jpg;*.jpeg;*.jfif|PNG file(*.png)|*.png|All files(*.*)|*.*||";
const char kMarkerOpenTitle[] = "JPEG ファイルを開く(マーカー編集モード)";
const char kPreviewTempPrefix[] = "quorvex";
const char kTempFileError[] = "中間ファイルが生成できません";
const char kConvertFailed[] = "Convert failed.";
const char kCopyFailed[] = "Copy failed.";
const char kGammaFormat[] = "Gamma=%f";
const char kNoGammaValue[] = "No Gamma Value";
} // namespace txt

} // namespace qv
