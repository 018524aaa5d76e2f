#include "recording/poke_recording.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vestrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FromText(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(PokeRecording, PokesRoundTripWithTheirTimesItemsAndBytes) {
  const std::vector<RecordedPoke> pokes{
      {1'796'000'000'123'456, "R1C1:R3C3", {0x10, 0x00, 0xAB, 0xFF}},
      {1'796'000'000'223'456, "R2C1:R2C2", {}},
      {-1, "", {0x0A, 0x0D, 0x00}},
  };
  Bytes file = RecordingHeader();
  for (const RecordedPoke& poke : pokes) {
    AppendPokeRecord(file, poke.UtcMicroseconds, poke.Item, poke.Data);
  }
  // The layout is the documented one: header, then time, lengths, item, data.
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 12),
            (Bytes{0x89, 'P', 'O', 'K', 'E', 'S', '\r', '\n', 2, 0, 0, 0}));
  EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 26),
            (Bytes{0x40, 0x22, 0x06, 0xD6, 0x73, 0x61, 0x06, 0x00, 9, 0, 4, 0, 0, 0}));
  EXPECT_EQ(file.size(), 12 + 3 * kPokeRecordHeaderSize + 9 + 4 + 9 + 3);

  const Recording read = ReadRecording(file);
  EXPECT_EQ(read.Version, 2U);
  EXPECT_EQ(read.Pokes, pokes);
  EXPECT_TRUE(read.CutShort.empty());

  // A file still being written (or whose disk failed) ends inside a poke: the
  // whole ones before it are read.
  for (const std::size_t cut : {file.size() - 1, file.size() - 3 - 5}) {
    const Recording part = ReadRecording(std::span(file).first(cut));
    EXPECT_EQ(part.Pokes, std::vector<RecordedPoke>(pokes.begin(), pokes.begin() + 2));
    EXPECT_EQ(part.CutShort.rfind("the file ends inside poke 3, ", 0), 0U) << part.CutShort;
  }
  EXPECT_TRUE(ReadRecording(RecordingHeader()).Pokes.empty());
}

TEST(PokeRecording, OnlyAnEmptyFileOrARecordingOfThisVersionIsAppendedTo) {
  const Bytes header = RecordingHeader();
  EXPECT_EQ(AppendProblem({}), "");
  EXPECT_EQ(AppendProblem(header), "");
  Bytes newer = header;
  newer[8] = 3;
  EXPECT_EQ(AppendProblem(newer),
            "it is a recording of version 3; this program reads and writes version 2");
  EXPECT_THROW(ReadRecording(newer), std::runtime_error);
  EXPECT_EQ(AppendProblem(FromText("R1C1:R1C1\t00\n")), "it is not a version 2 recording of pokes");
  EXPECT_EQ(AppendProblem(std::span(header).first(9)), "the recording's header is cut short");
  EXPECT_THROW(ReadRecording(std::span(header).first(9)), std::runtime_error);
}

TEST(PokeRecording, TheOlderTextFileIsReadWithoutTimes) {
  const std::string file =
      "# recorded by termsim\nR1C1:R3C3\t1000abFF\n\r\nR2C1:R2C2\t\r\nodd item\t01";
  const Recording read = ReadRecording(FromText(file));
  EXPECT_EQ(read.Version, 1U);
  EXPECT_EQ(read.Pokes, (std::vector<RecordedPoke>{{0, "R1C1:R3C3", {0x10, 0x00, 0xAB, 0xFF}},
                                                   {0, "R2C1:R2C2", {}},
                                                   {0, "odd item", {1}}}));
  EXPECT_TRUE(ReadRecording({}).Pokes.empty());
  // A wrong line names its number.
  for (const char* wrong : {"\n\nR1C1:R1C1 0011\n", "\n\nR1C1:R1C1\t001\n", "\n\nR1C1\t00zz\n"}) {
    try {
      ReadRecording(FromText(wrong));
      FAIL() << wrong;
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind("line 3: ", 0), 0U) << error.what();
    }
  }
}

TEST(PokeRecording, TimesAreWrittenAsUtcCalendarTimes) {
  EXPECT_EQ(FormatUtcMicroseconds(0), "1970-01-01 00:00:00.000000");
  EXPECT_EQ(FormatUtcMicroseconds(1'796'000'000'123'456), "2026-11-30 00:53:20.123456");
  EXPECT_EQ(FormatUtcMicroseconds(951'782'400'000'001), "2000-02-29 00:00:00.000001");
  EXPECT_EQ(FormatUtcMicroseconds(-1), "1969-12-31 23:59:59.999999");
}

}  // namespace
}  // namespace vestrel
