// JPEG reading and writing for the document, through libjpeg's 6.2 API.
//
// libjpeg reports fatal errors by longjmp. Each setjmp lives in a small
// function that holds only plain C data (the Job structs below), so no C++
// destructor is ever skipped; the C++ side turns the outcome into codes.
#include "image/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>
#include <jerror.h>

#include "app/AppHelpers.h"
#include "app/Extension.h"
#include "image/DecodeScale.h"
#include "image/DisplayBitmap.h"
#include "image/ExifTemplate.h"
#include "app/ReplacingFile.h"
#include "image/ImageDoc.h"
#include "image/Orientation.h"
#include "jpegmeta/CommentText.h"
#include "jpegmeta/PhotoFacts.h"
#include "platform/MessageSink.h"

namespace qv {
namespace {

constexpr int kMaxPixelSide = 5000;
const char kLibraryCaption[] = "JPEG Library Error";

struct ErrorManager {
  jpeg_error_mgr pub;  // first, so the library's pointer is ours
  jmp_buf jump;
  IMessageSink* sink;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Warnings pass the library's own emit policy, then reach the user.
void OnOutputMessage(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  char text[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, text);
  if (err->sink) err->sink->MessageBox(text, kLibraryCaption, MB_OK | MB_ICONSTOP);
}

void InstallErrorManager(ErrorManager& err, IMessageSink* sink) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = OnErrorExit;
  err.pub.output_message = OnOutputMessage;
  err.sink = sink;
  err.message[0] = '\0';
}

// ---------------------------------------------------------------- reading

struct ReadJob {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  FILE* file;
  bool created;
  // COM text (malloc'ed, zero-terminated) and its length; a later COM
  // segment replaces an earlier one.
  char* comment;
  unsigned commentLength;
  bool sawComment;
  bool sawExif;
  // The first APP1's payload (malloc'ed) when it is Exif; later APP1s and
  // other first APP1s are passed over.
  uint8_t* exif;
  unsigned exifLength;
  bool sawApp1;
  int scaleNum;  // decode at scaleNum/8; 8 for the full size
  // Where the rows go: bottom-up 24-bit rows.
  uint8_t* bits;
  long stride;
  bool convertToBgr;  // the library converts to blue-green-red itself
  // Streamed: each row goes to `sink` instead of into `bits`, mirrored when
  // asked; `bits` is then a one-row buffer.
  IDecodedRows* sink;
  bool mirror;
  // Filled before the library frees its frame data at the end of the read.
  JpegDescriptionInput* description;
};

// Next byte of the source, or -1 when the data ends.
int NextByte(j_decompress_ptr cinfo) {
  jpeg_source_mgr* src = cinfo->src;
  if (src->bytes_in_buffer == 0 && !(*src->fill_input_buffer)(cinfo)) return -1;
  if (src->bytes_in_buffer == 0) return -1;
  --src->bytes_in_buffer;
  return GETJOCTET(*src->next_input_byte++);
}

int NextLength(j_decompress_ptr cinfo) {
  int hi = NextByte(cinfo);
  int lo = NextByte(cinfo);
  if (hi < 0 || lo < 0) return -1;
  return (hi << 8) | lo;
}

boolean ProcessCom(j_decompress_ptr cinfo) {
  auto* job = static_cast<ReadJob*>(cinfo->client_data);
  int length = NextLength(cinfo);
  if (length < 2) return FALSE;
  const unsigned n = static_cast<unsigned>(length - 2);
  char* text = static_cast<char*>(std::malloc(n + 1));
  if (!text) return FALSE;
  for (unsigned i = 0; i < n; ++i) {
    int c = NextByte(cinfo);
    if (c < 0) {
      std::free(text);
      return FALSE;
    }
    text[i] = static_cast<char>(c);
  }
  text[n] = '\0';
  std::free(job->comment);
  job->comment = text;
  job->commentLength = n;
  job->sawComment = true;
  return TRUE;
}

// The first APP1 is kept when it is Exif: the document keeps the block
// (orientation, shooting date, the information window).
boolean ProcessApp1(j_decompress_ptr cinfo) {
  auto* job = static_cast<ReadJob*>(cinfo->client_data);
  int length = NextLength(cinfo);
  if (length < 2) return FALSE;
  long remaining = length - 2;
  const bool first = !job->sawApp1;
  job->sawApp1 = true;
  if (remaining > 6) {
    unsigned char head[6];
    for (unsigned char& b : head) {
      int c = NextByte(cinfo);
      if (c < 0) return FALSE;
      b = static_cast<unsigned char>(c);
    }
    const bool exif = std::memcmp(head, "Exif\0\0", 6) == 0;
    job->sawExif = exif;
    remaining -= 6;
    if (first && exif) {
      auto* block = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(remaining) + 6));
      if (!block) return FALSE;
      std::memcpy(block, head, 6);
      for (long i = 0; i < remaining; ++i) {
        const int c = NextByte(cinfo);
        if (c < 0) {
          std::free(block);
          return FALSE;
        }
        block[6 + i] = static_cast<uint8_t>(c);
      }
      std::free(job->exif);
      job->exif = block;
      job->exifLength = static_cast<unsigned>(remaining + 6);
      return TRUE;
    }
  }
  if (remaining > 0) (*cinfo->src->skip_input_data)(cinfo, remaining);
  return TRUE;
}

