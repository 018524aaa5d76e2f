// Decoding speed of the pokes the terminal sends, reading speed of the
// decoded table, and a poke's whole way through the core to the captions.
// Time is per poke (or per table read); items are cells.

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "book/order_book.h"
#include "dde/xltable_decoder.h"
#include "quiet_ports.h"
#include "xltable_writer.h"

namespace {

using vestrel::DecodedTable;
using vestrel::XLTableDecoder;
using vestrel::xltable::Cell;
using vestrel::xltable::EncodeXLTable;
using vestrel::xltable::OrderBookSheet;
using vestrel::xltable::Sheet;

// The book with its prices at whole cents, as the terminal's doubles are.
Sheet CentPricedBook(int levels, double top, double step) {
  Sheet sheet = OrderBookSheet(levels, top, step);
  for (auto& row : sheet) {
    if (const double* price = std::get_if<double>(&row[1])) {
      row[1] = std::round(*price * 100) / 100;
    }
  }
  return sheet;
}

// 1000 rows of four columns: a time text, a price with cents, a volume, and
// a comment column mostly empty.
Sheet ThousandRowTable() {
  Sheet sheet;
  for (int row = 0; row < 1000; ++row) {
    char time[16];
    std::snprintf(time, sizeof time, "10:%02d:%02d", row / 60 % 60, row % 60);
    Cell comment;
    if (row % 10 == 0) {
      comment = std::string("block trade");
    }
    sheet.push_back({std::string(time), std::round((71.25 + row * 0.37) * 100) / 100,
                     static_cast<double>(1 + row * 13 % 900), comment});
  }
  return sheet;
}

void DecodePokes(benchmark::State& state, const Sheet& sheet) {
  const std::vector<std::uint8_t> poke = EncodeXLTable(sheet);
  vestrel::tools::QuietLogServices services(nullptr, ',');
  std::size_t stored = 0;
  XLTableDecoder decoder(
      services.Log, services.AppLog, services.Regional,
      [&](std::int32_t, const DecodedTable& table) { stored = table.StoredCells(); });
  std::int32_t instance = 1;
  for (auto _ : state) {
    decoder.Decode(instance, poke);
    benchmark::DoNotOptimize(stored);
  }
  const auto cells = static_cast<std::int64_t>(sheet.size() * sheet.front().size());
  state.SetItemsProcessed(state.iterations() * cells);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(poke.size()));
  state.counters["poke_bytes"] = static_cast<double>(poke.size());
  state.counters["stored_cells"] = static_cast<double>(stored);
}

void BM_DecodeBook50Levels(benchmark::State& state) {
  DecodePokes(state, OrderBookSheet(50, 98650, 10));
}
BENCHMARK(BM_DecodeBook50Levels);

void BM_DecodeBook50LevelsCentPrices(benchmark::State& state) {
  DecodePokes(state, CentPricedBook(50, 71.25, 0.01));
}
BENCHMARK(BM_DecodeBook50LevelsCentPrices);

void BM_DecodeTable1000Rows(benchmark::State& state) { DecodePokes(state, ThousandRowTable()); }
BENCHMARK(BM_DecodeTable1000Rows);

// Every cell of the decoded 50-level book, as the order book reads it.
void BM_ReadBook50Levels(benchmark::State& state) {
  vestrel::tools::QuietLogServices services(nullptr, ',');
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional, nullptr);
  std::int32_t instance = 1;
  decoder.Decode(instance, EncodeXLTable(OrderBookSheet(50, 98650, 10)));
  const DecodedTable& table = decoder.Table();
  for (auto _ : state) {
    std::size_t length = 0;
    for (std::int32_t row = 1; row <= table.Rows(); ++row) {
      for (std::int32_t column = 1; column <= table.Columns(); ++column) {
        length += table.Cell(row, column).size();
      }
    }
    benchmark::DoNotOptimize(length);
  }
  state.SetItemsProcessed(state.iterations() * table.Rows() * table.Columns());
}
BENCHMARK(BM_ReadBook50Levels);

class NoMessages : public vestrel::MessageBox {
 public:
  void Show(std::string_view /*text*/, vestrel::MessageIcon /*icon*/) override {}
};

class NoCloser : public vestrel::MainWindowCloser {
 public:
  void RequestClose() override {}
};

// A 50-level book decoded and shown: the order book reads the titles, both
// volume columns and a few prices, and writes the six captions.
void BM_DecodeAndShowBook50Levels(benchmark::State& state) {
  vestrel::tools::QuietLogServices services(nullptr, ',');
  NoMessages messages;
  NoCloser closer;
  vestrel::MainWindowModel window;
  vestrel::OrderBook book(services.Log, services.Regional, messages, window, closer);
  std::int32_t instance = 1;
  book.SetDdeInstance(instance);
  XLTableDecoder decoder(
      services.Log, services.AppLog, services.Regional,
      [&](std::int32_t id, const DecodedTable& table) { book.TableArrived(id, table); });
  const std::vector<std::uint8_t> poke = EncodeXLTable(CentPricedBook(50, 71.25, 0.01));
  for (auto _ : state) {
    decoder.Decode(instance, poke);
  }
  if (window.Caption(vestrel::ControlId::cmdBestBid) != "70,76") {
    state.SkipWithError("the book was not shown");
  }
}
BENCHMARK(BM_DecodeAndShowBook50Levels);

}  // namespace
