#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// A period's count per second as fixed-point text with one decimal and at most seven
// significant digits, with `decimalSeparator` between the whole part and the decimal.
// The count is the number of events since the period began, read modulo 2^32: a period
// counter that wrapped to a negative value still stands for the events it counted.
std::string RateText(int32_t periodCount, float periodSeconds, std::string_view decimalSeparator);
