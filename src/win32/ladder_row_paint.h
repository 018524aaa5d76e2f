#pragma once

#include "ladder/ladder_model.h"
#include "win32/windows_api.h"

namespace vestrel::win32 {

// The fonts a ladder row is drawn with: plain, and bold for what stands out
// (the largest level of a side, the trader's own lots, the average price).
struct LadderFonts {
  HFONT Plain = nullptr;
  HFONT Bold = nullptr;
};

// Draws one row into area of dc: three columns of equal width, buy, price and
// sell. Each volume has a bar in proportion to the largest in view, growing
// from the price column outwards; the best buy and sell prices are tinted in
// their side's colour, the average price of the position framed, the largest
// level of each side in bold, and the trader's working lots beside the volume
// ("B2" at the outer edge of the buy column, "S1" of the sell column).
void PaintLadderRow(HDC dc, const RECT& area, const LadderRow& row, const LadderFonts& fonts,
                    int padding);

// A row of the list past the ladder's rows: blank.
void PaintEmptyLadderRow(HDC dc, const RECT& area);

}  // namespace vestrel::win32
