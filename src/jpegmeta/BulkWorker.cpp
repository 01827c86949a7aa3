#include "jpegmeta/BulkWorker.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

#include "app/Extension.h"
#include "platform/Progress.h"

namespace qv {

CBulkWorker::~CBulkWorker() {
  if (m_pLog) std::fclose(m_pLog);
}

int CBulkWorker::CountFiles(const std::string& root) {
  m_bAbort = false;
  m_nFileCount = 0;
  const int n = CountDirectory(root);
  return n < 0 ? n : m_nFileCount;
}

int CBulkWorker::CountDirectory(const std::string& dir) {
  DIR* d = opendir(dir.c_str());
  if (!d) return -1;
  if (m_pProgress) m_pProgress->SetFileName(dir);
  int sum = 0;
  std::vector<std::string> subdirs;
  while (dirent* e = readdir(d)) {
    if ((pump && !pump()) || (m_pProgress && m_pProgress->AbortRequested())) {
      m_bAbort = true;
      break;
    }
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    // lstat: a link to a folder is not walked, so link loops cannot recurse.
    struct stat st {};
    const std::string full = dir + "/" + name;
    // The entry's own type, when the folder tells it, is what lstat would say.
    if (e->d_type == DT_DIR)
      st.st_mode = S_IFDIR;
    else if (e->d_type != DT_UNKNOWN && e->d_type != DT_LNK)
      st.st_mode = S_IFREG;
    else if (lstat(full.c_str(), &st) != 0)
      continue;
    if (S_ISDIR(st.st_mode)) {
      subdirs.push_back(full);
      continue;
    }
    if (S_ISLNK(st.st_mode) && (stat(full.c_str(), &st) != 0 || S_ISDIR(st.st_mode))) continue;
    if (m_bExtFilter) {
      const size_t dot = name.rfind('.');
      if (dot == std::string::npos || MatchExtensionList(m_extList, name.substr(dot + 1)) == kNoPosition) continue;
    }
    ++m_nFileCount;
    ++sum;
    if (m_pProgress) m_pProgress->SetCounter(std::to_string(m_nFileCount));
  }
  closedir(d);
  if (!m_bAbort && m_bRecurse) {
    for (const std::string& sub : subdirs) {
      // An unreadable sub-folder counts nothing; the filter logs it and the
      // rest of the tree is still counted.
      const int n = CountDirectory(sub);
      if (n > 0) sum += n;
      if (m_bAbort) break;
    }
  }
  return sum;
}

void CBulkWorker::BeginEmphasis() {
  if (m_pLog) std::fputs("<FONT color=\"red\"><STRONG>", m_pLog);
}

void CBulkWorker::EndEmphasis() {
  if (m_pLog) std::fputs("</STRONG></FONT><BR>\n", m_pLog);
}

bool CBulkWorker::MakeOutputSubdirectory(size_t n) {
  const std::string dir = m_dstPath.substr(0, n > 0 ? n - 1 : 0);
  struct stat st {};
  // A file in the way of the folder is no folder.
  const bool ok = !dir.empty() && (::mkdir(dir.c_str(), 0755) == 0 ||
                                   (errno == EEXIST && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)));
  if (!ok && m_pLog) {
    BeginEmphasis();
    std::fprintf(m_pLog, "[Can't MKDIR of %s]\n", dir.c_str());
    EndEmphasis();
  }
  return ok;
}

} // namespace qv
