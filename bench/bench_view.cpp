// The desktop program's speed, measured through its real windows on the
// offscreen platform:
//  - opening a 24 MP JPEG until the view has painted once, against one bare
//    libjpeg decode of the same file, run alternately (ratio of medians);
//  - one repaint of a 1024 x 768 view of a 5000 x 5000 image at 1600 %,
//    100 % and the smallest zoom, at several scroll positions;
//  - peak memory before and after zooming to 1600 %.
//   bench_view [--runs N] [--frames N]
// Prints a table; nothing here asserts a time.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>


#include "support/BenchPhotos.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QScrollBar>

#include "gui/ChildFrame.h"
#include "gui/Document.h"
#include "gui/MainFrame.h"
#include "gui/QuorvexApp.h"
#include "gui/ImageView.h"

using qv::bench::BareDecode;
using qv::bench::WritePhotoJpeg;

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

long PeakRssKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

long CurrentRssKb() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}


// ---- the program ----

void Settle() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class Program {
public:
  explicit Program(const std::string& dir) : m_app(dir + "/config") {}
  ~Program() { m_app.ExitInstance(); }

  bool Start() {
    qv::StartOptions options;
    options.singleInstance = false;
    options.show = false;
    if (m_app.InitInstance(options) != qv::CQuorvexApp::StartResult::Running) return false;
    qv::CMainFrame* main = m_app.MainFrame();
    main->move(0, 0);
    main->resize(1400, 1100);
    main->show();
    for (int i = 0; i < 20; ++i) Settle();
    return true;
  }

  // The program's own open path (File Open, command line, drop), then the
  // event loop until the view has painted the image once.
  qv::CDocument* OpenAndPaint(const std::string& path) {
    qv::CDocument* doc = m_app.OpenDocumentFile(path);
    qv::CImageView* view = doc ? doc->FirstView() : nullptr;
    if (!view) return nullptr;
    QElapsedTimer guard;
    guard.start();
    while (view->DrawState() != 2) {
      QCoreApplication::processEvents(QEventLoop::AllEvents);
      if (guard.elapsed() > 20000) return nullptr;
    }
    return doc;
  }

  qv::CQuorvexApp& App() { return m_app; }

  static void Close(qv::CDocument* doc) {
    if (doc) doc->OnCloseDocument(true);
    for (int i = 0; i < 3; ++i) Settle();
  }

private:
  qv::CQuorvexApp m_app;
};

// Sizes the child frame so that the view's client area is `client`.
void SizeViewport(qv::CImageView* view, QSize client) {
  qv::CChildFrame* frame = view->Frame();
  if (!frame) return;
  for (int i = 0; i < 4 && view->viewport()->size() != client; ++i) {
    frame->resize(frame->size() + (client - view->viewport()->size()));
    Settle();
  }
}

struct OpenResult {
  double openMs = 0, decodeMs = 0;
};

OpenResult MeasureOpen(Program& program, const std::string& path, int runs) {
  // One untimed round warms the page cache and the program's first-use paths.
  BareDecode(path);
  Program::Close(program.OpenAndPaint(path));
  std::vector<double> open, decode;
  for (int r = 0; r < runs; ++r) {
    // Alternate so that a change of machine load hits both alike.
    auto t0 = Clock::now();
    BareDecode(path);
    decode.push_back(MsSince(t0));
    t0 = Clock::now();
    qv::CDocument* doc = program.OpenAndPaint(path);
    open.push_back(MsSince(t0));
    if (!doc) {
      std::fprintf(stderr, "open failed: %s\n", path.c_str());
      return {};
    }
    Program::Close(doc);
  }
  std::printf("  runs (ms) open/decode:");
  for (size_t i = 0; i < open.size(); ++i) std::printf(" %.0f/%.0f", open[i], decode[i]);
  std::printf("\n");
  return {Median(open), Median(decode)};
}

// Counts the paint events the view's client area receives.
class PaintCounter : public QObject {
public:
  int count = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++count;
    return false;
  }
};

// Median time of one synchronous repaint of the whole client area at a few
// scroll positions spread over the scroll range.
struct PaintResult {
  double ms = 0;
  QSize client;
};

