#include "view/CommentForm.h"

#include <algorithm>
#include <cstdio>

#include "app/AppHelpers.h"
#include "app/Settings.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/CommentText.h"

namespace qv {
namespace {

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The bytes of one line in pieces of at most kCommentPieceBytes, each
// followed by CR LF; a double-byte character is never cut in two.
void AppendPieces(const std::string& line, std::string& out) {
  size_t at = 0;
  do {
    size_t end = at;
    while (end < line.size()) {
      const size_t width = IsLeadByte(static_cast<unsigned char>(line[end])) && end + 1 < line.size() ? 2 : 1;
      if (end + width - at > kCommentPieceBytes) break;
      end += width;
    }
    out.append(line, at, end - at);
    out += "\r\n";
    at = end;
  } while (at < line.size());
}

} // namespace

const std::vector<int>& CommentCharsetChoices() {
  static const std::vector<int> codes = {CS_ASCII, CS_JIS, CS_EUCJP, CS_SJIS, CS_UTF8, CS_UCS2};
  return codes;
}

bool CharsetHolds(const std::string& internal, int code) {
  switch (code) {
  case CS_ASCII:
    return std::all_of(internal.begin(), internal.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  case CS_JIS:
  case CS_EUCJP:
  case CS_UTF8:
    return CommentToInternal(CommentFromInternal(internal, code), code) == internal;
  default:
    // Shift_JIS is the internal form, and the UCS-2 conversion hands back
    // internal text: both write the bytes as they are.
    return true;
  }
}

bool Utf8ToInternalExact(const std::string& utf8, std::string& internal) {
  internal = Utf8ToInternal(utf8);
  // A character without a Shift_JIS form comes out as '?'; no trail byte
  // of a double-byte character is 0x3F, so counting them tells.
  return std::count(internal.begin(), internal.end(), '?') == std::count(utf8.begin(), utf8.end(), '?');
}

std::string JoinEditLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

std::vector<std::string> SplitEditLines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      lines.emplace_back();
      continue;
    }
    lines.back() += text[i];
  }
  return lines;
}

bool SameCommentName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
      // Trail bytes lie in the letters' range; they are never folded.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

int FindCommentName(const std::vector<CCommentRecord>& list, const std::string& name) {
  for (size_t i = 0; i < list.size(); ++i)
    if (SameCommentName(list[i].name, name)) return static_cast<int>(i);
  return -1;
}

bool ReadCommentFile(const std::string& path, const CSettings& settings, std::string& text) {
  text.clear();
  // A pipe or a device there would never end.
  if (path.empty() || !IsRegularFile(path, nullptr)) return false;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::string bytes;
  char buf[8192];
  size_t n;
  while (bytes.size() < kCommentFileMaxBytes && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
    bytes.append(buf, std::min(n, kCommentFileMaxBytes - bytes.size()));
  std::fclose(f);
  const int code = ResolveReadCharset(settings, -1, bytes);
  const std::string internal = CommentToInternal(bytes, code);
  size_t at = 0;
  while (at < internal.size()) {
    size_t nl = internal.find('\n', at);
    const bool last = nl == std::string::npos;
    if (last) nl = internal.size();
    size_t end = nl;
    if (end > at && internal[end - 1] == '\r') --end;
    AppendPieces(internal.substr(at, end - at), text);
    at = last ? nl : nl + 1;
  }
  return true;
}

// ---- the form ----

void CCommentForm::SetComments(const std::vector<CCommentRecord>& list, int current) {
  m_list = list;
  if (current >= 0 && current < static_cast<int>(m_list.size())) {
    m_nCurrent = current;
    m_nSelected = current;
  } else {
    m_nSelected = 0;
    m_nCurrent = m_list.empty() ? -1 : 0;
  }
}

void CCommentForm::Init() {
  m_bEditEnabled = true;
  if (!m_list.empty() && Current()) ShowText(Current()->text);
  m_bInsEnabled = false;
  m_bDelEnabled = !m_list.empty();
}

CCommentRecord* CCommentForm::Current() {
  if (m_nCurrent < 0 || m_nCurrent >= static_cast<int>(m_list.size())) return nullptr;
  return &m_list[static_cast<size_t>(m_nCurrent)];
}

bool CCommentForm::TakePendingText(std::string& text) {
  if (!m_bPendingText) return false;
  text = m_pendingText;
  m_bPendingText = false;
  return true;
}

void CCommentForm::ShowText(const std::string& text) {
  m_pendingText = text;
  m_bPendingText = true;
}

void CCommentForm::StoreText(const std::string& editText) {
  if (CCommentRecord* rec = Current()) rec->text = editText;
}

void CCommentForm::SelectRecord(int k) {
  if (k >= 0) {
    m_bEditEnabled = true;
    m_nCurrent = k < static_cast<int>(m_list.size()) ? k : -1;
  }
  if (CCommentRecord* rec = Current()) {
    ShowText(rec->text);
    m_bDelEnabled = true;
    m_bInsEnabled = false;
    m_nSelected = k;
  } else {
    m_nCurrent = -1;
    m_bEditEnabled = false;
    m_bDelEnabled = false;
    m_nSelected = -1;
  }
}

void CCommentForm::SelectionChanged(int k, const std::string& editText) {
  StoreText(editText);
  m_bInsEnabled = false;
  SelectRecord(k);
}

void CCommentForm::NameEdited(const std::string& name, const std::string& editText) {
  StoreText(editText);
  const int match = name.empty() ? -1 : FindCommentName(m_list, name);
  if (match >= 0) {
    SelectRecord(match);
    return;
  }
  m_nCurrent = -1;
  m_bInsEnabled = !name.empty();
  m_bDelEnabled = false;
  ShowText(std::string());
  m_bEditEnabled = false;
}

CommentAction CCommentForm::Insert(const std::string& name, const std::string& editText, int charset) {
  if (name.empty()) return COMMENT_BEEP;
  if (!CharsetHolds(editText, charset)) return COMMENT_CANNOT_HOLD;
  CCommentRecord rec;
  rec.name = name;
  rec.charset = charset;
  rec.text = editText;
  m_list.push_back(std::move(rec));
  SelectRecord(static_cast<int>(m_list.size()) - 1);
  return COMMENT_DONE;
}

CommentAction CCommentForm::Delete() {
  const int k = m_nSelected;
  if (k < 0 || k >= static_cast<int>(m_list.size()) || m_nCurrent < 0) return COMMENT_BEEP;
  m_list.erase(m_list.begin() + k);
  m_nCurrent = -1;
  SelectRecord(k);
  return COMMENT_DONE;
}

CommentAction CCommentForm::SetCharset(int code, const std::string& editText) {
  CCommentRecord* rec = Current();
  if (!rec) return COMMENT_BEEP;
  if (!CharsetHolds(editText, code)) return COMMENT_CANNOT_HOLD;
  rec->text = editText;
  rec->charset = code;
  return COMMENT_DONE;
}

void CCommentForm::TakeResult(std::vector<CCommentRecord>& target, const std::string& editText) {
  StoreText(editText);
  target = std::move(m_list);
  m_list.clear();
  m_nCurrent = -1;
}

} // namespace qv
