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

#include "command_line.h"
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
  std::string decimal = ".";
  std::string file;
  vestrel::cli::CommandLine line(
      "Decodes one DDE poke's XLTable bytes, or every poke of a recording, with the panel's "
      "decoder.",
      "xltable-dump");
  CLI::App& app = line.App();
  app.footer(
      "Exit codes: 0 decoded (a recording: listed whole), 1 the decode failed (a\n"
      "recording: it ends inside a poke), 2 rejected: no table header, 3 bad arguments\n"
      "or an unreadable FILE.");
  app.add_option("--decimal", decimal, "the decimal separator of number cells")
      ->type_name("SEP")
      ->capture_default_str();
  app.add_option("FILE", file, "a poke's bytes or a recording (default, or -: standard input)")
      ->type_name("");
  const vestrel::cli::ParseResult parsed = line.Parse(vestrel::cli::ArgumentsOf(argc, argv));
  if (!parsed.Error.empty()) {
    return Usage(parsed.Error.c_str());
  }
  if (parsed.Help) {
    std::fputs(line.Help().c_str(), stdout);
    return kDecoded;
  }
  if (decimal.size() != 1) {
    return Usage("--decimal needs a single character");
  }
  const char separator = decimal[0];
  const char* path = file.empty() ? nullptr : file.c_str();

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
