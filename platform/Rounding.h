#pragma once
// Every real that becomes an integer (pixel positions, label values, read-outs) is rounded
// to the nearest integer with ties to the even neighbour. This is the one helper for it.

#include <cstdint>

// Nearest integer, ties to even. NaN gives 0; values beyond the 64-bit range saturate.
std::int64_t roundTiesEven(double x) noexcept;

// The same, saturated to the int range (for pixel coordinates).
int roundToInt(double x) noexcept;

// Integer division truncating towards zero, spelled out where the algorithm says "div".
constexpr int divTrunc(int a, int b) noexcept { return a / b; }
