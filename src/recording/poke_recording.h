#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vestrel {

// One poke as the panel received it (or termsim sent it): when, to which item,
// and its bytes.
struct RecordedPoke {
  // Arrival time, microseconds since 1970-01-01 00:00:00 UTC; 0 in a file of
  // the older text format, which holds no times.
  std::int64_t UtcMicroseconds = 0;
  std::string Item;
  std::vector<std::uint8_t> Data;
  bool operator==(const RecordedPoke&) const = default;
};

// A recording of pokes (version 2): a header of 12 bytes, the magic
// 89 50 4F 4B 45 53 0D 0A ("\x89POKES\r\n") and the version as a 32-bit
// little-endian number, then one record per poke, in the order they arrived:
//
//   arrival time   8 bytes  signed, microseconds since 1970-01-01 UTC
//   item length    2 bytes  unsigned
//   data length    4 bytes  unsigned
//   item           the item's text (UTF-8), item length bytes
//   data           the poke's bytes, data length bytes
//
// every number little-endian. A file is appended to for as long as it is
// recorded to; the high first byte and the line break in the magic show a
// file mangled in transfer as text.
//
// Version 1 is the older text format: one poke a line, the item, a tab and the
// data in hexadecimal digits (two a byte, no separators); lines end with LF (a
// CR before it is ignored); empty lines and lines beginning '#' are skipped.
// It is read (without times) but never written.
inline constexpr std::uint32_t kRecordingVersion = 2;
inline constexpr std::size_t kRecordingHeaderSize = 12;
inline constexpr std::size_t kPokeRecordHeaderSize = 14;
inline constexpr std::size_t kMaxRecordedItemSize = 0xFFFF;

// The header a recording starts with.
std::vector<std::uint8_t> RecordingHeader();

// Appends the record of one poke. An item longer than kMaxRecordedItemSize
// keeps its first kMaxRecordedItemSize bytes; data of 4 GiB or more throws
// std::length_error.
void AppendPokeRecord(std::vector<std::uint8_t>& out, std::int64_t utcMicroseconds,
                      std::string_view item, std::span<const std::uint8_t> data);

// True when the bytes begin with the recording magic, of any version.
bool StartsAsRecording(std::span<const std::uint8_t> bytes);

// Why a file that begins with these bytes (its whole content when shorter than
// a header) cannot be appended to as a recording; empty when it can: an empty
// file (which then takes a header first) or a recording of this version.
std::string AppendProblem(std::span<const std::uint8_t> start);

// Where the last whole poke of a recording of size bytes ends: size itself
// when the file ends with a whole poke (or holds no more than a header), less
// when a power cut or a partial copy left a poke cut short after it. readAt
// gives count bytes from offset on, fewer where the file ends; only the
// records' headers are read.
std::uint64_t EndOfWholePokes(
    std::uint64_t size,
    const std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t count)>&
        readAt);

struct Recording {
  std::uint32_t Version = 0;
  std::vector<RecordedPoke> Pokes;
  // Not empty when the file ends inside a record: the pokes before it are
  // whole (a recording still being written, or one whose disk failed).
  std::string CutShort;
};

// Reads a whole file: a recording, or the older text format. A file that is
// neither, or a recording of another version, throws std::runtime_error
// saying why (for the text format, naming the line; for a file with binary
// bytes, that it is not a recording).
Recording ReadRecording(std::span<const std::uint8_t> bytes);

// "YYYY-MM-DD hh:mm:ss.ffffff", UTC.
std::string FormatUtcMicroseconds(std::int64_t utcMicroseconds);

}  // namespace vestrel
