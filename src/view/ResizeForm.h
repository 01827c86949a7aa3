#pragma once
// The resize dialog without its window: the two size edits, the aspect box
// and what OK hands to the document.
#include <cstdint>
#include <string>

namespace qv {

class CImageDoc;

// The dialog's texts (resource 139).
inline constexpr const char kResizeCaption[] = "画像サイズの変更";
inline constexpr const char kResizeWidthLabel[] = "幅(&W)";
inline constexpr const char kResizeHeightLabel[] = "高さ(&H)";
inline constexpr const char kResizeAspectBox[] = "縦横比を継承する(&A)";

// An unsigned edit's number: decimal digits with blanks around them. Text
// that holds no number, or one beyond 32 bits, reads as 0.
uint32_t ReadUnsignedText(const std::string& text);
std::string UnsignedText(uint32_t value);

// What a change asks the dialog to write: the other edit's new text, or
// nothing (edit 0).
struct ResizeEditWrite {
  int edit = 0;  // 0 none, 1 width (1200), 2 height (1201)
  std::string text;
};

class CResizeForm {
public:
  CResizeForm(uint32_t width, uint32_t height) : m_nHeight(height), m_nWidth(width) {}

  std::string OpeningWidthText() const { return UnsignedText(m_nWidth); }
  std::string OpeningHeightText() const { return UnsignedText(m_nHeight); }
  // The user changed an edit; with the aspect box checked the other edit
  // follows the proportion of the opened size.
  ResizeEditWrite WidthChanged(const std::string& widthText, bool keepAspect);
  ResizeEditWrite HeightChanged(const std::string& heightText, bool keepAspect);
  // The box was clicked: checking it replays the last edit.
  ResizeEditWrite AspectClicked(bool nowChecked, const std::string& widthText, const std::string& heightText);

  // Fields in the dialog's order. The size stays the opened one while the
  // dialog is open, so the proportion never drifts.
  uint32_t m_nHeight;
  uint32_t m_nWidth;
  int m_nLastEdited = 0;  // 0 none, 1 width, 2 height
};

// What the document does with the size OK returned.
enum class ResizeAction {
  Keep,    // the size did not change
  Refuse,  // a side of 0, or beyond what a pixel buffer can index
  Resize,
};
ResizeAction ResizeActionFor(uint32_t width, uint32_t height, int currentWidth, int currentHeight);

// Resamples the document to the size OK returned. A size that cannot be
// made is reported as "Resize" with "Can't make the bitmap." through the
// document's message sink, like every failed allocation of ResizeImage, and
// leaves the image as it was. Returns whether the image changed.
bool ResizeDocumentTo(CImageDoc& doc, uint32_t width, uint32_t height);

} // namespace qv
