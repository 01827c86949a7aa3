#pragma once
// The custom quantization table dialog without its window: the two tables
// being edited, the table whose quality edit waits for Enter, the import
// list of open JPEG documents and the DQT file's load and save.
#include <cstdint>
#include <string>
#include <vector>

#include "app/ConverterApp.h"

namespace qv {

class IMessageSink;

// The dialog's texts (resource 158 and the strings it uses).
inline constexpr const char kDqtCaption[] = "カスタム DQT 設定";
inline constexpr const char kDqtGroup0[] = "DQT(&0)";
inline constexpr const char kDqtGroup1[] = "DQT(&1)";
inline constexpr const char kDqtNoQuality[] = "N/A";
inline constexpr const char kDqtQualityPrefix[] = "Qf=";
inline constexpr const char kDqtMake[] = "作成";
inline constexpr const char kDqtImportLabel[] = "開いている JPEG ファイルからの取り込み(&J)";
inline constexpr const char kDqtImport[] = "取込(&G)";
inline constexpr const char kDqtLoad[] = "読み込み(&L)...";
inline constexpr const char kDqtSave[] = "保存(&S)...";
inline constexpr const char kDqtHelp[] = "&Help...";
inline constexpr const char kDqtFileFilter[] = "DQT file(*.dqt,*.csv,*.txt)|*.dqt;*.csv;*.txt|All files(*.*)|*.*||";  // 225
inline constexpr const char kDqtOpenTitle[] = "DQT ファイルを開く";  // 226
inline constexpr const char kDqtSaveTitle[] = "DQT ファイルの保存";  // 227
inline constexpr int kDqtHelpTopic = 1510;

// An open document the tables can be taken from.
struct DqtSource {
  std::string title;
  int fileType = 0;  // only JPEG documents (135) are offered
  QuantTable tables[2]{};
};

// The import list as the sorted drop-down shows it: the JPEG documents,
// titles ordered without regard to letter case, equal titles in the order
// given.
std::vector<DqtSource> ImportList(const std::vector<DqtSource>& documents);

// The quality in a number edit: an unsigned number, 0 for none. libjpeg
// takes 1 to 100, so larger numbers make the quality-100 table.
int ReadQualityText(const std::string& text);

// "Qf=" and the quality estimate of the table's sum.
std::string QualityLabel(const QuantTable& table);

class CDqtForm {
public:
  // Fields in the dialog's order.
  int m_nPendingTable = -1;
  QuantTable m_anTable[2]{};

  // Edit 1501 + k changed.
  void EditChanged(int k) { m_nPendingTable = k; }
  // "作成" of table k with the text of its quality edit.
  void MakeTable(int k, const std::string& qualityText);
  // Enter: makes the pending table, if any, and forgets it. Returns the
  // table made, or -1.
  int Enter(const std::string qualityTexts[2]);
  void Import(const DqtSource& source);

  // What a load changed: bit 0 table 0, bit 1 table 1.
  enum { kTable0 = 1, kTable1 = 2 };
  // A file that cannot be read is reported as "LoadDQT"; fewer than 64
  // values change nothing, 64 to 127 table 0 only.
  int Load(const std::string& path, IMessageSink& sink);
  // Writes table 0 then table 1; a failure is reported as "SaveDQT".
  bool Save(const std::string& path, IMessageSink& sink) const;
};

} // namespace qv
