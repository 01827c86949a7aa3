// quorvex-cli convert: the batch conversion without a window.
#include <algorithm>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <csignal>
#include <mutex>
#include <sched.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "app/AppHelpers.h"
#include "app/ReplacingFile.h"
#include "batch/BatchEngine.h"
#include "batch/BatchRun.h"
#include "batch/BatchSettings.h"
#include "cli/Cli.h"
#include "cli/ConvertOptions.h"
#include "cli/TerminalProgress.h"
#include "image/ImageDoc.h"

namespace qv::cli {
namespace {

// Ctrl+C or SIGTERM: the file in progress is finished (a device file only
// ever appears whole), then the run ends with its count. A second signal
// ends the process at once; the unfinished file is then a hidden temporary.
// An atomic, not a volatile flag: the jobs' threads read it too.
std::atomic<int> g_interrupted{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

void OnInterrupt(int sig) {
  if (g_interrupted) {
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  g_interrupted = 1;
}

void CatchInterrupts() {
  struct sigaction sa {};
  sa.sa_handler = OnInterrupt;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

// The document whose load error this thread reports, for the library's reason.
thread_local const CImageDoc* t_workDoc = nullptr;

// What converting one file said, kept while other files are converted at
// the same time and told in file order, as one job tells it.
struct Said {
  bool line = false;  // a record line for standard output, else a message
  std::string text, caption;
  unsigned style = 0;
};
thread_local std::vector<Said>* t_said = nullptr;

class InterruptibleProgress : public CTerminalProgress {
public:
  using CTerminalProgress::CTerminalProgress;
  bool AbortRequested() const override { return g_interrupted != 0; }
};

// Answers the dialog's questions as a command line expects: a missing output
// folder is created, a missing input folder is not (and is named); existing
// device files are replaced only when asked to.
class ConvertSink : public IMessageSink {
public:
  explicit ConvertSink(IMessageSink& out) : m_out(out) {}
  int MessageBox(const std::string& text, const std::string& caption, unsigned style) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    if ((style & 0xF) == MB_YESNOCANCEL) {
      replaceAsked = true;
      return replaceAnswer;
    }
    if ((style & 0xF) == MB_YESNO) {
      if (text.rfind("Output File Directory", 0) == 0) return IDYES;
      m_out.MessageBox(text.substr(0, text.find('\n')), caption, MB_OK | MB_ICONEXCLAMATION);
      return IDNO;
    }
    std::string shown = text;
    // The message box gives the program's text alone; a terminal adds why.
    if (t_workDoc && !t_workDoc->m_strCodecError.empty() && text.rfind("Jpeg file error", 0) == 0)
      shown += "\n" + t_workDoc->m_strCodecError;
    if (t_said) {
      t_said->push_back(Said{false, shown, caption, style});
      return IDOK;
    }
    if (progress) progress->Clear();
    m_out.MessageBox(shown, caption, style);
    return IDOK;
  }
  CTerminalProgress* progress = nullptr;  // the line to clear before a message
  int replaceAnswer = IDCANCEL;            // to "replace existing device files?"
  bool replaceAsked = false;
  // A line of the run's record on standard output, in turn with the messages.
  void PrintLine(const std::string& line) {
    if (t_said) {
      t_said->push_back(Said{true, line, "", 0});
      return;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (progress) progress->Clear();
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
  }
  // What a file said, now in its turn.
  void Tell(const std::vector<Said>& said) {
    for (const Said& s : said) {
      if (s.line) {
        PrintLine(s.text);
      } else {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (progress) progress->Clear();
        m_out.MessageBox(s.text, s.caption, s.style);
      }
    }
  }
  // Progress from several jobs at once, in turn with the messages.
  void ShowProgress(const std::string& counter, const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!progress) return;
    progress->SetCounter(counter);
    progress->SetFileName(name);
  }

private:
  IMessageSink& m_out;
  std::mutex m_mutex;
};

class CliHost : public IBatchHost {
public:
  CliHost(CConverterApp& app, bool showProgress, ConvertSink& sink)
      : m_app(app), m_showProgress(showProgress), m_sink(sink) {}
  CImageDoc* OpenWorkDocument(const std::string& title) override {
    m_doc = std::make_unique<CImageDoc>(m_app);
    m_doc->SetDescription(title);
    t_workDoc = m_doc.get();
    return m_doc.get();
  }
  void CloseWorkDocument(CImageDoc*) override {
    t_workDoc = nullptr;
    m_doc.reset();
  }
  IBatchProgress* CreateProgress() override {
    m_progress = std::make_unique<InterruptibleProgress>(m_showProgress);
    m_sink.progress = m_progress.get();
    return m_progress.get();
  }
  void DestroyProgress(IBatchProgress*) override {
    m_sink.progress = nullptr;
    m_progress.reset();
  }

private:
  CConverterApp& m_app;
  bool m_showProgress;
  ConvertSink& m_sink;
  std::unique_ptr<CImageDoc> m_doc;
  std::unique_ptr<InterruptibleProgress> m_progress;
};

std::string Absolute(const std::string& path) {
  if (!path.empty() && path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (!getcwd(cwd, sizeof cwd)) return path;
  std::string base = cwd;
  if (path.empty() || path == ".") return base;
  return base + "/" + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
}

struct RunCounts {
  int converted = 0;
  int skipped = 0;
  bool stopped = false;
};

// One job: the state machine, stepped until it comes back to Idle.
std::string RecordLine(const std::string& source, const std::string& target, bool done) {
  return source + (done ? " -> " + target.substr(target.find_last_of('/') + 1) : " skipped");
}

RunCounts RunOneJob(CConverterApp& app, const BatchRunRequest& req, bool showProgress, ConvertSink& sink,
                    bool verbose) {
  CliHost host(app, showProgress, sink);
  CBatchRun run(app);
  RunCounts counts;
  if (!run.Start(req)) {
    counts.stopped = true;
    return counts;
  }
  while (!run.Idle()) {
    const int before = run.batchState, index = run.batchIndex, converted = run.batchConverted;
    run.Step(host);
    if (before == BS_CONVERT && run.batchState == BS_ABORT) counts.stopped = true;
    if (verbose && run.batchIndex > index)
      sink.PrintLine(RecordLine(run.m_srcPath, run.m_dstPath, run.batchConverted > converted));
  }
  if (g_interrupted) counts.stopped = true;
  counts.converted = run.batchConverted;
  counts.skipped = (counts.stopped ? run.batchIndex : run.batchTotal) - run.batchConverted;
  return counts;
}

// Several jobs: file i always gets the number a one-job run gives it, and
// what each file says is told in file order once the files before it are
// told; after a failed save no new file is started and nothing after it is
// told or counted.
RunCounts RunJobs(CConverterApp& app, const BatchRunRequest& req, int jobs, ConvertSink& sink, bool showProgress,
                  bool verbose) {
  const int total = static_cast<int>(req.files.size());
  std::vector<int> numbers(static_cast<size_t>(total));
  for (int i = 0, n = req.firstSeqNo; i < total; ++i, n = NextSeqNo(n)) numbers[static_cast<size_t>(i)] = n;

  // A file is written only in its turn, so that a failed save leaves no
  // file after it, as in one job.
  struct Outcome {
    bool finished = false;
    int result = CONVERT_STOP;
    std::vector<Said> said;
    std::string src, out;
    DeviceFile file;
  };
  std::vector<Outcome> outcomes(static_cast<size_t>(total));
  std::mutex turn;
  std::condition_variable toldChanged;
  int told = 0;
  const int ahead = 4 * jobs;
  RunCounts counts;
  std::atomic<int> next{0};
  std::atomic<bool> stop{false};
  CTerminalProgress line(showProgress);
  sink.progress = &line;
  auto progressOf = [&](int i) {
    if (i < total) sink.ShowProgress(std::to_string(i + 1) + " / " + std::to_string(total), req.files[static_cast<size_t>(i)]);
  };
  progressOf(0);
  // Tells every finished file whose turn has come, one thread at a time;
  // called under `turn`, which is let go while a file is written, so that
  // a job finishing meanwhile only leaves its file for the teller.
  bool telling = false;
  auto tellReady = [&](std::unique_lock<std::mutex>& lock) {
    if (telling) return;
    telling = true;
    while (told < total && outcomes[static_cast<size_t>(told)].finished && !counts.stopped) {
      Outcome& o = outcomes[static_cast<size_t>(told)];
      lock.unlock();
      sink.Tell(o.said);
      o.said.clear();
      if (o.result == CONVERT_DONE) o.result = WriteDeviceFile(app, o.out, o.file);
      o.file = DeviceFile();
      if (verbose && o.result != CONVERT_STOP) sink.PrintLine(RecordLine(o.src, o.out, o.result == CONVERT_DONE));
      lock.lock();
      if (o.result == CONVERT_DONE) ++counts.converted;
      if (o.result == CONVERT_SKIPPED) ++counts.skipped;
      if (o.result == CONVERT_STOP) counts.stopped = true;
      ++told;
      if (!counts.stopped) progressOf(told);
      toldChanged.notify_all();
    }
    telling = false;
  };
  auto work = [&]() {
    CImageDoc doc(app);
    t_workDoc = &doc;
    for (;;) {
      if (stop || g_interrupted) break;
      const int i = next++;
      if (i >= total) break;
      {
        // A few files ahead of the one told last at most, so that a slow
        // file does not leave the others' device files piling up in memory.
        std::unique_lock<std::mutex> lock(turn);
        toldChanged.wait(lock, [&] { return i < told + ahead || counts.stopped; });
        if (counts.stopped) break;
      }
      const std::string& name = req.files[static_cast<size_t>(i)];
      const std::string src = name[0] == '/' ? name : req.srcDir + "/" + name;
      const std::string out = req.dstDir + "/" + DeviceFileName(numbers[static_cast<size_t>(i)]);
      std::vector<Said> said;
      DeviceFile file;
      t_said = &said;
      const int r = MakeDeviceFile(doc, src, out, req.targetWidth, req.targetHeight, file);
      if (r == CONVERT_SKIPPED) ShowLoadError(sink, doc.m_nLoadError, doc.m_strLoadErrorName, true);
      t_said = nullptr;
      if (r == CONVERT_STOP) stop = true;
      std::unique_lock<std::mutex> lock(turn);
      Outcome& o = outcomes[static_cast<size_t>(i)];
      o.result = r;
      o.said = std::move(said);
      o.src = src;
      o.out = out;
      o.file = std::move(file);
      o.finished = true;
      tellReady(lock);
      if (counts.stopped) stop = true;
      toldChanged.notify_all();
    }
    t_workDoc = nullptr;
  };
  std::vector<std::thread> threads;
  for (int t = 0; t < jobs; ++t) threads.emplace_back(work);
  for (std::thread& t : threads) t.join();
  sink.progress = nullptr;
  line.Clear();

  if (g_interrupted) counts.stopped = true;
  if (!stop) sink.MessageBox(ConvertedCountText(counts.converted), kBatchCaption, MB_OK | MB_ICONINFORMATION);
  return counts;
}

// Jobs when none are asked for: one per core the process may run on.
int DefaultJobs() {
  cpu_set_t set;
  CPU_ZERO(&set);
  int n = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 0;
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(n, 1, 64);
}

// The refusal when device files are in the way, with what would help.
void ReportExistingTargets(const BatchDialogValues& v) {
  BatchRunRequest all;
  for (const auto& f : v.files)
    if (f.second) all.files.push_back(f.first);
  all.dstDir = v.dstDir;
  all.firstSeqNo = std::atoi(v.seqText.c_str());
  const std::vector<std::string> existing = ExistingTargets(all);
  if (existing.empty()) return;
  std::fprintf(stderr,
               "quorvex-cli: %s: %zu device files would be replaced (the first: %s); nothing was written\n"
               "quorvex-cli: --overwrite replaces them; --start next numbers after %s\n",
               v.dstDir.c_str(), existing.size(), existing[0].c_str(),
               DeviceFileName(HighestDeviceNumber(v.dstDir)).c_str());
}

// --dry-run: the run's record without the run.
int PrintPlan(const BatchRunRequest& r, ConvertSink& sink) {
  const std::vector<std::string> names = PlannedDeviceNames(r.firstSeqNo, r.files.size());
  const std::vector<std::string> existing = ExistingTargets(r);
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string& f = r.files[i];
    const std::string source = !f.empty() && f[0] == '/' ? f : r.srcDir + "/" + f;
    const bool replaces = std::find(existing.begin(), existing.end(), names[i]) != existing.end();
    sink.PrintLine(source + " -> " + names[i] + (replaces ? " (replaces an existing file)" : ""));
  }
  return kExitOk;
}

} // namespace

namespace {

// The dialog's fields as the command line gives them, the rest from the
// settings' "bulkconv" section.
BatchDialogValues ValuesOf(const ConvertOptions& o, CBatchSettings& fields) {
  if (!o.in.empty()) fields.SrcDirectory = o.in;
  if (!o.out.empty()) fields.DstDirectory = o.out;
  if (o.quality > 0) fields.JpegQuality = o.quality;
  if (o.width > 0) fields.SizeWidth = o.width, fields.SizeHeight = o.height;
  BatchDialogValues values;
  values.srcDir = Absolute(fields.SrcDirectory);
  values.dstDir = Absolute(fields.DstDirectory);
  values.seqText = o.start.empty() ? std::to_string(fields.FileSeqNo) : o.start;
  values.quality = fields.JpegQuality;
  values.width = fields.SizeWidth;
  values.height = fields.SizeHeight;
  if (o.files.empty()) {
    for (const std::string& name : FillFileList(values.srcDir, true, fields.StrExtFilter))
      values.files.emplace_back(name, true);
  } else {
    // Named files stand alone; the first one's folder takes the input
    // folder's place in the checks (output and input must differ).
    for (const std::string& f : o.files) values.files.emplace_back(Absolute(f), true);
    values.srcDir = DirectoryOf(values.files.front().first);
  }
  return values;
}

// --start next: after the highest device number already in the output folder.
bool ResolveNextStart(BatchDialogValues& values) {
  if (values.seqText != "next") return true;
  const int highest = HighestDeviceNumber(values.dstDir);
  if (highest >= 9999) {
    std::fprintf(stderr, "quorvex-cli: %s: no file numbers are left after Imag9999.jpg\n", values.dstDir.c_str());
    return false;
  }
  values.seqText = std::to_string(highest + 1);
  return true;
}

} // namespace

int RunConvert(Context& ctx, const ParsedArgs& args) {
  const ConvertOptions o = ConvertOptionsFrom(args);
  for (const std::string& f : o.files)
    if (!CheckInputFile(f)) return kExitPartial;
  CConverterApp& app = *ctx.app;
  CBatchSettings fields;
  fields.Load(app.Profile());
  ConvertSink sink(ctx.sink);
  app.SetMessageSink(sink);
  BatchDialogValues values = ValuesOf(o, fields);
  if (!ResolveNextStart(values)) return kExitPartial;

  BatchRunRequest request;
  BatchCheckOptions options;
  options.persist = false;
  options.makeFolders = !o.dryRun;
  sink.replaceAnswer = o.overwrite || o.dryRun ? IDYES : IDCANCEL;
  if (CheckBatchDialog(app, fields, values, sink, request, options) != BatchOkOutcome::CloseRun) {
    if (sink.replaceAsked && !o.overwrite) ReportExistingTargets(values);
    return kExitPartial;
  }
  if (!o.files.empty()) request.srcDir.clear();
  if (o.dryRun) return PrintPlan(request, sink);

  RemoveStaleTempFiles(request.dstDir);
  CatchInterrupts();
  const bool verbose = o.verbose && !ctx.quiet;
  // The numbers are given out before the work and the files are told in
  // order, so the number of jobs changes nothing but the time taken.
  const int jobs = std::min(o.jobs > 0 ? o.jobs : DefaultJobs(), static_cast<int>(request.files.size()));
  RunCounts counts;
  if (jobs <= 1) {
    counts = RunOneJob(app, request, ctx.stderrIsTerminal, sink, verbose);
  } else {
    app.ResetEncoderChoices();  // the jobs then only read the settings
    counts = RunJobs(app, request, jobs, sink, ctx.stderrIsTerminal, verbose);
  }
  return (counts.skipped == 0 && !counts.stopped) ? kExitOk : kExitPartial;
}

} // namespace qv::cli