// Phase 1: header only. Returns false when the library gave up.
bool ReadHeader(ReadJob* job) {
  if (setjmp(job->err.jump)) return false;
  jpeg_create_decompress(&job->cinfo);
  job->created = true;
  job->cinfo.client_data = job;
  jpeg_stdio_src(&job->cinfo, job->file);
  jpeg_set_marker_processor(&job->cinfo, JPEG_COM, ProcessCom);
  jpeg_set_marker_processor(&job->cinfo, JPEG_APP0 + 1, ProcessApp1);
  jpeg_read_header(&job->cinfo, TRUE);
  return true;
}

JpegDescriptionInput DescribeDecompressor(const jpeg_decompress_struct& c);

// Between the phases: the output's colour space and scale, and so its size.
bool PrepareOutput(ReadJob* job) {
  if (setjmp(job->err.jump)) return false;
  j_decompress_ptr cinfo = &job->cinfo;
  if (job->convertToBgr) cinfo->out_color_space = JCS_EXT_BGR;
  cinfo->scale_num = static_cast<unsigned>(job->scaleNum);
  cinfo->scale_denom = 8;
  jpeg_calc_output_dimensions(cinfo);
  return true;
}

// Phase 2: every scanline straight into its DIB row, one row per call.
bool ReadRows(ReadJob* job) {
  if (setjmp(job->err.jump)) return false;
  j_decompress_ptr cinfo = &job->cinfo;
  jpeg_start_decompress(cinfo);
  const int height = static_cast<int>(cinfo->output_height);
  const int width = static_cast<int>(cinfo->output_width);
  const int comps = cinfo->output_components;
  while (cinfo->output_scanline < cinfo->output_height) {
    const int y = static_cast<int>(cinfo->output_scanline);
    uint8_t* row = job->bits + static_cast<long>(height - 1 - y) * job->stride;
    if (job->sink) {
      row = job->sink->NextRow();
      if (!row) row = job->bits;
    }
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(cinfo, rows, 1);
    if (!job->convertToBgr) {
      if (comps == 3) {
        for (int x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
      } else {  // one component: widen in place from the right
        for (int x = width - 1; x >= 0; --x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = row[x];
      }
    }
    if (!job->sink) continue;
    if (job->mirror)
      for (int l = 0, r = width - 1; l < r; ++l, --r)
        for (int c = 0; c < 3; ++c) std::swap(row[3 * l + c], row[3 * r + c]);
    job->sink->PushRow(row, true);
  }
  *job->description = DescribeDecompressor(*cinfo);
  jpeg_finish_decompress(cinfo);
  return true;
}

JpegDescriptionInput DescribeDecompressor(const jpeg_decompress_struct& c) {
  JpegDescriptionInput in;
  in.width = static_cast<int>(c.image_width);
  in.height = static_cast<int>(c.image_height);
  in.sawJfif = c.saw_JFIF_marker;
  in.jfifMajor = c.JFIF_major_version;
  in.jfifMinor = c.JFIF_minor_version;
  in.colorSpace = c.jpeg_color_space;
  in.components = c.num_components;
  if (c.comp_info) {
    in.hSamp = c.comp_info[0].h_samp_factor;
    in.vSamp = c.comp_info[0].v_samp_factor;
  }
  in.progressive = c.progressive_mode;
  for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
    if (!c.quant_tbl_ptrs[t]) continue;
    unsigned s = 0;
    for (int i = 0; i < DCTSIZE2; ++i) s += c.quant_tbl_ptrs[t]->quantval[i];
    in.tableSums[in.tableCount++] = s;
  }
  return in;
}

// ---------------------------------------------------------------- writing

struct WriteJob {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  bool created;
  PixelBytes* memory;  // the stream's bytes, memorySize of them
  size_t memorySize;
  int width;
  int height;
  const uint8_t* bits;  // bottom-up 24-bit rows
  long stride;
  int quality;
  int hSamp, vSamp;  // luminance sampling; 0 x 0 for greyscale
  int densityUnit, xDensity, yDensity;
  bool restartPerRow;
  const uint16_t* customTables[2];  // null: quality-scaled tables
  const uint8_t* app1;  // "Exif\0\0" + template + thumbnail, or null
  unsigned app1Length;
  const uint8_t* comment;
  unsigned commentLength;
  bool hasComment;
  JpegDescriptionInput* description;  // filled before the stream is finished
};

JpegDescriptionInput DescribeCompressor(const jpeg_compress_struct& c);

// The encoder's output in memory the caller keeps from stream to stream: no
// growth copies once it is large enough, no zero-filling, no page faults
// of fresh memory for every photo.
struct MemoryDestination {
  jpeg_destination_mgr pub;
  WriteJob* job;
};

// The buffer at `size` bytes with the output going on after the first `used`.
void GrowMemory(j_compress_ptr cinfo, size_t used, size_t size) {
  auto* d = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  PixelBytes& buf = *d->job->memory;
  bool failed = false;
  try {
    buf.resize(size);
  } catch (const std::exception&) {
    failed = true;
  }
  if (failed) {
    cinfo->err->msg_code = JERR_OUT_OF_MEMORY;
    cinfo->err->error_exit(reinterpret_cast<j_common_ptr>(cinfo));
  }
  d->pub.next_output_byte = buf.data() + used;
  d->pub.free_in_buffer = buf.size() - used;
}

void InitMemory(j_compress_ptr cinfo) {
  PixelBytes& buf = *reinterpret_cast<MemoryDestination*>(cinfo->dest)->job->memory;
  GrowMemory(cinfo, 0, std::max<size_t>(buf.size(), size_t{1} << 16));
}

// Called with the whole buffer full, whatever free_in_buffer says: the
// entropy coder keeps its own copy of the position until it returns.
boolean EmptyMemory(j_compress_ptr cinfo) {
  const size_t size = reinterpret_cast<MemoryDestination*>(cinfo->dest)->job->memory->size();
  GrowMemory(cinfo, size, 2 * size);
  return TRUE;
}

void TermMemory(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  d->job->memorySize = d->job->memory->size() - d->pub.free_in_buffer;
}

bool WriteStream(WriteJob* job) {
  if (setjmp(job->err.jump)) return false;
  j_compress_ptr cinfo = &job->cinfo;
  jpeg_create_compress(cinfo);
  job->created = true;
  MemoryDestination memory{};
  memory.job = job;
  memory.pub.init_destination = InitMemory;
  memory.pub.empty_output_buffer = EmptyMemory;
  memory.pub.term_destination = TermMemory;
  cinfo->dest = &memory.pub;
  cinfo->image_width = static_cast<JDIMENSION>(job->width);
  cinfo->image_height = static_cast<JDIMENSION>(job->height);
  cinfo->input_components = 3;
  // The rows are blue-green-red already; the library converts them the same
  // way it converts RGB, so no swapped copy is needed.
  cinfo->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(cinfo);
  cinfo->density_unit = static_cast<UINT8>(job->densityUnit);
  cinfo->X_density = static_cast<UINT16>(job->xDensity);
  cinfo->Y_density = static_cast<UINT16>(job->yDensity);
  if (job->restartPerRow) cinfo->restart_in_rows = 1;
  jpeg_set_quality(cinfo, job->quality, TRUE);
  cinfo->optimize_coding = FALSE;
  // jpeg_set_defaults has loaded the standard Huffman tables of T.81 K.3.
  for (int t = 0; t < 2; ++t) {
    if (!job->customTables[t] || !cinfo->quant_tbl_ptrs[t]) continue;
    for (int i = 0; i < DCTSIZE2; ++i) cinfo->quant_tbl_ptrs[t]->quantval[i] = job->customTables[t][i];
  }
  if (job->hSamp == 0) {
    jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
  } else {
    cinfo->comp_info[0].h_samp_factor = job->hSamp;
    cinfo->comp_info[0].v_samp_factor = job->vSamp;
  }
  // The device's files carry no JFIF segment.
  cinfo->write_JFIF_header = FALSE;
  jpeg_start_compress(cinfo, TRUE);
  if (job->app1) jpeg_write_marker(cinfo, JPEG_APP0 + 1, job->app1, job->app1Length);
  if (job->hasComment) jpeg_write_marker(cinfo, JPEG_COM, job->comment, job->commentLength);
  while (cinfo->next_scanline < cinfo->image_height) {
    const int n = static_cast<int>(cinfo->next_scanline);
    JSAMPROW rows[1] = {const_cast<JSAMPROW>(job->bits + static_cast<long>(job->height - 1 - n) * job->stride)};
    jpeg_write_scanlines(cinfo, rows, 1);
  }
  *job->description = DescribeCompressor(*cinfo);
  jpeg_finish_compress(cinfo);
  return true;
}

JpegDescriptionInput DescribeCompressor(const jpeg_compress_struct& c) {
  JpegDescriptionInput in;
  in.isCompressor = true;
  in.width = static_cast<int>(c.image_width);
  in.height = static_cast<int>(c.image_height);
  in.jfifMajor = c.JFIF_major_version;
  in.jfifMinor = c.JFIF_minor_version;
  in.colorSpace = c.jpeg_color_space;
  in.components = c.num_components;
  in.hSamp = c.comp_info[0].h_samp_factor;
  in.vSamp = c.comp_info[0].v_samp_factor;
  in.progressive = c.progressive_mode;
  for (int t = 0; t < NUM_QUANT_TBLS; ++t) {
    if (!c.quant_tbl_ptrs[t]) continue;
    unsigned s = 0;
    for (int i = 0; i < DCTSIZE2; ++i) s += c.quant_tbl_ptrs[t]->quantval[i];
    in.tableSums[in.tableCount++] = s;
  }
  return in;
}

// Whole file into memory; false when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  // Non-blocking and regular only: a FIFO in the way must not hang a save.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd < 0) return false;
  FILE* f = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::fdopen(fd, "rb") : nullptr;
  if (!f) {
    ::close(fd);
    return false;
  }
  out.clear();
  uint8_t buf[65536];
  size_t got;
  bool ok = true;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out.insert(out.end(), buf, buf + got);
    // Anything past the segment limit cannot be a usable thumbnail.
    if (out.size() > kMaxThumbnailBytes + 1) break;
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  return ok;
}

