#include "fakes/fake_panel_ports.h"

#include "xltable_writer.h"

namespace vestrel::testing {

std::vector<std::uint8_t> BookBytes(const std::vector<Level>& levels, std::string_view priceTitle) {
  using xltable::Cell;
  xltable::Sheet rows{
      {std::string("SELL_VOLUME"), std::string(priceTitle), std::string("BUY_VOLUME")}};
  for (const Level& level : levels) {
    rows.push_back({level.Sell > 0 ? Cell(level.Sell) : Cell(), level.Price,
                    level.Buy > 0 ? Cell(level.Buy) : Cell()});
  }
  return xltable::EncodeXLTable(rows);
}

DdeHandle FakePanelPorts::PokeBook(const std::vector<Level>& levels) {
  return dde.ClientPoke(xltable::RangeItem(levels.size() + 1, 3), BookBytes(levels));
}

}  // namespace vestrel::testing
