#pragma once
// The segment list of a JPEG file (and the chunk list of a PNG file): parse,
// write back, replace a file safely, and the names of the marker codes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "jpegmeta/JpegSegment.h"
#include "jpegmeta/SegmentFile.h"

namespace qv {

class IMessageSink;

// Appends the records of a JPEG read from offset 0 up to the end of EOI.
// Never fails: a broken or short segment ends the list. Returns 1.
int ParseJpeg(CSegmentFile& source, SegmentList& list);
// The same over bytes in memory without copying them: the marker segment
// records point into `data`, which must stay unchanged while the list lives.
// RSTn markers are left inside the data runs around them (a tool that only
// edits the segments between scans needs no record of each), so a scan is
// one run.
int ParseJpegInPlace(const uint8_t* data, size_t size, SegmentList& list);
// Appends one CPngChunk per chunk up to IEND; the source is placed after the
// 8-byte signature. Returns 1.
int ParsePng(CSegmentFile& source, SegmentList& list);
// True when the 8 bytes are the PNG signature.
bool IsPngSignature(const uint8_t* bytes, size_t size);

// Writes the list: in-memory records from their data, source records copied
// from `source`, dropped source records skipped. The destination is written
// beside itself under a temporary name and renamed into place only when
// complete. 1 on success, 0 on failure.
int WriteSegments(const std::string& sourcePath, const std::string& destPath, const SegmentList& list);
// The same onto an open stream; the source must be at offset 0.
int WriteSegments(CSegmentFile& source, FILE* dest, const SegmentList& list);

// Replaces `targetPath` with the content of `newPath` (which stays where it
// is). The target always holds either its old or its new content; failures
// are reported through the sink ("Rename", "MoveTemp").
bool ReplaceFile(const std::string& newPath, const std::string& targetPath, IMessageSink& sink);

// "SOF0  (Baseline DCT/Huffman)" ... "COM   (Comment)" for codes 0xC0-0xFE,
// else null.
const char* MarkerName(int code);

// The TIFF block of an Exif APP1 record: the bytes after "Exif\0\0", as many
// as the length field announces. False for anything else.
bool ExifBlockOf(const CJpegSegment& app1, const uint8_t*& block, size_t& size);
// The first APP1 record of the list (Exif or not), or null.
const CJpegSegment* FirstApp1(const SegmentList& list);

} // namespace qv