// Luminance sampling of the sampling choice: 1 1x1, 2 2x1, 3 2x2, 4 1x2;
// 0 greyscale.
void SamplingOf(int choice, int& h, int& v) {
  switch (choice) {
  case 0: h = v = 0; break;
  case 1: h = 1, v = 1; break;
  case 3: h = 2, v = 2; break;
  case 4: h = 1, v = 2; break;
  default: h = 2, v = 1; break;
  }
}

} // namespace

const char* LoadErrorFormat(int code) {
  switch (code) {
  case 1: return "'%s' contains unsupported color factor.       ";
  case 2: return "Pixel size of '%s' is too large.       ";
  case 3: return "Broken file  '%s'        ";
  case 4: return "Jpeg file open error  '%s'        ";
  case 5: return "Not enough memory  '%s'        ";
  case 6: return "Jpeg file error  '%s'        ";
  default: return nullptr;
  }
}

std::string DescribeJpegText(const JpegDescriptionInput& in, int* grayscale) {
  static const char* const kSpaces[] = {"Unknown", "Grayscale", "RGB", "YCbCr", "CMYK", "YCCK"};
  char buf[128];
  std::string text;
  std::snprintf(buf, sizeof buf, "%dx%d ", in.width, in.height);
  text += buf;
  if (in.isCompressor || in.sawJfif) {
    std::snprintf(buf, sizeof buf, "JFIF%d.%d", in.jfifMajor, in.jfifMinor);
    text += buf;
  } else {
    text += "JPEG";
  }
  const char* space = (in.colorSpace >= 0 && in.colorSpace <= 5) ? kSpaces[in.colorSpace] : "Unknown";
  text += "(";
  text += space;
  text += ")";
  if (grayscale) *grayscale = in.colorSpace == 1 ? 1 : 0;
  if (in.components > 1) {
    int h = in.hSamp, v = in.vSamp;
    if (h * v == 4) h = 4, v = 1;
    std::snprintf(buf, sizeof buf, " DS=%d:%d", h, v);
    text += buf;
  }
  if (in.progressive) text += " Prg.";
  if (in.tableCount > 0) {
    unsigned s = in.tableSums[0];
    for (int t = 1; t < in.tableCount; ++t) s = (in.tableSums[t] + s) / 2;
    text += " Qf=" + EstimateQuality(s);
  }
  return text;
}

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Opened without blocking, so a FIFO under a photo's name is refused at
// once instead of waiting for a writer; regular files only.
FilePtr OpenRegular(const std::string& path, int64_t& size) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  FILE* file = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? ::fdopen(fd, "rb") : nullptr;
  if (!file) {
    ::close(fd);
    return nullptr;
  }
  size = st.st_size;
  return FilePtr(file);
}

