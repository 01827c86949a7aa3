#pragma once
// Names and extensions: a file's format is told by its extension.
#include <string>
#include <vector>

namespace qv {

constexpr size_t kNoPosition = std::string::npos;

// Position of the last '.' in the whole text (a '.' in a folder name counts
// when the file name has none), or kNoPosition.
size_t FindExtension(const std::string& text);
// Replaces everything from the last '.' by `extension`; false without a '.'.
bool ReplaceExtension(std::string& text, const std::string& extension);
// Format code of an extension including its '.', ignoring case; 0 when unknown.
int FormatFromExtension(const std::string& extension);
// Position of the item of a ';'- or space-separated list that equals the
// extension (one leading '.' ignored on both sides, case ignored).
size_t MatchExtensionList(const std::string& list, const std::string& extension);
// Inserts keeping ascending order, ASCII letters compared without case.
void InsertSorted(std::vector<std::string>& list, const std::string& name);
// The comparison InsertSorted uses: <0, 0, >0.
int CompareNoCase(const std::string& a, const std::string& b);

} // namespace qv
