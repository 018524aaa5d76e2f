// A long stream of malformed pokes among valid books, as a broken or hostile
// DDE client could send them: the panel must keep serving, show every valid
// book right, keep its memory flat and account for every failed poke in the
// day's text log (each distinct record whole, repeats counted). Then a flood
// of one refused poke, as a feed gone wrong sends it. Bounded in time; prints
// what each kind of poke cost.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <set>

#include "harness/automation_ids.h"
#include "harness/panel_session.h"

namespace vestrel::e2e {
namespace {

constexpr int kMaxPokes = 3000;
constexpr auto kTimeBudget = 40s;  // the whole test stays well under a minute
// A leak of a few hundred bytes a poke passes this over the run.
constexpr std::size_t kMemoryGrowthLimit = 1U << 20U;

enum class Kind {
  Valid,               // a book: shown
  UnknownBlock,        // a book with a block of an unknown type inside: shown
  MisplacedHeader,     // a book with a second table header between blocks: shown
  BlocksBeforeHeader,  // the header after the first block: not a table, nothing changes
  RandomBytes,         // not a table: nothing changes
  Truncated,           // a book cut short: refused, logged
  HugeHeader,          // 65535 rows or columns announced, a book's cells sent: refused, logged
  RandomBody,          // a table header, then noise: refused, logged
};
constexpr std::array kKindNames = {
    "valid",        "unknown block", "misplaced header", "blocks before header",
    "random bytes", "truncated",     "huge header",      "random body"};

bool IsShown(Kind kind) {
  return kind == Kind::Valid || kind == Kind::UnknownBlock || kind == Kind::MisplacedHeader;
}
bool IsRefused(Kind kind) {
  return kind == Kind::Truncated || kind == Kind::HugeHeader || kind == Kind::RandomBody;
}

// The six captions a book puts on the panel, by control ID.
using Captions = std::map<int, std::wstring>;

Captions Read(HWND window) {
  Captions captions;
  for (const int id : {contract::kCmdMaxBid, contract::kCmdBestBid, contract::kCmdBestAsk,
                       contract::kCmdMaxAsk, contract::kLabel5, contract::kLabel6}) {
    captions[id] = Caption(window, id);
  }
  return captions;
}

// A book of n sell levels above n buy levels, whole prices; each level's
// other side is an empty cell, as the terminal sends it.
std::vector<Level> RandomBook(std::mt19937& random) {
  const int levels = std::uniform_int_distribution(1, 50)(random);
  const int tick = std::array{1, 5, 10, 25}[std::uniform_int_distribution(0, 3)(random)];
  const int top = std::uniform_int_distribution(200, 20000)(random) * tick;
  auto volume = [&] { return static_cast<double>(std::uniform_int_distribution(1, 500)(random)); };
  std::vector<Level> book;
  for (int i = 0; i < 2 * levels; ++i) {
    const double price = top - i * tick;
    book.push_back(i < levels ? Level{volume(), price, 0} : Level{0, price, volume()});
  }
  return book;
}

// What the panel must show for a book: the best prices beside the spread,
// and on each side the first level of the largest volume.
Captions Expected(const std::vector<Level>& book) {
  const std::size_t half = book.size() / 2;
  Captions c;
  auto largest = [&](std::size_t from, double Level::*volume, int priceId, int sizeId) {
    double best = 0;
    double bestPrice = 0;
    for (std::size_t i = from; i < from + half; ++i) {
      if (book[i].*volume > best) {
        best = book[i].*volume;
        bestPrice = book[i].Price;
      }
    }
    c[priceId] = std::to_wstring(static_cast<long>(bestPrice));
    c[sizeId] = std::to_wstring(static_cast<long>(best));
  };
  largest(0, &Level::SellVolume, contract::kCmdMaxBid, contract::kLabel5);
  largest(half, &Level::BuyVolume, contract::kCmdMaxAsk, contract::kLabel6);
  c[contract::kCmdBestBid] = std::to_wstring(static_cast<long>(book[half - 1].Price));
  c[contract::kCmdBestAsk] = std::to_wstring(static_cast<long>(book[half].Price));
  return c;
}

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kHeaderBytes = 8;

// Where each block after the table header begins, and the data's end.
std::vector<std::size_t> BlockBoundaries(const Bytes& poke) {
  std::vector<std::size_t> boundaries;
  std::size_t pos = kHeaderBytes;
  while (pos + 4 <= poke.size()) {
    boundaries.push_back(pos);
    pos += 4 + (poke[pos + 2] | (poke[pos + 3] << 8U));
  }
  boundaries.push_back(poke.size());
  return boundaries;
}

Bytes RandomBytes(std::mt19937& random, std::size_t count) {
  Bytes bytes(count);
  for (std::uint8_t& byte : bytes) {
    byte = static_cast<std::uint8_t>(random());
  }
  return bytes;
}

void PutWord(Bytes& bytes, std::size_t at, unsigned word) {
  bytes[at] = static_cast<std::uint8_t>(word & 0xFFU);
  bytes[at + 1] = static_cast<std::uint8_t>(word >> 8U);
}

// One poke of the kind, made from the book's encoding. unknownType is the
// type of the unknown block the panel will meet, if any (one after the table
// is full is never read).
Bytes Malform(Kind kind, const Bytes& book, std::mt19937& random,
              std::optional<unsigned>& unknownType) {
  const std::vector<std::size_t> boundaries = BlockBoundaries(book);
  auto pick = [&](std::size_t first, std::size_t last) {
    return std::uniform_int_distribution(first, last)(random);
  };
  auto insertBlock = [&](const Bytes& block) {
    const std::size_t at = boundaries[pick(0, boundaries.size() - 1)];
    if (at < book.size()) {
      unknownType = block[0] | (block[1] << 8U);
    }
    Bytes poke(book.begin(), book.begin() + static_cast<std::ptrdiff_t>(at));
    poke.insert(poke.end(), block.begin(), block.end());
    poke.insert(poke.end(), book.begin() + static_cast<std::ptrdiff_t>(at), book.end());
    return poke;
  };
  switch (kind) {
    case Kind::Valid:
      return book;
    case Kind::UnknownBlock: {
      unsigned type = 16;
      while (type == 16) {
        type = static_cast<unsigned>(pick(8, 0xFFFF));
      }
      const std::size_t size = pick(0, 64);
      Bytes block(4);
      PutWord(block, 0, type);
      PutWord(block, 2, static_cast<unsigned>(size));
      const Bytes data = RandomBytes(random, size);
      block.insert(block.end(), data.begin(), data.end());
      return insertBlock(block);
    }
    case Kind::MisplacedHeader:
      return insertBlock(Bytes(book.begin(), book.begin() + kHeaderBytes));
    case Kind::BlocksBeforeHeader: {
      Bytes poke(book.begin() + kHeaderBytes,
                 book.begin() + static_cast<std::ptrdiff_t>(boundaries[1]));
      poke.insert(poke.end(), book.begin(), book.begin() + kHeaderBytes);
      poke.insert(poke.end(), book.begin() + static_cast<std::ptrdiff_t>(boundaries[1]),
                  book.end());
      return poke;
    }
    case Kind::RandomBytes: {
      Bytes poke = RandomBytes(random, pick(2, 2000));
      if (poke[0] == 0x10 && poke[1] == 0) {
        poke[0] = 0x11;  // not a table header
      }
      return poke;
    }
    case Kind::Truncated:
      return Bytes(book.begin(),
                   book.begin() + static_cast<std::ptrdiff_t>(pick(0, book.size() - 1)));
    case Kind::HugeHeader: {
      Bytes poke = book;
      const std::size_t variant = pick(0, 2);
      if (variant != 1) {
        PutWord(poke, 4, 0xFFFF);
      }
      if (variant != 0) {
        PutWord(poke, 6, 0xFFFF);
      }
      return poke;
    }
    case Kind::RandomBody: {
      Bytes poke(book.begin(), book.begin() + kHeaderBytes);
      const Bytes noise = RandomBytes(random, pick(1, 2000));
      poke.insert(poke.end(), noise.begin(), noise.end());
      return poke;
    }
  }
  return book;
}

// The day's text log of the panel's user (this test runs as that user).
std::filesystem::path TodaysTextLog() {
  char appData[MAX_PATH] = {};
  SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE);
  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[16];
  std::snprintf(name, sizeof name, "%02d%02d%02d.log", now.wYear % 100, now.wMonth, now.wDay);
  return std::filesystem::path(appData) / "Zel_Project" / name;
}

std::uintmax_t SizeOf(const std::filesystem::path& file) {
  std::error_code missing;
  const std::uintmax_t size = std::filesystem::file_size(file, missing);
  return missing ? 0 : size;
}

std::string ReadFrom(const std::filesystem::path& file, std::uintmax_t offset) {
  std::ifstream in(file, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(offset));
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Mb(std::size_t bytes) { return static_cast<double>(bytes) / (1U << 20U); }

// One record of the text log: a record written whole stands for one error, a
// repeat count for as many as it says.
struct LoggedRecord {
  // The record without its time stamp and repeat note: equal for repeats.
  std::string Identity;
  std::string Source;
  long long Errors = 1;
  bool Repeat = false;
};

std::vector<LoggedRecord> ParseTextLog(const std::string& text) {
  const std::string end = std::string(105, '*') + "\r\n\r\n";
  std::vector<LoggedRecord> records;
  for (std::size_t at = 0, next = 0; (next = text.find(end, at)) != std::string::npos;
       at = next + end.size()) {
    const std::string block = text.substr(at, next - at);
    const std::size_t firstLineEnd = block.find("\r\n");
    // "<date> : <description> (<number>)"; a repeat count's description
    // begins "Repeated N more times between ...: " or "Repeated once more at ...: ".
    std::string head = block.substr(0, firstLineEnd);
    head = head.substr(head.find(" : ") + 3);
    LoggedRecord record;
    if (head.rfind("Repeated ", 0) == 0) {
      record.Repeat = true;
      record.Errors = head.rfind("Repeated once more", 0) == 0 ? 1 : std::stoll(head.substr(9));
      head = head.substr(head.find(": ") + 2);
    }
    if (const std::size_t source = block.find("Vestrel.", firstLineEnd);
        source != std::string::npos) {
      record.Source = block.substr(source, block.find(' ', source) - source);
    }
    record.Identity = head + block.substr(firstLineEnd);
    records.push_back(record);
  }
  return records;
}

// Each distinct record was written whole before any count of its repeats.
void ExpectEachRecordWholeBeforeItsRepeats(const std::vector<LoggedRecord>& records) {
  std::set<std::string> whole;
  for (const LoggedRecord& record : records) {
    if (record.Repeat) {
      EXPECT_EQ(whole.count(record.Identity), 1U) << "a count of a record never written whole:\n"
                                                  << record.Identity;
    } else {
      whole.insert(record.Identity);
    }
  }
}

// The errors the records stand for whose source chain ends in the procedure.
long long ErrorsEndingIn(const std::vector<LoggedRecord>& records, const std::string& procedure) {
  long long errors = 0;
  for (const LoggedRecord& record : records) {
    if (record.Source.ends_with(procedure)) {
      errors += record.Errors;
    }
  }
  return errors;
}

// A started panel with the terminal connected, and where the day's text log
// stood before the test's pokes.
class PanelSoak : public ::testing::Test {
 protected:
  void SetUp() override {
    window = panel.WaitShown();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(terminalSide.Connect());
    textLogBefore = SizeOf(textLog);
  }

  RunningPanel panel;
  const TerminalFolder& terminal = panel.terminal;
  HWND window = nullptr;
  TerminalClient terminalSide;
  const std::filesystem::path textLog = TodaysTextLog();
  std::uintmax_t textLogBefore = 0;
};

TEST_F(PanelSoak, KeepsServingThroughMalformedPokes) {
  std::mt19937 random(20261207);
  std::discrete_distribution<int> kinds({30, 10, 10, 10, 10, 10, 10, 10});

  std::map<Kind, int> sent;
  std::map<Kind, double> seconds;
  std::uintmax_t eventLogSeen = 0;
  ProcessMemory warm;
  ProcessMemory peak;
  Captions shown;
  const auto start = std::chrono::steady_clock::now();
  int pokes = 0;
  for (; pokes < kMaxPokes && std::chrono::steady_clock::now() - start < kTimeBudget; ++pokes) {
    // The first poke is a book: before any, there is nothing to keep showing.
    const auto kind = pokes == 0 ? Kind::Valid : static_cast<Kind>(kinds(random));
    const std::vector<Level> book = RandomBook(random);
    std::optional<unsigned> unknownType;
    const Bytes poke = Malform(kind, EncodeBook(book), random, unknownType);
    const auto before = std::chrono::steady_clock::now();
    const bool acknowledged = terminalSide.Poke(BookItem(book), poke);
    seconds[kind] +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    ++sent[kind];
    const char* name = kKindNames[static_cast<std::size_t>(kind)];

    ASSERT_TRUE(panel.program.Running()) << "after poke " << pokes << " (" << name << ")";
    ASSERT_NE(acknowledged, IsRefused(kind)) << "poke " << pokes << " (" << name << ")";
    if (IsShown(kind)) {
      shown = Expected(book);
    }
    ASSERT_EQ(Read(window), shown) << "after poke " << pokes << " (" << name << ")";
    if (IsShown(kind)) {
      // A block of unknown type is named in the event log, and nothing else.
      const std::string events = ReadFrom(terminal.EventLog(), eventLogSeen);
      ASSERT_EQ(events, unknownType ? "{\"type\": 4, \"text\": \"ParseXLTable:Unknown Type " +
                                          std::to_string(*unknownType) + "\"}\n"
                                    : "")
          << "after poke " << pokes << " (" << name << ")";
    }
    eventLogSeen = SizeOf(terminal.EventLog());

    const ProcessMemory now = panel.program.Memory();
    peak.PrivateBytes = std::max(peak.PrivateBytes, now.PrivateBytes);
    peak.PeakWorkingSet = std::max(peak.PeakWorkingSet, now.PeakWorkingSet);
    if (pokes == 200) {
      warm = now;
    }
  }
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const ProcessMemory end = panel.program.Memory();
  ASSERT_GT(pokes, 200) << "too few pokes in the time to judge the memory";
  // The panel writes the repeat counts it still holds as it closes.
  EXPECT_EQ(panel.Close(), 0);

  int refused = 0;
  int valid = 0;
  double refusedSeconds = 0;
  double validSeconds = 0;
  for (const auto& [kind, count] : sent) {
    std::printf("soak: %-20s %5d pokes, %.2f ms each\n", kKindNames[static_cast<std::size_t>(kind)],
                count, 1000 * seconds[kind] / count);
    (IsRefused(kind) ? refused : valid) += count;
    (IsRefused(kind) ? refusedSeconds : validSeconds) += seconds[kind];
  }
  const std::string logged = ReadFrom(textLog, textLogBefore);
  std::printf("soak: %d pokes in %.1f s; %d refused and logged, %d answered\n", pokes, elapsed,
              refused, valid);
  std::printf(
      "soak: text log +%zu bytes, %zu per refused poke; a refused poke took %.2f ms, "
      "an answered one %.2f ms\n",
      logged.size(), refused == 0 ? 0 : logged.size() / refused, 1000 * refusedSeconds / refused,
      1000 * validSeconds / valid);
  std::printf(
      "soak: private bytes %.1f MB after 200 pokes, %.1f MB at the end, %.1f MB at most; "
      "peak working set %.1f MB\n",
      Mb(warm.PrivateBytes), Mb(end.PrivateBytes), Mb(peak.PrivateBytes), Mb(peak.PeakWorkingSet));

  EXPECT_GT(end.PrivateBytes, 0U);
  EXPECT_LT(peak.PrivateBytes, warm.PrivateBytes + kMemoryGrowthLimit);

  // Every refused poke is in the day's text log, from the decoder up to the
  // DDE callback: written whole or counted as a repeat.
  const std::vector<LoggedRecord> records = ParseTextLog(logged);
  ExpectEachRecordWholeBeforeItsRepeats(records);
  EXPECT_EQ(ErrorsEndingIn(records, "Vestrel.modDDE.ParseXLTable"), refused);
  EXPECT_EQ(ErrorsEndingIn(records, "Vestrel.modQT.DDEIGlass"), refused);
}

TEST_F(PanelSoak, AFloodOfOneRefusedPokeIsWrittenThreeTimesThenCounted) {
  constexpr int kAnswered = 200;
  constexpr int kRefused = 1000;

  std::mt19937 random(20261208);
  const std::vector<Level> book = RandomBook(random);
  const Bytes valid = EncodeBook(book);
  const Bytes truncated(valid.begin(), valid.end() - 3);
  auto flood = [&](const Bytes& poke, int count, bool acknowledged) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(terminalSide.Poke(BookItem(book), poke), acknowledged) << "poke " << i;
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / count;
  };
  const double answered = flood(valid, kAnswered, true);
  const double refused = flood(truncated, kRefused, false);
  EXPECT_EQ(panel.Close(), 0);

  const std::string logged = ReadFrom(textLog, textLogBefore);
  std::printf(
      "soak: refused poke in a flood: %.2f ms, %.0f bytes of text log (%d identical refused "
      "pokes; an answered poke %.2f ms)\n",
      1000 * refused, static_cast<double>(logged.size()) / kRefused, kRefused, 1000 * answered);

  // Each distinct record of the failure is written whole three times and
  // stands for every refused poke; a flood costs the disk next to nothing.
  const std::vector<LoggedRecord> records = ParseTextLog(logged);
  ExpectEachRecordWholeBeforeItsRepeats(records);
  std::map<std::string, long long> errors;
  std::map<std::string, int> whole;
  for (const LoggedRecord& record : records) {
    errors[record.Identity] += record.Errors;
    whole[record.Identity] += record.Repeat ? 0 : 1;
  }
  EXPECT_GE(errors.size(), 2U);
  for (const auto& [identity, count] : errors) {
    EXPECT_EQ(count, kRefused) << identity;
    EXPECT_GE(whole[identity], 3) << identity;
  }
  EXPECT_LE(logged.size(), 200U * kRefused);
}

}  // namespace
}  // namespace vestrel::e2e
