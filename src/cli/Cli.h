#pragma once
// quorvex-cli: one function per command, each in its own file.
#include <memory>
#include <string>
#include <vector>

#include "app/ConverterApp.h"
#include "platform/MessageSink.h"

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

} // namespace qv::cli
