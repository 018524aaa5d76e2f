#include "recording/poke_recording.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <stdexcept>

namespace vestrel {
namespace {

constexpr std::array<std::uint8_t, 8> kMagic{0x89, 'P', 'O', 'K', 'E', 'S', '\r', '\n'};

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  }
}

std::uint64_t GetLittleEndian(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
  std::uint64_t value = 0;
  for (int i = count - 1; i >= 0; --i) {
    value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  }
  return value;
}

std::uint32_t VersionOf(std::span<const std::uint8_t> header) {
  return static_cast<std::uint32_t>(GetLittleEndian(header, kMagic.size(), 4));
}

std::string VersionProblem(std::uint32_t version) {
  return "it is a recording of version " + std::to_string(version) +
         "; this program reads and writes version " + std::to_string(kRecordingVersion);
}

Recording ReadBinary(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kRecordingHeaderSize) {
    throw std::runtime_error("the recording's header is cut short");
  }
  Recording recording;
  recording.Version = VersionOf(bytes);
  if (recording.Version != kRecordingVersion) {
    throw std::runtime_error(VersionProblem(recording.Version));
  }
  std::size_t at = kRecordingHeaderSize;
  while (at < bytes.size()) {
    const std::size_t left = bytes.size() - at;
    const auto cutShort = [&] {
      recording.CutShort =
          "the file ends inside poke " + std::to_string(recording.Pokes.size() + 1) + ", " +
          std::to_string(left) + " bytes after poke " + std::to_string(recording.Pokes.size());
    };
    if (left < kPokeRecordHeaderSize) {
      cutShort();
      break;
    }
    const auto itemSize = static_cast<std::size_t>(GetLittleEndian(bytes, at + 8, 2));
    const auto dataSize = static_cast<std::size_t>(GetLittleEndian(bytes, at + 10, 4));
    if (left - kPokeRecordHeaderSize < itemSize ||
        left - kPokeRecordHeaderSize - itemSize < dataSize) {
      cutShort();
      break;
    }
    RecordedPoke& poke = recording.Pokes.emplace_back();
    poke.UtcMicroseconds = static_cast<std::int64_t>(GetLittleEndian(bytes, at, 8));
    const auto item = bytes.subspan(at + kPokeRecordHeaderSize, itemSize);
    poke.Item.assign(item.begin(), item.end());
    const auto data = bytes.subspan(at + kPokeRecordHeaderSize + itemSize, dataSize);
    poke.Data.assign(data.begin(), data.end());
    at += kPokeRecordHeaderSize + itemSize + dataSize;
  }
  return recording;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

[[noreturn]] void FailLine(std::size_t line, const std::string& problem) {
  throw std::runtime_error("line " + std::to_string(line) + ": " + problem);
}

Recording ReadText(std::string_view text) {
  Recording recording;
  recording.Version = 1;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    if (line.empty() || line.front() == '#') {
      continue;
    }
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos) {
      FailLine(number, "no tab between the item and the data");
    }
    const std::string_view hex = line.substr(tab + 1);
    if (hex.size() % 2 != 0) {
      FailLine(number, "the data has an odd number of hexadecimal digits");
    }
    RecordedPoke& poke = recording.Pokes.emplace_back();
    poke.Item = std::string(line.substr(0, tab));
    poke.Data.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
      const int high = DigitValue(hex[i]);
      const int low = DigitValue(hex[i + 1]);
      if (high < 0 || low < 0) {
        FailLine(number, "the data is not hexadecimal");
      }
      poke.Data.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
  }
  return recording;
}

}  // namespace

std::vector<std::uint8_t> RecordingHeader() {
  std::vector<std::uint8_t> header(kMagic.begin(), kMagic.end());
  PutLittleEndian(header, kRecordingVersion, 4);
  return header;
}

