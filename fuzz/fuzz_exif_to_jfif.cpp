// The bulk filter's Exif-to-JFIF conversion on arbitrary bytes, written back
// and parsed again: the output must be the kept records in order, each whole,
// and the new segments' length fields must describe them.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/Settings.h"
#include "FuzzWrite.h"
#include "jpegmeta/BulkFilter.h"
#include "jpegmeta/Charset.h"
#include "jpegmeta/SegmentList.h"
#include "platform/MessageSink.h"

namespace {

// One filter per knob value: bit 0 English summary lines, bits 1-2 the
// charset user comments are written in. Made once; the conversion is const.
const qv::CBulkFilter& FilterFor(uint8_t knob) {
  static qv::CSilentMessageSink sink;
  static std::vector<std::unique_ptr<qv::CSettings>> apps;
  static std::vector<std::unique_ptr<qv::CBulkFilter>> filters;
  if (filters.empty()) {
    const int charsets[4] = {-1, qv::CS_JIS, qv::CS_EUCJP, qv::CS_UTF8};
    for (int k = 0; k < 8; ++k) {
      auto app = std::make_unique<qv::CSettings>();
      app->AutoWriteCharset = charsets[k >> 1] < 0;
      if (charsets[k >> 1] >= 0) app->WriteCharset = charsets[k >> 1];
      qv::CBulkFilterSettings s;
      s.ConvertExif = 1;
      s.ExifGenCmt = 1;
      s.ExifGenEng = k & 1;
      s.ExifUserCmt = 1;
      filters.push_back(std::make_unique<qv::CBulkFilter>(*app, sink, s));
      apps.push_back(std::move(app));
    }
  }
  return *filters[knob & 7];
}

bool LengthFieldFits(const qv::CJpegSegment& rec) {
  return rec.m_nLength >= 4 && rec.m_nLength <= 65537 && rec.LengthField() == rec.m_nLength - 2;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qv::SegmentList list = qv::fuzz::ParseSmallBuffered(data, size);

  const uint8_t knob = size ? data[size / 2] : 0;
  const int converted = FilterFor(knob).ExifToJfif(list);

  // What the write must give back, in order.
  std::vector<const qv::CJpegSegment*> kept;
  int dropped = 0, added = 0;
  for (const auto& rec : list) {
    if (rec->Has(qv::SF_DROP)) {
      ++dropped;
      if (rec->MarkerCode() != 0xE1) __builtin_trap();
      continue;
    }
    if (!rec->Has(qv::SF_SOURCE)) {
      ++added;
      if (!LengthFieldFits(*rec)) __builtin_trap();
      const int code = rec->MarkerCode();
      if (code == 0xE0 && (rec->m_nLength != 18 || std::memcmp(rec->m_pData + 4, "JFIF\0", 5) != 0)) __builtin_trap();
      if (code != 0xE0 && code != 0xFE) __builtin_trap();
    }
    kept.push_back(rec.get());
  }
  if (converted ? (dropped != 1 || added < 1 || added > 2) : (dropped != 0 || added != 0)) __builtin_trap();

  std::string out;
  int ok = 0;
  if (!qv::fuzz::WriteToMemory(data, size, list, out, &ok)) return 0;
  if (ok != 1) __builtin_trap();
  const size_t outSize = out.size();

  qv::CSegmentFile written(64);
  written.OpenMemory(reinterpret_cast<const uint8_t*>(out.data()), outSize);
  qv::SegmentList back;
  qv::ParseJpeg(written, back);
  written.Close();

  // The records tile the output and match the kept ones one by one. A run of
  // bytes that was cut off by a broken segment ends the output with no marker
  // after it, and a parse makes no record of such bytes.
  int64_t tail = 0;
  if (!kept.empty() && kept.back()->Has(qv::SF_NOT_LOADED)) {
    tail = kept.back()->m_nLength;
    kept.pop_back();
  }
  if (back.size() != kept.size()) __builtin_trap();
  int64_t covered = 0;
  size_t i = 0;
  for (const auto& rec : back) {
    const qv::CJpegSegment& want = *kept[i++];
    if (rec->m_nOffset != covered || rec->m_nLength != want.m_nLength) __builtin_trap();
    if (rec->MarkerCode() != want.MarkerCode()) __builtin_trap();
    const uint8_t* wantBytes = want.Has(qv::SF_NOT_LOADED) ? data + want.m_nOffset : want.m_pData;
    if (std::memcmp(out.data() + covered, wantBytes, static_cast<size_t>(want.m_nLength)) != 0) __builtin_trap();
    covered += rec->m_nLength;
  }
  if (covered + tail != static_cast<int64_t>(outSize)) __builtin_trap();
  return 0;
}
