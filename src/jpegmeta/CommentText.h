#pragma once
// How comments pass between files and the internal character set, by the
// settings' rules.
#include <string>

namespace qv {

struct CSettings;
class CConverterApp;

// The character set of a comment being read: the known code, else detected
// (AutoReadCharset) or the ReadCharset setting.
int ResolveReadCharset(const CSettings& settings, int knownCode, const std::string& bytes);
// Codes 0 and 3 keep the bytes; the others are converted.
std::string CommentToInternal(const std::string& bytes, int code);
std::string CommentFromInternal(const std::string& text, int code);
// The application's default comment from a text file: its lines joined
// with CR LF, in the internal character set; empty when unreadable.
bool LoadDefaultComment(CConverterApp& app, const std::string& path);

} // namespace qv