// SOI at the start and EOI as the very last bytes, or the file is broken.
bool Framed(FILE* file, int64_t size) {
  unsigned char head[2] = {0, 0}, tail[2] = {0, 0};
  const bool framed = size >= 4 && std::fread(head, 1, 2, file) == 2 && std::fseek(file, -2, SEEK_END) == 0 &&
                      std::fread(tail, 1, 2, file) == 2 && head[0] == 0xFF && head[1] == 0xD8 &&
                      tail[0] == 0xFF && tail[1] == 0xD9;
  std::rewind(file);
  return framed;
}

// Releases what the library and the marker processors hold.
struct ReadJobGuard {
  ReadJob& job;
  ~ReadJobGuard() {
    if (job.created) jpeg_destroy_decompress(&job.cinfo);
    std::free(job.comment);
    std::free(job.exif);
  }
};

void TakeComment(CImageDoc& doc, const ReadJob& job, const CSettings& s) {
  if (!job.sawComment) return;
  doc.m_readComment.assign(job.comment, job.commentLength);
  CCommentRecord rec;
  rec.charset = ResolveReadCharset(s, doc.m_nReadCharset, doc.m_readComment);
  rec.name = "Comment";
  rec.text = CommentToInternal(doc.m_readComment, rec.charset);
  doc.m_comments.push_back(std::move(rec));
  doc.m_nCurrentComment = static_cast<int>(doc.m_comments.size()) - 1;
  doc.m_bComment = 1;
  doc.m_readComment.clear();
}

