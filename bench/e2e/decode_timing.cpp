#include "decode_timing.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bench_figures.h"
#include "dde/xltable_decoder.h"
#include "quiet_ports.h"
#include "xltable_writer.h"

namespace vestrel::bench {
namespace {

constexpr int kBatches = 21;
constexpr int kDecodesPerBatch = 5000;
constexpr double kTargetMicroseconds = 2.0;

}  // namespace

void PrintDecodeTiming(int levels) {
  const std::vector<std::uint8_t> poke =
      xltable::EncodeXLTable(xltable::OrderBookSheet(levels, 98650, 10));
  tools::QuietLogServices services(nullptr, ',');
  XLTableDecoder decoder(services.Log, services.AppLog, services.Regional, nullptr);
  std::int32_t instance = 1;
  decoder.Decode(instance, poke);  // the decoder's storage, as after the first poke
  std::vector<double> microseconds;
  for (int batch = 0; batch < kBatches; ++batch) {
    const auto start = std::chrono::steady_clock::now();
    for (int decode = 0; decode < kDecodesPerBatch; ++decode) {
      decoder.Decode(instance, poke);
    }
    const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
    microseconds.push_back(took.count() / kDecodesPerBatch);
  }
  const double median = Median(microseconds);
  // The fastest batch is the one the machine's other work touched least.
  const double fastest = *std::min_element(microseconds.begin(), microseconds.end());
  std::printf(
      "decode of a %d-level book in this build: %.2f us (median of %d batches of %d, fastest "
      "%.2f us; target <= %.0f us: %s)\n",
      levels, median, kBatches, kDecodesPerBatch, fastest, kTargetMicroseconds,
      median <= kTargetMicroseconds ? "met" : "NOT met");
  std::fflush(stdout);
}

}  // namespace vestrel::bench
