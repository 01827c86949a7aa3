#pragma once
// quorvex-cli: one function per command, each in its own file.
#include <memory>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "cli/Options.h"
#include "platform/MessageSink.h"

namespace qv {
class CImageDoc;
}

namespace qv::cli {

// Exit codes: everything done, some files skipped or failed, wrong usage.
enum : int { kExitOk = 0, kExitPartial = 1, kExitUsage = 2 };

struct Context {
  std::string configDir;  // from --config, else the usual folder
  CStderrMessageSink sink{"quorvex-cli", "Quorvex"};
  std::unique_ptr<CConverterApp> app;  // settings loaded
  // Whether a progress line may be drawn: stderr is a terminal and not --quiet.
  bool stderrIsTerminal = false;
  bool quiet = false;  // --quiet, before or after the command
};

// Each command's table (its options and its help) and its run, which gets
// a command line that its table has accepted.
const CommandTable& InfoCommand();
const CommandTable& SaveCommand();
const CommandTable& FilterCommand();
const CommandTable& MarkersCommand();
const CommandTable& ExifCommand();
const CommandTable& SeparateCommand();
const CommandTable& DqtCommand();
int RunInfo(Context& ctx, const ParsedArgs& args);
int RunSave(Context& ctx, const ParsedArgs& args);
int RunFilter(Context& ctx, const ParsedArgs& args);
int RunMarkers(Context& ctx, const ParsedArgs& args);
int RunExif(Context& ctx, const ParsedArgs& args);
int RunSeparate(Context& ctx, const ParsedArgs& args);
int RunDqt(Context& ctx, const ParsedArgs& args);
int RunConvert(Context& ctx, const ParsedArgs& args);

// Prints "quorvex-cli: <message>", the command's usage line and where its
// help is; returns 2.
int UsageError(const std::string& command, const std::string& message);
// Prints each line of text after "quorvex-cli: ", without trailing blanks.
void Say(const std::string& text);
// Why path could not be read: "is a folder", "not a regular file", else the
// system's text for savedErrno ("" when that is 0).
std::string FailureReason(const std::string& path, int savedErrno);
// The program's file-error text ("Operation:message", then the path) with
// the reason after the path.
void PrintFileError(const std::string& operation, const std::string& path, const std::string& message,
                    const std::string& reason);
// Text the core holds as Shift_JIS, for printing as UTF-8.
std::string ToTerminal(const std::string& internalText);

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