void TakeTables(CImageDoc& doc, const ReadJob& job) {
  for (int t = 0; t < 2; ++t) {
    if (const JQUANT_TBL* q = job.cinfo.quant_tbl_ptrs[t])
      for (int i = 0; i < DCTSIZE2; ++i) doc.m_dqt[t][static_cast<size_t>(i)] = q->quantval[i];
  }
}

// A photo beyond the side limit is decoded at the largest M/8 that fits,
// when the settings allow it; LOADERR_NONE or the refusal's code.
int ChooseScale(ReadJob& job, const CSettings& s) {
  const int w = static_cast<int>(job.cinfo.image_width), h = static_cast<int>(job.cinfo.image_height);
  job.scaleNum = 8;
  if (w <= kMaxPixelSide && h <= kMaxPixelSide) return LOADERR_NONE;
  if (!s.ShrinkLargeImages) return LOADERR_TOO_LARGE;
  job.scaleNum = ShrinkNumerator(w, h, kMaxPixelSide);
  return job.scaleNum >= 1 && job.scaleNum < 8 ? LOADERR_NONE : LOADERR_TOO_LARGE;
}

// The description names the size as shown, and the scale when shrunk.
std::string DescribeShown(JpegDescriptionInput in, int shownWidth, int shownHeight, int scaleNum, int* grayscale) {
  const int storedWidth = in.width, storedHeight = in.height;
  in.width = shownWidth;
  in.height = shownHeight;
  std::string text = DescribeJpegText(in, grayscale);
  if (scaleNum != 8) {
    char note[96];
    std::snprintf(note, sizeof note, " (shown at %d/8 of %dx%d)", scaleNum, storedWidth, storedHeight);
    text += note;
  }
  return text;
}

} // namespace

