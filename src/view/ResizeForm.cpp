#include "view/ResizeForm.h"

#include <climits>

#include "app/AppHelpers.h"
#include "image/ImageDoc.h"
#include "image/ImageTexts.h"
#include "image/Resample.h"
#include "view/ResizeMath.h"

namespace qv {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

} // namespace

uint32_t ReadUnsignedText(const std::string& text) {
  size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  while (n > i && IsBlank(text[n - 1])) --n;
  if (i == n) return 0;
  uint64_t value = 0;
  for (; i < n; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return 0;
  }
  return static_cast<uint32_t>(value);
}

std::string UnsignedText(uint32_t value) { return std::to_string(value); }

ResizeEditWrite CResizeForm::WidthChanged(const std::string& widthText, bool keepAspect) {
  m_nLastEdited = 1;
  if (!keepAspect) return {};
  return {2, UnsignedText(ProportionalHeight(ReadUnsignedText(widthText), m_nWidth, m_nHeight))};
}

ResizeEditWrite CResizeForm::HeightChanged(const std::string& heightText, bool keepAspect) {
  m_nLastEdited = 2;
  if (!keepAspect) return {};
  return {1, UnsignedText(ProportionalWidth(ReadUnsignedText(heightText), m_nWidth, m_nHeight))};
}

ResizeEditWrite CResizeForm::AspectClicked(bool nowChecked, const std::string& widthText,
                                           const std::string& heightText) {
  if (!nowChecked) return {};
  ResizeEditWrite write;
  if (m_nLastEdited == 1) write = WidthChanged(widthText, true);
  else if (m_nLastEdited == 2) write = HeightChanged(heightText, true);
  m_nLastEdited = 0;
  return write;
}

ResizeAction ResizeActionFor(uint32_t width, uint32_t height, int currentWidth, int currentHeight) {
  if (static_cast<int64_t>(width) == currentWidth && static_cast<int64_t>(height) == currentHeight)
    return ResizeAction::Keep;
  if (width == 0 || height == 0 || width > INT_MAX || height > INT_MAX) return ResizeAction::Refuse;
  return ResizeAction::Resize;
}

bool ResizeDocumentTo(CImageDoc& doc, uint32_t width, uint32_t height) {
  int w = 0, h = 0;
  doc.GetSize(w, h);
  switch (ResizeActionFor(width, height, w, h)) {
  case ResizeAction::Keep: return false;
  case ResizeAction::Refuse:
    ShowFileError(doc.App().Messages(), kResizeOperation, doc.m_strPathName, kCantMakeBitmap);
    return false;
  case ResizeAction::Resize: break;
  }
  return doc.ResizeImage(static_cast<int>(width), static_cast<int>(height)) == 1;
}

} // namespace qv
