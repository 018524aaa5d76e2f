#pragma once

namespace vestrel::bench {

// Decodes the order book of `levels` levels a side in this process, as the
// panel's decoder does for every poke, and prints the median time a decode
// takes in this build (its bitness, its compiler) against the target.
void PrintDecodeTiming(int levels);

}  // namespace vestrel::bench
