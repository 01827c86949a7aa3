#include "jpegmeta/BulkFilterForm.h"

namespace qv {
namespace {

int Check(int value) { return value != 0 ? 1 : 0; }

} // namespace

BulkFilterEnables BulkFilterEnablesFor(const BulkFilterDialogValues& v) {
  BulkFilterEnables e;
  e.extEdit = v.extFilter != 0;
  e.appnDetails = v.removeAppX != 0;
  e.exifDetails = v.convertExif != 0;
  e.logPath = v.createLog != 0;
  return e;
}

std::string LogPathForDestination(const std::string& dstDir, const std::string& logPath) {
  const size_t slash = logPath.rfind('/');
  const std::string name = slash == std::string::npos ? logPath : logPath.substr(slash + 1);
  std::string dir = dstDir;
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir + name;
}

std::string LogDialogFolder(const std::string& logPath) {
  const size_t slash = logPath.rfind('/');
  if (slash == std::string::npos) return std::string();
  return slash == 0 ? std::string("/") : logPath.substr(0, slash);
}

void CBulkFilterForm::Load(const CProfile& profile) { m_settings.Load(profile); }

BulkFilterDialogValues CBulkFilterForm::Values() const {
  const CBulkFilterSettings& s = m_settings;
  BulkFilterDialogValues v;
  v.srcDir = s.SrcDirectory;
  v.dstDir = s.DstDirectory;
  v.logPath = s.LogFilePath;
  v.extList = s.StrExtFilter;
  v.createLog = Check(s.CreateLog);
  v.removeThumb = Check(s.RemoveThumb);
  v.removeJfxx = Check(s.RemoveJFXX);
  v.removeAppX = Check(s.RemoveAppX);
  v.uniteDqt = Check(s.UniteDQT);
  v.uniteDht = Check(s.UniteDHT);
  v.removeCom = Check(s.RemoveCOM);
  v.convertExif = Check(s.ConvertExif);
  v.recurse = Check(s.RecurseDir);
  v.extFilter = Check(s.ExtFilter);
  return v;
}

void CBulkFilterForm::Store(const BulkFilterDialogValues& v) {
  CBulkFilterSettings& s = m_settings;
  s.SrcDirectory = v.srcDir;
  s.DstDirectory = v.dstDir;
  s.LogFilePath = v.logPath;
  s.StrExtFilter = v.extList;
  s.CreateLog = Check(v.createLog);
  s.RemoveThumb = Check(v.removeThumb);
  s.RemoveJFXX = Check(v.removeJfxx);
  s.RemoveAppX = Check(v.removeAppX);
  s.UniteDQT = Check(v.uniteDqt);
  s.UniteDHT = Check(v.uniteDht);
  s.RemoveCOM = Check(v.removeCom);
  s.ConvertExif = Check(v.convertExif);
  s.RecurseDir = Check(v.recurse);
  s.ExtFilter = Check(v.extFilter);
}

bool CBulkFilterForm::StoreAndSave(const BulkFilterDialogValues& values, CProfile& profile) {
  Store(values);
  return m_settings.Save(profile);
}

} // namespace qv
