#include "view/DqtForm.h"

#include <algorithm>
#include <cstring>

#include "app/AppHelpers.h"
#include "app/DqtFile.h"
#include "app/Extension.h"
#include "image/ImageDoc.h"
#include "view/ResizeForm.h"

namespace qv {

std::vector<DqtSource> ImportList(const std::vector<DqtSource>& documents) {
  std::vector<DqtSource> list;
  for (const DqtSource& d : documents)
    if (d.fileType == FT_JPEG) list.push_back(d);
  std::stable_sort(list.begin(), list.end(),
                   [](const DqtSource& a, const DqtSource& b) { return CompareNoCase(a.title, b.title) < 0; });
  return list;
}

int ReadQualityText(const std::string& text) {
  const uint32_t q = ReadUnsignedText(text);
  return q > 100 ? 100 : static_cast<int>(q);
}

std::string QualityLabel(const QuantTable& table) {
  uint32_t sum = 0;
  for (uint16_t v : table) sum += v;
  return std::string(kDqtQualityPrefix) + EstimateQuality(sum);
}

void CDqtForm::MakeTable(int k, const std::string& qualityText) {
  if (k != 0 && k != 1) return;
  MakeStandardTable(k, ReadQualityText(qualityText), m_anTable[k].data());
}

int CDqtForm::Enter(const std::string qualityTexts[2]) {
  const int k = m_nPendingTable;
  if (k != 0 && k != 1) return -1;
  MakeTable(k, qualityTexts[k]);
  m_nPendingTable = -1;
  return k;
}

void CDqtForm::Import(const DqtSource& source) {
  m_anTable[0] = source.tables[0];
  m_anTable[1] = source.tables[1];
}

int CDqtForm::Load(const std::string& path, IMessageSink& sink) {
  uint16_t values[128] = {};
  const int n = ReadDqtFile(path, values);
  if (n < 0) {
    ShowFileError(sink, "LoadDQT", path, kCantOpenFile);
    return 0;
  }
  int changed = 0;
  if (n >= 64) {
    std::memcpy(m_anTable[0].data(), values, sizeof(uint16_t) * 64);
    changed |= kTable0;
  }
  if (n >= 128) {
    std::memcpy(m_anTable[1].data(), values + 64, sizeof(uint16_t) * 64);
    changed |= kTable1;
  }
  return changed;
}

bool CDqtForm::Save(const std::string& path, IMessageSink& sink) const {
  uint16_t values[128];
  std::memcpy(values, m_anTable[0].data(), sizeof(uint16_t) * 64);
  std::memcpy(values + 64, m_anTable[1].data(), sizeof(uint16_t) * 64);
  if (WriteDqtFile(path, values) == 128) return true;
  ShowFileError(sink, "SaveDQT", path, kCantOpenFile);
  return false;
}

} // namespace qv