namespace {

// Slack after a streamed row, as IDecodedRows promises.
constexpr size_t kStreamSlack = 16;

// Rows that arrive in memory order from the top unless the picture is
// turned half over (3) or flipped (4); mirrored for 2 and 3.
bool StreamsUpright(int orientation, bool& topFirst, bool& mirror) {
  topFirst = orientation != 3 && orientation != 4;
  mirror = orientation == 2 || orientation == 3;
  return !OrientationSwapsSides(orientation);
}

// The held picture's rows, from the bottom.
bool HandOver(const CMemBitmap& bmp, IDecodedRows& sink) {
  if (!sink.BeginRows(bmp.Width(), bmp.Height(), false)) return false;
  for (int k = 0; k < bmp.Height(); ++k) sink.PushRow(bmp.Row(k), false);
  return true;
}

// ReadJpeg, the rows handed to `sink` when one is given.
int ReadJpegInto(CImageDoc& doc, const std::string& path, IDecodedRows* sink) {
  doc.m_nLoadError = LOADERR_NONE;
  doc.m_strLoadErrorName = path;
  doc.m_strCodecError.clear();
  doc.m_exifBlock.clear();
  doc.ClearImage();
  auto fail = [&doc](int code) {
    doc.m_nLoadError = code;
    return 0;
  };

  int64_t size = 0;
  FilePtr file = OpenRegular(path, size);
  if (!file) return fail(LOADERR_OPEN);
  doc.m_nFileSize = size;
  if (!Framed(file.get(), size)) return fail(LOADERR_BROKEN);

  ReadJob job;
  std::memset(&job, 0, sizeof job);
  job.file = file.get();
  job.scaleNum = 8;
  InstallErrorManager(job.err, &doc.App().Messages());
  job.cinfo.err = &job.err.pub;
  ReadJobGuard guard{job};
  auto libraryFailed = [&] {
    doc.m_strCodecError = job.err.message;
    return fail(LOADERR_LIBRARY);
  };

  doc.m_nReadCharset = -1;
  if (!ReadHeader(&job)) return libraryFailed();
  const CSettings& s = doc.App().m_settings;
  TakeComment(doc, job, s);
  TakeTables(doc, job);
  if (job.exif) doc.m_exifBlock.assign(job.exif, job.exif + job.exifLength);

  if (const int refused = ChooseScale(job, s)) {
    doc.m_nRejectReason = 2;
    return fail(refused);
  }
  // Four components (CMYK, YCCK) are refused; so are two, which have no
  // colour meaning the program could show.
  const int comps = job.cinfo.num_components;
  if (comps >= 4 || comps == 2) {
    doc.m_nRejectReason = 1;
    return fail(LOADERR_COLOR);
  }
  const J_COLOR_SPACE space = job.cinfo.jpeg_color_space;
  job.convertToBgr = space == JCS_YCbCr || space == JCS_RGB || space == JCS_GRAYSCALE;
  if (!PrepareOutput(&job)) return libraryFailed();

  int width = static_cast<int>(job.cinfo.output_width);
  int height = static_cast<int>(job.cinfo.output_height);
  const int orientation =
      s.AutoRotate && !doc.m_exifBlock.empty() ? ExifOrientation(doc.m_exifBlock.data(), doc.m_exifBlock.size()) : 1;
  const DisplayOptions display = DisplayOptionsOf(doc.App());
  bool topFirst = true, mirror = false;
  const bool stream = sink && DisplayDitherColors(display) == 0 && StreamsUpright(orientation, topFirst, mirror);
  PixelBytes rows;
  try {
    rows.resize(stream ? 3 * static_cast<size_t>(width) + kStreamSlack
                       : static_cast<size_t>(DibStride(width, 24) * height));
  } catch (const std::exception&) {
    return fail(LOADERR_MEMORY);
  }
  if (stream) std::memset(rows.data(), 0, rows.size());
  job.bits = rows.data();
  job.stride = static_cast<long>(DibStride(width, 24));
  JpegDescriptionInput description;
  job.description = &description;
  if (stream) {
    if (!sink->BeginRows(width, height, topFirst)) return fail(LOADERR_MEMORY);
    job.sink = sink;
    job.mirror = mirror;
  }
  if (!ReadRows(&job)) return libraryFailed();

  // Upright before anything else sees the picture; a turn that cannot get
  // its memory leaves the stored orientation.
  if (!stream && s.AutoRotate && !doc.m_exifBlock.empty())
    ApplyOrientation(orientation, width, height, rows, width, height);
  doc.m_strCodecInfo = DescribeShown(description, width, height, job.scaleNum, &doc.m_bGrayscale);
  doc.m_nBitsPerSample = 8;

  doc.m_pBitmap->Release();
  if (stream) return 1;
  if (!MakeDisplayBitmap(*doc.m_pBitmap, width, height, std::move(rows), display)) return fail(LOADERR_MEMORY);
  if (sink) {
    const bool taken = HandOver(*doc.m_pBitmap, *sink);
    doc.m_pBitmap->Release();
    if (!taken) return fail(LOADERR_MEMORY);
  }
  return 1;
}

} // namespace

int CImageDoc::ReadJpeg(const std::string& path) { return ReadJpegInto(*this, path, nullptr); }

int LoadJpegRows(CImageDoc& doc, const std::string& path, IDecodedRows& rows) {
  // The steps of CImageDoc::Load.
  doc.ClearImage();
  doc.DeleteTempFiles();
  doc.m_comments.clear();
  doc.m_nCurrentComment = -1;
  doc.m_colorTable.clear();
  doc.m_pBitmap->Release();
  const size_t dot = FindExtension(path);
  if (dot == kNoPosition) return 0;
  doc.m_nFileType = FormatFromExtension(path.substr(dot));
  CConverterApp& app = doc.App();
  app.UnregisterDocumentId(doc.m_nDocumentId);
  doc.m_nDocumentId = app.NewDocumentId();
  app.RegisterDocumentId(doc.m_nDocumentId);
  if (doc.m_nFileType != FT_JPEG) return 0;
  const int ok = ReadJpegInto(doc, path, &rows);
  if (ok) {
    doc.m_strDescription = doc.m_strCodecInfo;
    doc.m_strPathName = path;
    if (doc.m_comments.empty()) doc.AddDefaultComment();
  }
  return ok;
}

