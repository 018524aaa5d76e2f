#pragma once

namespace vestrel {

// The smallest multiple of tick at or above price (GridUp) and the largest
// at or below it (GridDown). A price that is a multiple but for the error of
// double arithmetic (100.07 / 0.01) counts as one and stays. A tick of 0 or
// below leaves the price as it is, and so does a price too large for its
// multiples to be told apart.
double GridUp(double price, double tick);
double GridDown(double price, double tick);

}  // namespace vestrel
