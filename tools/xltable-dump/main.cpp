// xltable-dump: decodes one DDE poke's XLTable bytes with the panel's decoder
// and prints the table, or every poke of a recording.
//
//   xltable-dump [--decimal SEP] [FILE]
//
// Reads FILE, or standard input when FILE is absent or "-". Prints
// "rows=R cols=C" and one line per row 1..R with its cells joined by tabs, and
// exits 0; prints "rejected" and exits 2 when the data does not start with a
// table header; prints "error N: SOURCE" on standard error and exits 1 when
// the decode fails. Bad arguments or an unreadable FILE exit 3. The decoder's
// own log lines (unknown block types) go to standard error.
//
// A recording (poke_recording.h) prints, for every poke N, a line
// "# poke N at YYYY-MM-DD hh:mm:ss.ffffff item ITEM bytes B" (its arrival time,
// UTC) and then what that poke alone would print, all on standard output, in
// order; it exits 0, or 1 after the whole pokes when the file ends inside one
// (said on standard error), or 3 when it is not a recording this tool reads.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <span>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "common/app_error.h"
#include "dde/xltable_decoder.h"
#include "quiet_ports.h"
#include "recording/poke_recording.h"

namespace {

constexpr int kDecoded = 0;
constexpr int kFailed = 1;
constexpr int kRejected = 2;
constexpr int kUsage = 3;

int Usage(const char* problem) {
  if (problem != nullptr) {
    std::fprintf(stderr, "xltable-dump: %s\n", problem);
  }
  std::fputs("usage: xltable-dump [--decimal SEP] [FILE]\n", stderr);
  return kUsage;
}

bool ReadAll(std::FILE* stream, std::vector<std::uint8_t>& bytes) {
  std::uint8_t buffer[1 << 16];
  std::size_t count = 0;
  while ((count = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
    bytes.insert(bytes.end(), buffer, buffer + count);
  }
  return std::ferror(stream) == 0;
}

void PrintTable(const vestrel::DecodedTable& table) {
  std::printf("rows=%d cols=%d\n", table.Rows(), table.Columns());
  for (std::int32_t row = 1; row <= table.Rows(); ++row) {
    for (std::int32_t column = 1; column <= table.Columns(); ++column) {
      if (column > 1) {
        std::fputc('\t', stdout);
      }
      const std::string& text = table.Cell(row, column);
      std::fwrite(text.data(), 1, text.size(), stdout);
    }
    std::fputc('\n', stdout);
  }
}

// Decodes one poke and prints it as described above; the error line and the
// decoder's own lines go to errors.
int DumpPoke(std::span<const std::uint8_t> bytes, char separator, std::FILE* errors) {
  vestrel::tools::QuietLogServices services(errors, separator);
  bool handedOver = false;
  vestrel::XLTableDecoder decoder(
      services.Log, services.AppLog, services.Regional,
      [&](std::int32_t /*instance*/, const vestrel::DecodedTable& /*table*/) {
        handedOver = true;
      });
  std::int32_t instance = 0;
  try {
    decoder.Decode(instance, bytes);
  } catch (const vestrel::AppError& error) {
    std::fprintf(errors, "error %d: %s\n", error.Number, error.Source.c_str());
    return kFailed;
  }
  // A fresh decoder has no table until it accepts a header.
  if (!handedOver || !decoder.Table().HasBounds()) {
    std::puts("rejected");
    return kRejected;
  }
  PrintTable(decoder.Table());
  return kDecoded;
}

int DumpRecording(std::span<const std::uint8_t> bytes, char separator, const char* name) {
  vestrel::Recording recording;
  try {
    recording = vestrel::ReadRecording(bytes);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "xltable-dump: %s: %s\n", name, error.what());
    return kUsage;
  }
  std::size_t number = 0;
  for (const vestrel::RecordedPoke& poke : recording.Pokes) {
    std::printf("# poke %zu at %s item %s bytes %zu\n", ++number,
                vestrel::FormatUtcMicroseconds(poke.UtcMicroseconds).c_str(), poke.Item.c_str(),
                poke.Data.size());
    DumpPoke(poke.Data, separator, stdout);
  }
  if (std::fflush(stdout) != 0) {
    return kFailed;
  }
  if (!recording.CutShort.empty()) {
    std::fprintf(stderr, "xltable-dump: %s: %s\n", name, recording.CutShort.c_str());
    return kFailed;
  }
  return kDecoded;
}

}  // namespace

int main(int argc, char** argv) {
  char separator = '.';
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--help" || argument == "-h") {
      Usage(nullptr);
      return kDecoded;
    }
    if (argument == "--decimal") {
      if (i + 1 >= argc || std::strlen(argv[i + 1]) != 1) {
        return Usage("--decimal needs a single character");
      }
      separator = argv[++i][0];
    } else if (argument.size() > 1 && argument[0] == '-') {
      return Usage(("unknown option " + argument).c_str());
    } else if (path != nullptr) {
      return Usage("only one FILE may be given");
    } else {
      path = argv[i];
    }
  }

#ifdef _WIN32
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::vector<std::uint8_t> bytes;
  if (path == nullptr || std::strcmp(path, "-") == 0) {
    if (!ReadAll(stdin, bytes)) {
      std::fputs("xltable-dump: cannot read standard input\n", stderr);
      return kUsage;
    }
  } else {
    std::FILE* file = std::fopen(path, "rb");
    const bool read = file != nullptr && ReadAll(file, bytes);
    if (file != nullptr) {
      std::fclose(file);
    }
    if (!read) {
      std::fprintf(stderr, "xltable-dump: cannot read %s: %s\n", path, std::strerror(errno));
      return kUsage;
    }
  }

  if (vestrel::StartsAsRecording(bytes)) {
    return DumpRecording(bytes, separator, path != nullptr ? path : "standard input");
  }
  const int result = DumpPoke(bytes, separator, stderr);
  return std::fflush(stdout) == 0 ? result : kFailed;
}
