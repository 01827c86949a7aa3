#pragma once
// The comment edit dialog without its window: the working copies of the
// document's comment records, which one is being edited, which controls
// are usable, and the reading of a comment text file. Every text here is
// internal text (CP932 bytes); the dialog converts only to show and edit.
#include <string>
#include <vector>

#include "image/ImageDoc.h"

namespace qv {

struct CSettings;

// The dialog's texts (resource 153; strings 219 and 223).
inline constexpr const char kCommentCaption[] = "コメント編集";
inline constexpr const char kCommentKeywordLabel[] = "&Keyword";
inline constexpr const char kCommentFileButton[] = "&File...";
inline constexpr const char kCommentCharsetLabel[] = "文字コード(&E)";
inline constexpr const char kCommentHelpButton[] = "&Help";
inline constexpr const char kCommentFileFilter[] = "Text file(*.txt;*.doc)|*.txt;*.doc|All files(*.*)|*.*||";
inline constexpr const char kCommentFileTitle[] = "コメントファイルを開く";
// "%s": the canonical name of the character set.
inline constexpr const char kCommentCannotHold[] =
    "このテキストには %s で表せない文字があります。コメントは変更されていません。\n"
    "The text holds characters that %s cannot hold; the comment was left as it was.";
constexpr int kCommentHelpTopic = 1310;

// A line of the edit, and a piece of a comment file, holds at most this
// many bytes.
constexpr size_t kCommentPieceBytes = 255;

// The character sets the dialog offers, in its order: 0, 1, 2, 3, 4, 6.
const std::vector<int>& CommentCharsetChoices();

// Whether a text written in `code` reads back as the same internal text
// (US-ASCII: only bytes below 0x80).
bool CharsetHolds(const std::string& internal, int code);

// UTF-8 text as internal text; false when a character has no Shift_JIS
// form (the converter would put '?' in its place).
bool Utf8ToInternalExact(const std::string& utf8, std::string& internal);

// The edit's lines joined with CR LF between them, and split again.
std::string JoinEditLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitEditLines(const std::string& text);

// Record names as the dialog compares them: the whole name, ASCII letters
// in either case, double-byte characters exactly.
bool SameCommentName(const std::string& a, const std::string& b);
// Index of the first record of that name, or -1.
int FindCommentName(const std::vector<CCommentRecord>& list, const std::string& name);

// A comment text file for the edit: decoded by the read character-set
// settings, each line cut into pieces of at most 255 bytes (never inside a
// double-byte character), each piece followed by CR LF. False, with an
// empty text, when the file cannot be opened or is no regular file. Only
// the first kCommentFileMaxBytes are read: a comment holds less anyway.
constexpr size_t kCommentFileMaxBytes = 1 << 20;
bool ReadCommentFile(const std::string& path, const CSettings& settings, std::string& text);

// What an action asks of the dialog.
enum CommentAction : int {
  COMMENT_DONE = 0,
  COMMENT_BEEP = 1,        // refused: nothing changed
  COMMENT_CANNOT_HOLD = 2, // refused: the text does not fit the character set
};

class CCommentForm {
public:
  // Copies of the records; the given current one (an index, -1 for none)
  // is selected, else the first.
  void SetComments(const std::vector<CCommentRecord>& list, int current);
  // The opening state of the controls.
  void Init();

  // The edit's text goes into the record being edited, if any.
  void StoreText(const std::string& editText);
  void SelectionChanged(int k, const std::string& editText);
  void NameEdited(const std::string& name, const std::string& editText);
  CommentAction Insert(const std::string& name, const std::string& editText, int charset);
  CommentAction Delete();
  // The character set of the record being edited.
  CommentAction SetCharset(int code, const std::string& editText);
  // OK: the edited records replace `target`.
  void TakeResult(std::vector<CCommentRecord>& target, const std::string& editText);

  CCommentRecord* Current();
  // The text the edit must show now, once; false when it keeps its own.
  bool TakePendingText(std::string& text);

  // Fields in the dialog's order.
  int m_nSelected = -1;
  int m_nCurrent = -1;  // the record being edited, -1 for none
  std::vector<CCommentRecord> m_list;

  // The controls' state.
  bool m_bEditEnabled = true;
  bool m_bInsEnabled = false;
  bool m_bDelEnabled = false;

private:
  void SelectRecord(int k);
  void ShowText(const std::string& text);

  bool m_bPendingText = false;
  std::string m_pendingText;
};

} // namespace qv
