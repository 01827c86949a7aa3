// The gamma and brightness dialog on a 12 MP photo, on the offscreen
// platform: the time from a slider's value change (the same path a drag
// takes) to the repainted tone preview, fitted and one to one, and the
// time the dialog takes to open.
//   bench_gamma [--runs N]
// Prints a table; nothing here asserts a time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTest>

#include "app/ConverterApp.h"
#include "image/ImageDoc.h"
#include "platform/MessageSink.h"
#include "support/BenchPhotos.h"
#include "view/ui/GammaDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}


void Settle() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

int ArgValue(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::max(1, std::atoi(argv[i + 1]));
  return fallback;
}

struct Timing {
  double median = 0, worst = 0;
  bool painted = true;
};

// Each step moves the slider by one position as a drag does, then waits
// for the preview's repaint.
Timing MeasureSteps(qv::CGammaDialog& dlg, QSlider* slider, int steps) {
  qv::CTonePreview* preview = dlg.Preview();
  std::vector<double> times;
  Timing t;
  slider->setSliderDown(true);
  for (int i = 0; i < steps; ++i) {
    const int paints = preview->Paints();
    const auto t0 = Clock::now();
    slider->setSliderPosition(slider->value() + (i % 2 ? -7 : 9));
    preview->repaint();
    times.push_back(MsSince(t0));
    if (preview->Paints() == paints) t.painted = false;
  }
  slider->setSliderDown(false);
  t.median = Median(times);
  t.worst = *std::max_element(times.begin(), times.end());
  return t;
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const int runs = ArgValue(argc, argv, "--runs", 41);
  QApplication qapp(argc, argv);

  const std::string dir = qv::bench::MakeTempDir("qv-bench-gamma");
  if (dir.empty()) return 1;
  const std::string photo = dir + "/photo-4000x3000.jpg";
  if (!qv::bench::WritePhotoJpeg(photo, 4000, 3000)) {
    std::fprintf(stderr, "could not write %s\n", photo.c_str());
    qv::bench::RemoveTree(dir);
    return 1;
  }
  int status = 0;
  {
    qv::CSilentMessageSink sink;
    qv::CConverterApp app(dir + "/config", sink);
    qv::CImageDoc doc(app);
    if (doc.Load(photo) != 1) {
      std::fprintf(stderr, "could not load %s\n", photo.c_str());
      qv::bench::RemoveTree(dir);
      return 1;
    }
    for (bool halftone : {false, true}) {
      const auto t0 = Clock::now();
      qv::CGammaDialog dlg(nullptr, doc.Bitmap(), halftone);
      dlg.show();
      if (!QTest::qWaitForWindowExposed(&dlg)) {
        status = 1;
        break;
      }
      dlg.Preview()->repaint();
      const double openMs = MsSince(t0);
      const QSize area = dlg.Preview()->size();
      const Timing gamma = MeasureSteps(dlg, dlg.GammaSlider(), runs);
      const Timing bias = MeasureSteps(dlg, dlg.BiasSlider(), runs);
      dlg.SwitchZoomButton()->click();
      Settle();
      const Timing one = MeasureSteps(dlg, dlg.ContrastSlider(), runs);
      std::printf("gamma dialog, 4000 x 3000 image, preview %dx%d, %s stretch, %d steps each\n", area.width(),
                  area.height(), halftone ? "smooth" : "plain", runs);
      std::printf("  %-44s %8.1f ms\n", "open until the preview has painted", openMs);
      std::printf("  %-44s %8.2f ms  (worst %.2f)\n", "gamma step to repainted preview, fitted", gamma.median, gamma.worst);
      std::printf("  %-44s %8.2f ms  (worst %.2f)\n", "bias step to repainted preview, fitted", bias.median, bias.worst);
      std::printf("  %-44s %8.2f ms  (worst %.2f)\n", "contrast step to repainted preview, 1:1", one.median, one.worst);
      std::printf("  target: under 50 ms per step\n");
      if (!gamma.painted || !bias.painted || !one.painted) {
        std::fprintf(stderr, "warning: a step did not repaint the preview\n");
        status = 1;
      }
      dlg.reject();
      Settle();
    }
  }
  qv::bench::RemoveTree(dir);
  return status;
}
