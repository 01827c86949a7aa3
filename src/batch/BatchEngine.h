#pragma once
// The per-file conversion into a device file and what a batch run (see
// batch/BatchRun.h) asks of the program around it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Progress.h"

namespace qv {

class CConverterApp;
class CImageDoc;
class IMessageSink;

enum BatchState : int {
  BS_IDLE = 0,
  BS_START = 1,
  BS_CONVERT = 2,
  BS_CLOSE_PROGRESS = 30,
  BS_REPORT = 31,
  BS_FINISH = 32,
  BS_ABORT = 50,
};

// What the engine asks of the program around it.
class IBatchHost {
public:
  virtual ~IBatchHost() = default;
  // A new, visible working document titled `title`; null when none can be made.
  virtual CImageDoc* OpenWorkDocument(const std::string& title) = 0;
  virtual void CloseWorkDocument(CImageDoc* doc) = 0;
  virtual void UpdateViews(CImageDoc* /*doc*/) {}
  // Null when the dialog cannot be created.
  virtual IBatchProgress* CreateProgress() = 0;
  virtual void DestroyProgress(IBatchProgress* progress) = 0;
  virtual void SetStatusText(const std::string& /*text*/) {}
};

// The load-error message ("JPEG File Load") of a code and the path it
// concerns; with `batch` the text ends in "\nSkip convert.". Nothing for
// LOADERR_NONE.
void ShowLoadError(IMessageSink& sink, int code, const std::string& name, bool batch);
// Shows the application's pending load error (from an open that failed)
// and clears it.
void ReportLoadError(CConverterApp& app, bool batch);
// "Imag%04d.jpg" of a sequence number.
std::string DeviceFileName(int seqNo);
// The sequence number after n, wrapping 9999 -> 1.
int NextSeqNo(int n);
// The device names of `count` files numbered from `first`, in run order.
std::vector<std::string> PlannedDeviceNames(int first, size_t count);
// The highest NNNN of the ImagNNNN.jpg files in `dir` (any letter case);
// 0 when there is none.
int HighestDeviceNumber(const std::string& dir);

// Result of converting one file.
enum ConvertResult : int { CONVERT_STOP = 0, CONVERT_DONE = 1, CONVERT_SKIPPED = 2 };

// A device file made in memory, with the time it is to carry.
struct DeviceFile {
  std::vector<uint8_t> bytes;
  bool stamped = false;
  int64_t seconds = 0;
  long nanoseconds = 0;
};
// All of ConvertToDeviceFile but the write: CONVERT_DONE with `file` made,
// or what ConvertToDeviceFile would return.
int MakeDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                   int targetHeight, DeviceFile& file);
// Writes a made file at outPath, replacing it only when complete: CONVERT_DONE,
// or CONVERT_STOP after the save-error message.
int WriteDeviceFile(CConverterApp& app, const std::string& outPath, const DeviceFile& file);

// Converts `source` into the device file `outPath` on `doc`: the 160 x 120
// thumbnail stream, then the full-size image embedding it, which replaces
// outPath only when complete. Shows the save-error message on failure; a
// file that loads but cannot be a device file is skipped with its message.
int ConvertToDeviceFile(CImageDoc& doc, const std::string& source, const std::string& outPath, int targetWidth,
                        int targetHeight);

} // namespace qv