namespace {

// The encoder's memory for streams made in memory, kept per thread.
PixelBytes& EncoderScratch() {
  thread_local PixelBytes bytes;
  return bytes;
}

// The stream's bytes out of the scratch memory, which is let go after a
// stream larger than photos of the device's size make.
void TakeStream(PixelBytes& scratch, size_t size, std::vector<uint8_t>& out) {
  out.assign(scratch.begin(), scratch.begin() + static_cast<ptrdiff_t>(size));
  if (scratch.capacity() > (size_t{8} << 20)) PixelBytes().swap(scratch);
}

// The APP1 payload: "Exif\0\0", the fixed template with the thumbnail's
// length patched in, then the thumbnail stream itself.
std::vector<uint8_t> ExifSegmentWith(const std::vector<uint8_t>& thumb) {
  const std::vector<uint8_t> tiff = BuildExifTemplate(static_cast<uint32_t>(thumb.size()));
  std::vector<uint8_t> app1;
  app1.reserve(6 + tiff.size() + thumb.size());
  app1.insert(app1.end(), {'E', 'x', 'i', 'f', 0, 0});
  app1.insert(app1.end(), tiff.begin(), tiff.end());
  app1.insert(app1.end(), thumb.begin(), thumb.end());
  return app1;
}

// The current comment in the character set it is written in; false when
// the document writes none.
bool CommentBytesOf(const CImageDoc& doc, const CSettings& s, std::string& bytes) {
  const CCommentRecord* comment = doc.m_bComment ? doc.CurrentComment() : nullptr;
  if (!comment) return false;
  bytes = CommentFromInternal(comment->text, s.AutoWriteCharset ? comment->charset : s.WriteCharset);
  return true;
}

constexpr size_t kMaxCommentBytes = 65533;

} // namespace

namespace {
constexpr char kThumbnailSuffix[] = "__thumb";
constexpr char kThumbnailExtension[] = ".jpg__thumb";
constexpr size_t kThumbnailExtensionLength = sizeof kThumbnailExtension - 1;
} // namespace

std::string ThumbnailPathOf(const std::string& jpgPath) { return jpgPath + kThumbnailSuffix; }

bool IsThumbnailPath(const std::string& path, std::string* jpgPath) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || path.compare(dot, kThumbnailExtensionLength, kThumbnailExtension) != 0 ||
      path.size() - dot < kThumbnailExtensionLength)
    return false;
  if (jpgPath) *jpgPath = path.substr(0, dot) + ".jpg";
  return true;
}

namespace {

// The document's image encoded into `file` with the device's settings.
// The stream into the first memorySize bytes of `memory`.
int CompressDocument(CImageDoc& doc, const std::vector<uint8_t>* app1, const std::string* comment, PixelBytes& memory,
                     size_t& memorySize) {
  const CSettings& s = doc.App().m_settings;
  const CDibBitmap& bmp = *doc.m_pBitmap;
  WriteJob job;
  std::memset(&job, 0, sizeof job);
  InstallErrorManager(job.err, &doc.App().Messages());
  job.cinfo.err = &job.err.pub;
  job.memory = &memory;
  job.width = bmp.Width();
  job.height = bmp.Height();
  job.bits = bmp.Bits();
  job.stride = static_cast<long>(bmp.Stride());
  job.quality = s.Param1;
  SamplingOf(s.Param2, job.hSamp, job.vSamp);
  job.densityUnit = s.ResolutionUnit;
  job.xDensity = s.ResolutionH;
  job.yDensity = s.ResolutionV;
  job.restartPerRow = s.IncludeRST != 0;
  // Custom tables are clamped to 1..255: 0 would divide by zero in the
  // encoder and larger values do not fit a baseline table.
  uint16_t custom[2][64];
  if (doc.m_bCustomDqt) {
    for (int t = 0; t < 2; ++t) {
      for (int i = 0; i < 64; ++i) {
        uint16_t v = doc.m_dqt[t][static_cast<size_t>(i)];
        custom[t][i] = v == 0 ? 1 : (v > 255 ? 255 : v);
      }
      job.customTables[t] = custom[t];
    }
  }
  if (app1) {
    job.app1 = app1->data();
    job.app1Length = static_cast<unsigned>(app1->size());
  }
  if (comment) {
    job.hasComment = true;
    job.comment = reinterpret_cast<const uint8_t*>(comment->data());
    job.commentLength = static_cast<unsigned>(comment->size());
  }
  JpegDescriptionInput description;
  job.description = &description;
  const bool ok = WriteStream(&job);
  if (ok) doc.m_strCodecInfo = DescribeJpegText(description);
  memorySize = ok ? job.memorySize : 0;
  if (job.created) jpeg_destroy_compress(&job.cinfo);
  if (!ok) {
    doc.m_nLoadError = LOADERR_LIBRARY;
    doc.m_strCodecError = job.err.message;
    doc.m_nWriteFailure = WRITE_FAILED;
  }
  return ok ? 1 : 0;
}

} // namespace

