#pragma once
// The marker view's logic without a window: the file's segment list and its
// edits (replace, insert an empty comment, delete), the hex text of a record
// and the characters of an item in it, the parse of edited hex text, the
// quantization-table pictures, and the write-back through a temporary file.
#include <cstdint>
#include <string>
#include <vector>

#include "jpegmeta/JpegSegment.h"
#include "platform/MessageSink.h"

namespace qv {

class IMessageSink;

// The dialog's texts (UTF-8).
inline constexpr char kMarkerViewCaption[] = "JPEG marker view";
inline constexpr char kMarkerListLabel[] = "Marker List";
inline constexpr char kMarkerValueLabel[] = "Marker/Segment Value";
inline constexpr char kMarkerInsButton[] = "Ins";
inline constexpr char kMarkerDelButton[] = "Del";
inline constexpr char kMarkerOkButton[] = "Ok";
inline constexpr char kMarkerCancelButton[] = "Cancel";
inline constexpr char kMarkerSaveButton[] = "Save && Reload...";
inline constexpr char kMarkerCloseButton[] = "Close";
inline constexpr char kMarkerHelpButton[] = "&Help...";
inline constexpr char kMarkerDqt0Caption[] = "DQT(0)";
inline constexpr char kMarkerDqt1Caption[] = "DQT(1)";
inline constexpr char kMarkerNoTable[] = "N/A";
inline constexpr char kMarkerScanDataText[] = "(scan data...)";
inline constexpr char kMarkerHexFace[] = "ＭＳ ゴシック";  // string 211
inline constexpr char kMarkerCantMakeTemp[] = "中間ファイルが生成できません";  // string 355
inline constexpr char kMarkerLengthQuestion[] =  // string 356
    "マーカーヘッダ長と実際の長さが一致しません\n強制的に一致させますか？";
inline constexpr char kMarkerSaveQuestion[] =  // string 357
    "変更されたマーカを JPEG ファイルに反映します\nこの操作は致命的結果をもたらす可能性があります\n本当に実行しますか？";
inline constexpr char kMarkerTempLeft[] =  // string 358
    "中間ファイルのコピーに失敗しました\n下記のファイルが中間ディレクトリに残されています";
// Not of the original: the source changed under the open dialog, so its
// records no longer describe the bytes that saving would copy.
inline constexpr char kMarkerSourceChanged[] = "The file was changed since it was opened.";
inline constexpr int kMarkerHelpTopic = 1900;
inline constexpr int kMarkerHexTextLimit = 65535;
// Records above this size are shown with the edit hidden (one repaint).
inline constexpr int64_t kMarkerLargeRecord = 1024;
// Edited text is read a line at a time into a buffer of this many characters.
inline constexpr size_t kMarkerHexLineLimit = 256;
// Message-box style bit: the second button is the default.
inline constexpr unsigned kMarkerDefaultSecond = MB_DEFBUTTON2;

// "%02x " per byte, lineEnd after every 16 bytes and after the last;
// "(scan data...)" for a record whose bytes are not in memory.
std::string HexDumpText(const CJpegSegment& rec, const char* lineEnd = "\r\n");

// Characters of the dump that show `count` bytes from `offset`: [start, end).
// A count of 0 (a data run) selects the whole text: all is set.
struct HexSelection {
  int start = 0;
  int end = 0;
  bool all = false;
};
HexSelection HexSelectionOf(int offset, int count, int lineEndLength = 2);

// Edited text to bytes: each line (its first 256 characters) holds runs of
// hexadecimal digits, each run one byte (its value modulo 256); anything
// else separates runs. Lines end at "\n" (a "\r" before it is a separator).
std::vector<uint8_t> ParseHexText(const std::string& utf8);

// Whether typed bytes disagree with their own length field (more than 3
// bytes whose length field is not the count - 2).
bool LengthFieldDiffers(const std::vector<uint8_t>& bytes);

// A DQT table with ID 0 or 1 as its picture: row-major, 8-bit values.
struct DqtPicture {
  int id = 0;
  uint16_t values[64]{};
};
std::vector<DqtPicture> DqtPicturesOf(const CJpegSegment& rec);
// "Qf=" and the estimate of a picture's sum.
std::string QfLabelOf(uint32_t pictureSum);

class CMarkerEditForm {
public:
  CMarkerEditForm() = default;
  CMarkerEditForm(const CMarkerEditForm&) = delete;
  CMarkerEditForm& operator=(const CMarkerEditForm&) = delete;

  // Reads the file's records: a ".png" name with the PNG signature as
  // chunks, anything else as JPEG. A file that cannot be opened is
  // reported as "JpegMarker" and leaves the list empty (false).
  bool Open(const std::string& path, IMessageSink& sink);

  const SegmentList& List() const { return m_list; }
  const std::string& Path() const { return m_path; }
  bool IsPng() const { return m_bPng; }
  bool IsModified() const { return m_bModified; }
  // Whether a record's bytes can be edited as hex text: not in PNG mode,
  // not a run left in the file (its text is no dump of its bytes).
  bool IsEditable(const CJpegSegment* rec) const;

  // "Ok": the record replaced by typed bytes, after question 356 when the
  // length field disagrees (Yes corrects it, No keeps the bytes, Cancel
  // changes nothing). The new record, or null when nothing changed.
  const CJpegSegment* Replace(const CJpegSegment* old, std::vector<uint8_t> bytes, IMessageSink& sink);
  // "Ins": an empty COM segment right after the record.
  const CJpegSegment* InsertComment(const CJpegSegment* after);
  // "Del".
  bool Delete(const CJpegSegment* rec);

  // "Save && Reload...": question 357, the list written to a temporary file
  // in tempDir, then the file replaced by it. 1 when the file was replaced;
  // otherwise the file is as it was.
  int Save(const std::string& tempDir, IMessageSink& sink);

private:
  SegmentList::iterator Find(const CJpegSegment* rec);
  bool WriteTemp(const std::string& temp);
  bool SourceUnchanged() const;

  std::string m_path;
  SegmentList m_list;
  bool m_bPng = false;
  bool m_bModified = false;
  // Where a parse that met no EOI stopped: the bytes from there on are no
  // record, and saving keeps them. -1 when the parse reached EOI.
  int64_t m_nTailStart = -1;
  int64_t m_nFileLength = 0;
  int64_t m_nFileTime = 0;  // modification time in nanoseconds
};

} // namespace qv
