#pragma once
// The application object without its windows: settings and their store, the
// custom quantization tables, zoom steps, default comment, the pending load
// error and the identifiers of open documents. The desktop program and the
// command-line tool each own one and pass it to the operations that need it.
#include <array>
#include <cstdint>
#include <set>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/Profile.h"
#include "app/Settings.h"

namespace qv {

class IMessageSink;

using QuantTable = std::array<uint16_t, 64>;

constexpr int kZoomStepCount = 12;
constexpr int kMaxPath = 260;

// Load-error codes set by the JPEG reader.
enum LoadError : int {
  LOADERR_NONE = 0,
  LOADERR_COLOR = 1,
  LOADERR_TOO_LARGE = 2,
  LOADERR_BROKEN = 3,
  LOADERR_OPEN = 4,
  LOADERR_MEMORY = 5,
  LOADERR_LIBRARY = 6,
};

class CConverterApp {
public:
  // configDir: the settings folder (see ConfigDirectory); sink: where
  // messages go; it must outlive the application object.
  CConverterApp(const std::string& configDir, IMessageSink& sink);
  ~CConverterApp();
  CConverterApp(const CConverterApp&) = delete;
  CConverterApp& operator=(const CConverterApp&) = delete;

  CSettings m_settings;

  // Custom quantization tables: luminance, chrominance.
  QuantTable m_customDqt[2]{};
  bool m_bDqtModified = false;

  // Zoom steps in percent, ended by a 0 entry, and their "%d%%" labels.
  int m_zoomRates[kZoomStepCount + 1]{};
  std::string m_zoomLabels[kZoomStepCount];

  // The default comment in the internal character set, and its code
  // (filled by LoadDefaultComment in jpegmeta/CommentText.h).
  std::string m_defaultComment;
  int m_defaultCommentCharset = 3;

  // A load error waiting to be shown (the desktop program's opens put a
  // document's load error here), and the path it concerns.
  int lastLoadError = LOADERR_NONE;
  std::string loadErrorName;

  // Bits per pixel of the display images are prepared for: the screen's in
  // the desktop program, 24 elsewhere.
  int m_displayDepth = 24;

  IMessageSink& Messages() const { return *m_sink; }
  void SetMessageSink(IMessageSink& sink) { m_sink = &sink; }
  CProfile& Profile() { return m_profile; }
  const std::string& ConfigDir() const { return m_configDir; }
  std::string DqtPath() const;

  void LoadSettings();
  // Returns false when the settings folder or file cannot be written.
  bool SaveSettings();
  void ResetEncoderChoices();

  // Document identifiers: a new one differs from every registered one.
  // Safe to call from the jobs of a parallel conversion.
  int NewDocumentId();
  void RegisterDocumentId(int id);
  void UnregisterDocumentId(int id);

private:
  void LoadCustomTables();
  void LoadZoomSteps();

  std::string m_configDir;
  CProfile m_profile;
  IMessageSink* m_sink;
  std::multiset<int> m_documentIds;
  std::mutex m_idMutex;
};

extern const char kSectionDefault[];  // "default"

} // namespace qv
