#pragma once
// Numbers read from and written into texts, independent of the locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace vqd {

// The numeric value of a text: blanks, tabs and line feeds anywhere are ignored; the longest
// leading decimal number (sign, digits, "." and digits, exponent) is taken, "." being the decimal
// point whatever the locale; a text that does not start with a number reads as 0, so «85,5» is 85.
// A magnitude beyond the 64-bit float range gives +/-infinity, one below it gives 0.
double numericValue(std::string_view text) noexcept;

// Nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value) noexcept;

// roundHalfEven, held in 32 bits: values outside the range are clamped to it.
std::int32_t wholeNumberClamped32(double value) noexcept;

// A whole number appended to a message or log text: « 3» when not negative, «-3» otherwise.
std::string messageNumber(std::int64_t number);

// A count standing on its own, without a leading blank: «250».
std::string countText(std::int64_t number);

// The cell value as the cost variable: at most 15 significant digits, shortest form, a leading
// blank when not negative, plain digits from 1E-5 to below 1E+15 (« 0.5», « 1200.5»), otherwise
// an exponent (« 1E+16», «-2.5E-07»). Minus zero is « 0». `value` must be finite.
void appendCostText(std::string& out, double value);
std::string renderCostText(double value);

// appendCostText(out, numericValue(text)) without rendering, for a `text` that is a plain decimal
// («-1200.50», «0.0003») of at most 15 significant digits from 1E-5 to below 1E+15, or zero: the
// digits themselves make the text. False, with nothing appended, for any other text.
bool appendCostTextOfDecimal(std::string& out, std::string_view text);

// A protection level with exactly three decimals, correctly rounded («0.001», «-3.000»). A value
// that rounds to zero is «0.000», never «-0.000». `value` must be finite.
void appendLevelText(std::string& out, double value);
std::string renderLevelText(double value);

} // namespace vqd
