#include "app/ConverterApp.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/stat.h>

#include "app/AppHelpers.h"
#include "app/ProfileKeys.h"
#include "platform/MessageSink.h"
#include "app/DqtFile.h"

namespace qv {

const char kSectionDefault[] = "default";

namespace {

const int kZoomDefaults[kZoomStepCount] = {10, 25, 33, 50, 100, 200, 300, 400, 600, 800, 1200, 1600};

// The keys of section "default", in the order they are written at exit.
#define QV_INT(k) IntKey<CSettings>(#k, &CSettings::k)
#define QV_STR(k) StringKey<CSettings>(#k, &CSettings::k)
#define QV_DBL(k) DoubleKey<CSettings>(#k, &CSettings::k)
const ProfileKey<CSettings> kSavedKeys[] = {
    QV_STR(ReadDir), QV_STR(WriteDir), QV_INT(ReadFilterIdx), QV_INT(WriteFilterIdx), QV_STR(TempDir),
    QV_INT(AutoUpdateClipboard), QV_INT(MaxMRU), QV_INT(Param1), QV_INT(Param2), QV_INT(Param3),
    QV_INT(RestoreWindowPos), QV_INT(WindowPosLeft), QV_INT(WindowPosTop), QV_INT(WindowPosWidth),
    QV_INT(WindowPosHeight), QV_INT(ResolutionH), QV_INT(ResolutionV), QV_INT(ResolutionUnit),
    QV_INT(IncludeRST), QV_INT(DefaultComment), QV_STR(DefaultCommentPath), QV_INT(AutoReadCharset),
    QV_INT(ReadCharset), QV_INT(AutoWriteCharset), QV_INT(WriteCharset), QV_INT(UseGammaCorrection),
    QV_INT(UseWriteGammaValue), QV_INT(UseTransparentOnLoad), QV_INT(UseTransparentOnSave),
    QV_INT(UseDefaultGammaOnLoad), QV_INT(UseDefaultGammaOnSave), QV_INT(bUseInterlaceOnSave),
    QV_DBL(DefaultGamma), QV_DBL(ScreenGamma), QV_INT(pngSaveMode), QV_INT(colorTransparent),
    QV_INT(bUseHalfToneStretch), QV_INT(UseDitherFor16bitColor), QV_INT(AutoFitting), QV_INT(SaveConfig),
    QV_INT(UsePNGiTXT), QV_STR(DefaultPNGiTXTLang), QV_INT(UseCustomDQT), QV_INT(ShrinkLargeImages), QV_INT(AutoRotate),
    QV_INT(ShowToolBar),
};
#undef QV_INT
#undef QV_STR
#undef QV_DBL

} // namespace

std::string SystemTempDirectory() {
  if (const char* t = std::getenv("TMPDIR"); t && *t) return t;
  return "/tmp";
}

double ParseSettingDouble(const std::string& text) {
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (end == text.c_str()) return 0.0;
  return v;
}

std::string FormatSettingDouble(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", value);
  return buf;
}

CConverterApp::CConverterApp(const std::string& configDir, IMessageSink& sink)
    : m_configDir(configDir), m_profile(configDir + "/quorvex.ini"), m_sink(&sink) {
  m_settings.TempDir = SystemTempDirectory();
  LoadZoomSteps();
  for (int k = 0; k < 2; ++k) MakeStandardTable(k, m_settings.Param1, m_customDqt[k].data());
}

CConverterApp::~CConverterApp() = default;

std::string CConverterApp::DqtPath() const { return m_configDir + "/quorvex.dqt"; }

void CConverterApp::LoadSettings() {
  const CSettings defaults = [] {
    CSettings d;
    d.TempDir = SystemTempDirectory();
    return d;
  }();
  // Read afresh: the file may have changed since the zoom steps were read.
  // A refused file is said once here; its keys then all take their defaults.
  m_profile.Load();
  const std::string problem = m_profile.LoadMessage();
  if (!problem.empty()) m_sink->MessageBox(problem, "Quorvex", MB_OK | MB_ICONEXCLAMATION);
  LoadProfileKeys(m_profile, kSectionDefault, kSavedKeys, defaults, m_settings);
  LoadCustomTables();
  m_settings.AllowExtSampling = m_profile.GetInt(kSectionDefault, "AllowExtSampling", 0);
  LoadZoomSteps();
}

void CConverterApp::LoadCustomTables() {
  uint16_t values[128] = {};
  int n = ReadDqtFile(DqtPath(), values);
  for (int k = 0; k < 2; ++k) {
    if (n >= 64 * (k + 1))
      std::memcpy(m_customDqt[k].data(), values + 64 * k, sizeof(uint16_t) * 64);
    else
      MakeStandardTable(k, m_settings.Param1, m_customDqt[k].data());
  }
  m_bDqtModified = false;
}

void CConverterApp::LoadZoomSteps() {
  for (int i = 0; i < kZoomStepCount; ++i) {
    std::string key = "ZoomRate" + std::to_string(i + 1);
    m_zoomRates[i] = m_profile.GetInt(kSectionDefault, key, kZoomDefaults[i]);
    char label[32];
    std::snprintf(label, sizeof label, "%d%%", m_zoomRates[i]);
    m_zoomLabels[i] = label;
  }
  m_zoomRates[kZoomStepCount] = 0;
}

bool CConverterApp::SaveSettings() {
  if (MakeDirectoryPath(m_configDir) != 1 || !DirectoryExists(m_configDir)) return false;
  if (m_settings.SaveConfig == 0) {
    // Switching the option off is remembered; nothing else is written.
    if (m_profile.GetInt(kSectionDefault, "SaveConfig", 0) == 1)
      return m_profile.WriteInt(kSectionDefault, "SaveConfig", 0);
    return true;
  }
  m_profile.BeginBatch();  // one file write for all the keys
  bool ok = SaveProfileKeys(m_profile, kSectionDefault, kSavedKeys, m_settings);
  if (m_bDqtModified) {
    uint16_t values[128];
    std::memcpy(values, m_customDqt[0].data(), sizeof(uint16_t) * 64);
    std::memcpy(values + 64, m_customDqt[1].data(), sizeof(uint16_t) * 64);
    if (WriteDqtFile(DqtPath(), values) == 128)
      m_bDqtModified = false;
    else
      ok = false;
  }
  ok &= m_profile.WriteInt(kSectionDefault, "AllowExtSampling", m_settings.AllowExtSampling);
  ok &= m_profile.EndBatch();
  return ok;
}

void CConverterApp::ResetEncoderChoices() {
  // Written only when they differ: parallel jobs then share the settings
  // read-only once the first reset is done.
  if (m_settings.Param2 != 2) m_settings.Param2 = 2;
  if (m_settings.Param3 != 0) m_settings.Param3 = 0;
}

int CConverterApp::NewDocumentId() {
  // 0..32767 like the runtime's generator; drawn again until unused.
  std::lock_guard<std::mutex> lock(m_idMutex);
  for (;;) {
    int id = std::rand() & 0x7FFF;
    if (m_documentIds.count(id) == 0) return id;
  }
}

void CConverterApp::RegisterDocumentId(int id) {
  std::lock_guard<std::mutex> lock(m_idMutex);
  m_documentIds.insert(id);
}

void CConverterApp::UnregisterDocumentId(int id) {
  std::lock_guard<std::mutex> lock(m_idMutex);
  auto it = m_documentIds.find(id);
  if (it != m_documentIds.end()) m_documentIds.erase(it);
}

} // namespace qv
