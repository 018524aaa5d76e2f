// Writes the fuzzer's seed corpus: valid tables as the terminal sends them and
// a few that exercise every block type. Usage: xltable_seeds DIRECTORY

#include <cstdio>
#include <string>
#include <vector>

#include "xltable_writer.h"

using vestrel::xltable::Cell;
using vestrel::xltable::EncodeXLTable;
using vestrel::xltable::OrderBookSheet;
using vestrel::xltable::XLTableBuilder;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: xltable_seeds DIRECTORY\n", stderr);
    return 2;
  }
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> seeds;
  seeds.emplace_back("book-50-levels", EncodeXLTable(OrderBookSheet(50, 98650, 10)));
  seeds.emplace_back("book-5-levels-decimals", EncodeXLTable(OrderBookSheet(5, 71.25, 0.01)));
  seeds.emplace_back("book-one-volume-column",
                     EncodeXLTable({{std::string("PRICE"), std::string("VOLUME")},
                                    {101.5, 3.0},
                                    {101.0, Cell{}},
                                    {100.5, 7.0}}));
  seeds.emplace_back("one-string", XLTableBuilder().Header(1, 1).Strings({"abc"}).Bytes());
  seeds.emplace_back("every-block-type", XLTableBuilder()
                                             .Header(3, 4)
                                             .Booleans({1, 0})
                                             .Integers({-5, 300})
                                             .Errors({0, 7, 42})
                                             .Blanks(1)
                                             .Skip(1)
                                             .Floats({1e20})
                                             .Block(9, {1, 2, 3})
                                             .Strings({"x", ""})
                                             .Bytes());
  seeds.emplace_back("huge-announced",
                     XLTableBuilder().Header(65535, 65535).Strings({"a"}).Bytes());
  seeds.emplace_back("rejected-header", XLTableBuilder().Word(0x10).Word(5).Bytes());
  for (const auto& [name, bytes] : seeds) {
    const std::string path = std::string(argv[1]) + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0) {
      std::fprintf(stderr, "xltable_seeds: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
