#pragma once
// quorvex-cli: one function per command, each in its own file.
#include <memory>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "platform/MessageSink.h"

namespace qv {
class CImageDoc;
}

namespace qv::cli {

// Exit codes: everything done, some files skipped or failed, wrong usage.
enum : int { kExitOk = 0, kExitPartial = 1, kExitUsage = 2 };

struct Context {
  std::string configDir;  // from --config, else the usual folder
  CStderrMessageSink sink;
  std::unique_ptr<CConverterApp> app;  // settings loaded
  bool stderrIsTerminal = false;
};

// The arguments after the command name.
using Args = std::vector<std::string>;

int RunInfo(Context& ctx, const Args& args);
int RunSave(Context& ctx, const Args& args);
int RunConvert(Context& ctx, const Args& args);
int RunFilter(Context& ctx, const Args& args);
int RunMarkers(Context& ctx, const Args& args);
int RunExif(Context& ctx, const Args& args);
int RunSeparate(Context& ctx, const Args& args);
int RunDqt(Context& ctx, const Args& args);

// Prints "quorvex-cli: <message>" and the usage line of a command; returns 2.
int UsageError(const std::string& command, const std::string& message);
// Parses a decimal integer; false for anything else.
bool ParseInt(const std::string& text, int& value);
// Parses "WxH".
bool ParseSize(const std::string& text, int& width, int& height);
// Text the core holds as Shift_JIS, for printing as UTF-8.
std::string ToTerminal(const std::string& internalText);

// Tells options from file names: the first "--" ends the options, so that
// names beginning with '-' can follow it. A lone "-" is a name.
class OptionScan {
public:
  // True for that "--" itself, which is no argument.
  bool Ends(const std::string& arg) {
    if (m_ended || arg != "--") return false;
    m_ended = true;
    return true;
  }
  bool IsOption(const std::string& arg) const { return !m_ended && arg.size() > 1 && arg[0] == '-'; }

private:
  bool m_ended = false;
};
// "unknown option '<arg>'" with the hint about "--".
std::string UnknownOption(const std::string& arg);

// False, after "quorvex-cli: <path>: not a regular file", for a pipe, device
// or socket, which could block the reader or never end; nothing is opened.
// Missing files and folders pass: the command's own open names them.
bool CheckInputFile(const std::string& path);

// The command's status, unless standard output lost something: then
// "quorvex-cli: write error: <reason>" and at least 1.
int FinishOutput(int status);

// A failed load as the command line tells it: the program's load-error line
// without its padding, then the library's own reason (m_strCodecError) on a
// line of its own when the library gave one. Empty when nothing was recorded.
std::string LoadErrorText(const CImageDoc& doc);
// Prints LoadErrorText, each line after "quorvex-cli: ", or says that path
// has no JPEG extension when nothing was recorded.
void PrintLoadError(const CImageDoc& doc, const std::string& path);

} // namespace qv::cli
