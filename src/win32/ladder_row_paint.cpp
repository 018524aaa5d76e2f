#include "win32/ladder_row_paint.h"

#include <string>

#include "common/conversions.h"
#include "win32/text_encoding.h"
#include "win32/unique_handle.h"

namespace vestrel::win32 {
namespace {

constexpr COLORREF kBackground = RGB(255, 255, 255);
constexpr COLORREF kGridLine = RGB(225, 225, 225);
constexpr COLORREF kBuyBar = RGB(198, 232, 198);
constexpr COLORREF kSellBar = RGB(244, 204, 204);
constexpr COLORREF kBestBuy = RGB(120, 200, 120);
constexpr COLORREF kBestSell = RGB(230, 120, 120);
constexpr COLORREF kAverage = RGB(255, 236, 140);
constexpr COLORREF kAverageFrame = RGB(160, 120, 0);
constexpr COLORREF kText = RGB(0, 0, 0);
constexpr COLORREF kMine = RGB(0, 64, 192);

void Fill(HDC dc, const RECT& area, COLORREF colour) {
  SetBkColor(dc, colour);
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &area, nullptr, 0, nullptr);
}

void Text(HDC dc, RECT area, const std::string& text, UINT align, HFONT font, COLORREF colour) {
  if (text.empty()) {
    return;
  }
  const SelectionScope selected(dc, font);
  SetTextColor(dc, colour);
  const std::wstring wide = Utf8ToWide(text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &area,
            align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

// A bar of the share of the column's width, from its edge at the price
// column (fromRight: the buy column's right edge).
void Bar(HDC dc, const RECT& column, double share, bool fromRight, COLORREF colour) {
  const int width = column.right - column.left;
  const int length = static_cast<int>(share * width + 0.5);
  if (length <= 0) {
    return;
  }
  RECT bar = column;
  InflateRect(&bar, 0, -1);
  if (fromRight) {
    bar.left = bar.right - length;
  } else {
    bar.right = bar.left + length;
  }
  Fill(dc, bar, colour);
}

}  // namespace

void PaintEmptyLadderRow(HDC dc, const RECT& area) { Fill(dc, area, kBackground); }

void PaintLadderRow(HDC dc, const RECT& area, const LadderRow& row, const LadderFonts& fonts,
                    int padding) {
  const int width = area.right - area.left;
  RECT buy = area;
  buy.right = area.left + width / 3;
  RECT price = area;
  price.left = buy.right;
  price.right = area.left + 2 * width / 3;
  RECT sell = area;
  sell.left = price.right;

  Fill(dc, area, kBackground);
  Bar(dc, buy, row.BuyBar, true, kBuyBar);
  Bar(dc, sell, row.SellBar, false, kSellBar);
  if (row.BestBuy || row.BestSell) {
    Fill(dc, price, row.BestSell ? kBestSell : kBestBuy);
  }
  if (row.Average) {
    RECT frame = price;
    InflateRect(&frame, -padding / 2, 0);
    Fill(dc, frame, kAverageFrame);
    InflateRect(&frame, -1, -1);
    Fill(dc, frame, kAverage);
  }
  SetBkMode(dc, TRANSPARENT);

  RECT inner = buy;
  InflateRect(&inner, -padding, 0);
  if (row.Buy > 0) {
    Text(dc, inner, IntegerText(row.Buy), DT_RIGHT, row.LargestBuy ? fonts.Bold : fonts.Plain,
         kText);
  }
  if (row.MyBuy > 0) {
    Text(dc, inner, "B" + IntegerText(row.MyBuy), DT_LEFT, fonts.Bold, kMine);
  }
  const bool priceBold = row.Average || row.BestBuy || row.BestSell;
  // The price as the row's text writes it, in the trader's decimal separator.
  Text(dc, price, row.Text.substr(0, row.Text.find('\t')), DT_CENTER,
       priceBold ? fonts.Bold : fonts.Plain, kText);
  inner = sell;
  InflateRect(&inner, -padding, 0);
  if (row.Sell > 0) {
    Text(dc, inner, IntegerText(row.Sell), DT_LEFT, row.LargestSell ? fonts.Bold : fonts.Plain,
         kText);
  }
  if (row.MySell > 0) {
    Text(dc, inner, "S" + IntegerText(row.MySell), DT_RIGHT, fonts.Bold, kMine);
  }

  // The grid: a line under the row and between the columns.
  RECT line = area;
  line.top = line.bottom - 1;
  Fill(dc, line, kGridLine);
  for (const LONG x : {buy.right, price.right}) {
    line = area;
    line.left = x;
    line.right = x + 1;
    Fill(dc, line, kGridLine);
  }
  SetBkMode(dc, OPAQUE);
}

}  // namespace vestrel::win32
