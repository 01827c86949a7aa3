#pragma once
// Small operations shared across the program.
#include <cstdint>
#include <string>

namespace qv {

class IMessageSink;

// Creates an empty file dir/prefixNNNN[suffix] exclusively and returns its
// name in `out`. Fails for names of 260 characters or more and after 100
// taken names.
bool MakeTempFileName(const std::string& dir, const std::string& prefix, const char* suffix,
                      std::string& out);

// The file-error box: "%s:%s\n%s" with operation, message and path.
void ShowFileError(IMessageSink& sink, const std::string& operation, const std::string& path,
                   const std::string& message);
std::string FileErrorText(const std::string& operation, const std::string& path, const std::string& message);

struct ByteCountText {
  std::string grouped;  // "1,048,576"
  std::string shortText;  // "1.0M"
};
ByteCountText FormatByteCount(uint32_t n);

// Quality estimate "%d.%d" of a quantization table's sum of 64 entries.
std::string EstimateQuality(uint32_t tableSum);

} // namespace qv