PaintResult MeasurePaint(qv::CImageView* view, int zoom, int frames) {
  view->SetZoom(zoom);
  Settle();
  const int maxX = view->horizontalScrollBar()->maximum();
  const int maxY = view->verticalScrollBar()->maximum();
  static const double kPlaces[][2] = {{0, 0}, {0.5, 0.5}, {0.27, 0.81}, {0.9, 0.12}, {1, 1}};
  std::vector<double> times;
  PaintCounter counter;
  view->viewport()->installEventFilter(&counter);
  for (const auto& p : kPlaces) {
    view->ScrollToPosition({static_cast<int>(maxX * p[0]), static_cast<int>(maxY * p[1])});
    Settle();
    for (int f = 0; f < frames; ++f) {
      const auto t0 = Clock::now();
      view->viewport()->repaint();
      times.push_back(MsSince(t0));
    }
  }
  view->viewport()->removeEventFilter(&counter);
  // Each timed repaint must have run the view's paint handler.
  if (counter.count < static_cast<int>(times.size()) || view->DrawState() != 2)
    std::fprintf(stderr, "warning: %d paints for %zu frames at %d %%\n", counter.count, times.size(), zoom);
  return {Median(times), view->viewport()->size()};
}

int ArgValue(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::max(1, std::atoi(argv[i + 1]));
  return fallback;
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int runs = ArgValue(argc, argv, "--runs", 7);
  const int frames = ArgValue(argc, argv, "--frames", 9);
  QApplication qapp(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);

  const std::string dir = qv::bench::MakeTempDir("qv-bench-view");
  if (dir.empty()) return 1;
  const std::string photo24 = dir + "/photo-5000x4800.jpg";
  const std::string photo25 = dir + "/photo-5000x5000.jpg";
  if (!WritePhotoJpeg(photo24, 5000, 4800) || !WritePhotoJpeg(photo25, 5000, 5000)) {
    std::fprintf(stderr, "could not write the test pictures in %s\n", dir.c_str());
    qv::bench::RemoveTree(dir);
    return 1;
  }

  int status = 0;
  {
    Program program(dir);
    if (!program.Start()) {
      qv::bench::RemoveTree(dir);
      return 1;
    }
    const long rssStart = PeakRssKb();

    // Paint first, so that the peak memory after zooming is not hidden by
    // the open measurements.
    std::printf("paint of a 1024 x 768 view, 5000 x 5000 image, median of %d frames x 5 places\n", frames);
    qv::CDocument* doc = program.OpenAndPaint(photo25);
    qv::CImageView* view = doc ? doc->FirstView() : nullptr;
    if (view) {
      view->SetZoom(1600);
      SizeViewport(view, QSize(1024, 768));
      const long rssOpen = PeakRssKb();
      const PaintResult at1600 = MeasurePaint(view, 1600, frames);
      const long rss1600 = PeakRssKb();
      const long now1600 = CurrentRssKb();
      const PaintResult at100 = MeasurePaint(view, 100, frames);
      const int smallest = program.App().App().m_zoomRates[0];
      const PaintResult atMin = MeasurePaint(view, smallest, frames);
      std::printf("  %7s %10s  %s\n", "zoom", "ms/frame", "client area");
      for (const auto& [zoom, r] : {std::pair{1600, at1600}, std::pair{100, at100}, std::pair{smallest, atMin}})
        std::printf("  %5d %% %10.2f  %dx%d\n", zoom, r.ms, r.client.width(), r.client.height());
      std::printf("memory (getrusage peak RSS)\n");
      std::printf("  started            %8.1f MB\n", rssStart / 1024.0);
      std::printf("  image open (100 %%) %8.1f MB   (pixel buffer %.1f MB)\n", rssOpen / 1024.0,
                  5000.0 * 5000 * 3 / (1024 * 1024));
      std::printf("  after 1600 %% paints %7.1f MB   (resident now %.1f MB; a zoomed copy would be %.0f MB)\n",
                  rss1600 / 1024.0, now1600 / 1024.0, 80000.0 * 80000 * 3 / (1024 * 1024));
      Program::Close(doc);
    } else {
      std::fprintf(stderr, "could not open %s\n", photo25.c_str());
      status = 1;
    }

    std::printf("open to first paint, 5000 x 4800 JPEG q92 2x2, %d runs\n", runs);
    const OpenResult r = MeasureOpen(program, photo24, runs);
    if (r.decodeMs > 0) {
      std::printf("  %-28s %9.1f ms\n", "bare libjpeg decode (median)", r.decodeMs);
      std::printf("  %-28s %9.1f ms\n", "open to first paint (median)", r.openMs);
      std::printf("  %-28s %9.2f x  (target <= 1.20)\n", "ratio", r.openMs / r.decodeMs);
    } else {
      status = 1;
    }
  }
  qv::bench::RemoveTree(dir);
  return status;
}
