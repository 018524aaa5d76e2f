#include "recording/poke_recording.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_ports.h"
#include "fakes/fake_window_ports.h"
#include "recording/device_names.h"
#include "recording/poke_recorder.h"

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

  // A recording whose mark was damaged, or copied as text, is no text file.
  Bytes recording = header;
  AppendPokeRecord(recording, 1'796'000'000'000'000, "R1C1:R1C1", Bytes{0x10, 0});
  // CR LF became LF.
  Bytes asText(recording.begin(), recording.begin() + 6);
  asText.insert(asText.end(), recording.begin() + 7, recording.end());
  Bytes firstByte = recording;
  firstByte[0] = '?';
  for (const Bytes& damaged : {asText, firstByte}) {
    try {
      ReadRecording(damaged);
      ADD_FAILURE() << "a damaged recording was read";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(std::string(error.what()).rfind("it is not a recording of pokes: ", 0), 0U)
          << error.what();
    }
  }
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

// Where the whole pokes end, read from bytes in memory.
std::uint64_t WholeEnd(const Bytes& file) {
  return EndOfWholePokes(file.size(), [&](std::uint64_t offset, std::size_t count) {
    const auto from = std::min<std::size_t>(offset, file.size());
    const std::size_t size = std::min(count, file.size() - from);
    return Bytes(file.begin() + static_cast<std::ptrdiff_t>(from),
                 file.begin() + static_cast<std::ptrdiff_t>(from + size));
  });
}

TEST(PokeRecording, TheEndOfTheLastWholePokeIsFoundOverBlocksAndEmptyData) {
  // Pokes larger than a read block, and a last one with empty data.
  Bytes file = RecordingHeader();
  const std::vector<std::size_t> sizes{700'000, 1'500'000, 3, 0};
  std::vector<std::uint64_t> starts;
  for (const std::size_t size : sizes) {
    starts.push_back(file.size());
    AppendPokeRecord(file, 1, "R1C1:R3C3", Bytes(size, 0x10));
  }
  EXPECT_EQ(WholeEnd(file), file.size());
  EXPECT_TRUE(ReadRecording(file).CutShort.empty());
  EXPECT_EQ(WholeEnd(RecordingHeader()), kRecordingHeaderSize);
  for (std::size_t poke = 0; poke < sizes.size(); ++poke) {
    const std::uint64_t end = poke + 1 < sizes.size() ? starts[poke + 1] : file.size();
    for (const std::uint64_t cut :
         {starts[poke] + 1, starts[poke] + kPokeRecordHeaderSize, end - 1}) {
      const Bytes part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      EXPECT_EQ(WholeEnd(part), starts[poke]) << poke << " cut at " << cut;
    }
  }
}

struct RecorderRig {
  testing::MemoryFileSystem files;
  testing::FakeClock clock;
  testing::FakeEventLog appLog;
  PokeRecorder recorder{files, clock, appLog};
  const std::string path = "C:\\QUIK\\today.rec";

  RecorderRig() { files.Folders.insert("C:\\QUIK"); }
  Recording Read() {
    const std::string& content = files.Files[path];
    return ReadRecording(Bytes(content.begin(), content.end()));
  }
};

TEST(PokeRecorder, ARecordingThatEndsInsideAPokeLosesThatPokeAndGoesOnWhole) {
  RecorderRig rig;
  Bytes before = RecordingHeader();
  AppendPokeRecord(before, 5, "R1C1:R1C1", Bytes{1, 2, 3});
  const std::size_t whole = before.size();
  AppendPokeRecord(before, 6, "R1C1:R3C3", Bytes(40, 7));
  before.resize(before.size() - 11);  // a power cut in the middle of the write
  rig.files.Files[rig.path].assign(before.begin(), before.end());

  ASSERT_TRUE(rig.recorder.Start(rig.path));
  EXPECT_EQ(rig.appLog.Entries,
            (std::vector<testing::EventLogEntry>{
                {"The recording C:\\QUIK\\today.rec ended inside a poke (a power cut or a partial "
                 "copy): its last " +
                     std::to_string(before.size() - whole) +
                     " bytes were cut off, and recording goes on after its last whole poke.",
                 EventType::Warning}}));
  rig.recorder.Record("R1C1:R2C2", Bytes{9});
  rig.recorder.Stop();
  const Recording read = rig.Read();
  EXPECT_TRUE(read.CutShort.empty());
  EXPECT_EQ(read.Pokes, (std::vector<RecordedPoke>{{5, "R1C1:R1C1", {1, 2, 3}},
                                                   {rig.clock.Utc, "R1C1:R2C2", {9}}}));

  // A whole recording, its last poke without data, is appended to as it is.
  RecorderRig again;
  Bytes complete = RecordingHeader();
  AppendPokeRecord(complete, 5, "R1C1:R1C1", Bytes{});
  again.files.Files[again.path].assign(complete.begin(), complete.end());
  ASSERT_TRUE(again.recorder.Start(again.path));
  again.recorder.Stop();
  EXPECT_EQ(again.files.Files[again.path].size(), complete.size());
  EXPECT_TRUE(again.appLog.Entries.empty());
}

TEST(PokeRecorder, ABufferThatReachesItsFlushSizeExactlyIsWrittenAtOnce) {
  RecorderRig rig;
  ASSERT_TRUE(rig.recorder.Start(rig.path));
  const std::string item = "R1C1:R3C3";
  const std::size_t data =
      PokeRecorder::kFlushAtBytes - kRecordingHeaderSize - kPokeRecordHeaderSize - item.size();
  rig.recorder.Record(item, Bytes(data - 1, 1));  // one byte short: kept
  EXPECT_TRUE(rig.files.Files[rig.path].empty());
  rig.recorder.Stop();

  RecorderRig exact;
  ASSERT_TRUE(exact.recorder.Start(exact.path));
  exact.recorder.Record(item, Bytes(data, 1));
  EXPECT_EQ(exact.files.Files[exact.path].size(), PokeRecorder::kFlushAtBytes);
  exact.recorder.Record(item, Bytes{2});
  exact.recorder.Stop();
  const Recording read = exact.Read();
  ASSERT_EQ(read.Pokes.size(), 2U);
  EXPECT_EQ(read.Pokes[1].Data, Bytes{2});
  EXPECT_TRUE(read.CutShort.empty());
}

TEST(PokeRecorder, ADeviceIsNeverOpened) {
  for (const char* device :
       {"C:\\QUIK\\COM1", "C:\\QUIK\\logs\\com1.rec", "NUL", "con", "C:\\QUIK\\PRN", "aux.log",
        "LPT1", "C:\\QUIK\\com1.txt", "C:\\QUIK\\nul.", "C:\\QUIK\\lpt9 . ", "C:\\QUIK\\Com1 .rec",
        "C:conout$", "\\\\.\\pipe\\pokes"}) {
    RecorderRig rig;
    EXPECT_FALSE(rig.recorder.Start(device)) << device;
    ASSERT_EQ(rig.appLog.Entries.size(), 1U) << device;
    EXPECT_EQ(rig.appLog.Entries[0].Text.rfind(
                  "Pokes are not recorded to " + std::string(device) + ": it names the device ", 0),
              0U)
        << rig.appLog.Entries[0].Text;
    EXPECT_EQ(rig.files.OpenFiles, 0);
    EXPECT_TRUE(rig.files.Files.empty());
    EXPECT_EQ(rig.files.Folders.size(), 2U);  // no folder made on the way
  }
  for (const char* file : {"com10.rec", "console.rec", "COM.rec", "nullable", "C:\\con\\a.rec",
                           "lpt.1", "C:\\QUIK\\auxiliary.rec"}) {
    EXPECT_EQ(DeviceName(file), "") << file;
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