int CImageDoc::EncodeThumbnail(std::vector<uint8_t>& stream) {
  m_strCodecError.clear();
  m_nWriteFailure = WRITE_FAILED;
  m_app.ResetEncoderChoices();
  if (m_pBitmap->IsEmpty()) return 0;
  std::string commentBytes;
  bool withComment = CommentBytesOf(*this, m_app.m_settings, commentBytes) && commentBytes.size() <= kMaxCommentBytes;
  PixelBytes& scratch = EncoderScratch();
  for (;;) {
    size_t size = 0;
    if (!CompressDocument(*this, nullptr, withComment ? &commentBytes : nullptr, scratch, size)) return 0;
    TakeStream(scratch, size, stream);
    // The stream is embedded in a 16-bit segment: a comment that would
    // overflow it stays in the main image only.
    if (!withComment || stream.size() <= kMaxThumbnailBytes) break;
    withComment = false;
  }
  m_nWriteFailure = WRITE_OK;
  return 1;
}

int EncodeDeviceJpeg(CImageDoc& doc, const std::string& path, const std::vector<uint8_t>* thumbnail,
                     std::vector<uint8_t>& bytes) {
  doc.m_strCodecError.clear();
  doc.m_nWriteFailure = WRITE_UNFIT;
  CConverterApp& app = doc.App();
  app.ResetEncoderChoices();
  if (doc.m_pBitmap->IsEmpty()) return 0;

  std::vector<uint8_t> app1;
  if (thumbnail) {
    if (thumbnail->size() > kMaxThumbnailBytes) {
      ShowFileError(app.Messages(), "Save", path, "The thumbnail is too large for the Exif segment.");
      return 0;
    }
    app1 = ExifSegmentWith(*thumbnail);
  }
  std::string commentBytes;
  const bool withComment = CommentBytesOf(doc, app.m_settings, commentBytes);
  if (withComment && commentBytes.size() > kMaxCommentBytes) {
    ShowFileError(app.Messages(), "Save", path, "The comment is too long for a JPEG file.");
    return 0;
  }
  doc.m_nWriteFailure = WRITE_FAILED;
  PixelBytes& scratch = EncoderScratch();
  size_t size = 0;
  if (!CompressDocument(doc, thumbnail ? &app1 : nullptr, withComment ? &commentBytes : nullptr, scratch, size))
    return 0;
  TakeStream(scratch, size, bytes);
  doc.m_nWriteFailure = WRITE_OK;
  return 1;
}

int CImageDoc::WriteDeviceJpeg(const std::string& path, const std::vector<uint8_t>* thumbnail) {
  std::vector<uint8_t> bytes;
  if (!EncodeDeviceJpeg(*this, path, thumbnail, bytes)) return 0;
  // Written beside the target, which is replaced only when the file is whole.
  m_nWriteFailure = WRITE_FAILED;
  CReplacingFile out;
  if (!out.Open(path) || !out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
    m_strCodecError = std::strerror(errno);
    return 0;
  }
  m_nFileSize = static_cast<int64_t>(bytes.size());
  m_nWriteFailure = WRITE_OK;
  return 1;
}

int CImageDoc::WriteJpeg(const std::string& requestedPath) {
  m_app.ResetEncoderChoices();
  std::string path;
  if (IsThumbnailPath(requestedPath, &path)) {
    // The bare stream, as a later normal-mode save at `path` embeds it.
    std::vector<uint8_t> stream;
    if (!EncodeThumbnail(stream)) return 0;
    m_nWriteFailure = WRITE_FAILED;
    CReplacingFile out;
    if (!out.Open(path) || !out.Write(stream.data(), stream.size()) || !out.Commit()) {
      m_strCodecError = std::strerror(errno);
      return 0;
    }
    m_nFileSize = static_cast<int64_t>(stream.size());
    m_nWriteFailure = WRITE_OK;
    return 1;
  }
  // Normal mode: whatever lies at the output path is the thumbnail.
  if (m_pBitmap->IsEmpty()) return 0;
  std::vector<uint8_t> thumb;
  const bool hasThumb = access(requestedPath.c_str(), F_OK) == 0;
  if (hasThumb && !ReadWholeFile(requestedPath, thumb)) {
    ShowFileError(m_app.Messages(), "Save", requestedPath, "Can't read the thumbnail.");
    return 0;
  }
  return WriteDeviceJpeg(requestedPath, hasThumb ? &thumb : nullptr);
}

} // namespace qv
