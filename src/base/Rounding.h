#pragma once

#include <cmath>

// Fractions become whole numbers by rounding to the nearest integer, halves to the even neighbour.
// lrint follows the current rounding mode, which this program never changes from round-to-nearest-even.
inline long RoundHalfEven(double value) { return std::lrint(value); }