void AppendPokeRecord(std::vector<std::uint8_t>& out, std::int64_t utcMicroseconds,
                      std::string_view item, std::span<const std::uint8_t> data) {
  if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("a poke of 4 GiB or more cannot be recorded");
  }
  item = item.substr(0, std::min(item.size(), kMaxRecordedItemSize));
  PutLittleEndian(out, static_cast<std::uint64_t>(utcMicroseconds), 8);
  PutLittleEndian(out, item.size(), 2);
  PutLittleEndian(out, data.size(), 4);
  out.insert(out.end(), item.begin(), item.end());
  out.insert(out.end(), data.begin(), data.end());
}

bool StartsAsRecording(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= kMagic.size() && std::equal(kMagic.begin(), kMagic.end(), bytes.begin());
}

std::string AppendProblem(std::span<const std::uint8_t> start) {
  if (start.empty()) {
    return {};
  }
  if (!StartsAsRecording(start)) {
    return "it is not a version " + std::to_string(kRecordingVersion) + " recording of pokes";
  }
  if (start.size() < kRecordingHeaderSize) {
    return "the recording's header is cut short";
  }
  const std::uint32_t version = VersionOf(start);
  return version == kRecordingVersion ? std::string() : VersionProblem(version);
}

std::uint64_t EndOfWholePokes(
    std::uint64_t size,
    const std::function<std::vector<std::uint8_t>(std::uint64_t offset, std::size_t count)>&
        readAt) {
  // Read in blocks, so that a long recording of small pokes costs few reads.
  constexpr std::size_t kBlock = std::size_t{1} << 20;
  std::vector<std::uint8_t> block;
  std::uint64_t blockStart = 0;
  std::uint64_t at = kRecordingHeaderSize;
  while (at < size) {
    if (size - at < kPokeRecordHeaderSize) {
      return at;
    }
    if (at < blockStart || at + kPokeRecordHeaderSize > blockStart + block.size()) {
      block = readAt(at, kBlock);
      blockStart = at;
      if (block.size() < kPokeRecordHeaderSize) {
        return at;  // the file shrank under us: keep what was seen whole
      }
    }
    const auto header = std::span(block).subspan(static_cast<std::size_t>(at - blockStart));
    const std::uint64_t itemSize = GetLittleEndian(header, 8, 2);
    const std::uint64_t dataSize = GetLittleEndian(header, 10, 4);
    const std::uint64_t next = at + kPokeRecordHeaderSize + itemSize + dataSize;
    if (next > size) {
      return at;
    }
    at = next;
  }
  return std::min(at, size);
}

Recording ReadRecording(std::span<const std::uint8_t> bytes) {
  if (StartsAsRecording(bytes)) {
    return ReadBinary(bytes);
  }
  // Control bytes never stand in the text format, and every recording has
  // them (its version, its times): a recording whose mark was damaged.
  const auto start = bytes.first(std::min<std::size_t>(bytes.size(), 4096));
  if (std::any_of(start.begin(), start.end(), [](std::uint8_t byte) {
        return (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') || byte == 0x7F;
      })) {
    throw std::runtime_error(
        "it is not a recording of pokes: it does not begin with the mark 89 50 4F 4B 45 53 0D 0A "
        "(damaged, or copied as text), nor is it a text file of pokes");
  }
  return ReadText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string FormatUtcMicroseconds(std::int64_t utcMicroseconds) {
  constexpr std::int64_t kPerDay = 86'400'000'000;
  std::int64_t days = utcMicroseconds / kPerDay;
  std::int64_t rest = utcMicroseconds % kPerDay;
  if (rest < 0) {
    rest += kPerDay;
    --days;
  }
  // The civil date of a day count (Howard Hinnant's days_from_civil, inverted).
  const std::int64_t shifted = days + 719468;
  const std::int64_t era = (shifted >= 0 ? shifted : shifted - 146096) / 146097;
  const std::int64_t dayOfEra = shifted - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  const std::int64_t seconds = rest / 1'000'000;
  std::array<char, 48> text{};
  std::snprintf(text.data(), text.size(), "%04lld-%02lld-%02lld %02lld:%02lld:%02lld.%06lld",
                static_cast<long long>(year), static_cast<long long>(month),
                static_cast<long long>(day), static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                static_cast<long long>(rest % 1'000'000));
  return text.data();
}

}  // namespace vestrel
