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

// numericValue(ReplaceCommaPoint(text)): a cell value written with a decimal comma or point.
double numericValueCommaAsPoint(std::string_view text);

// True when numericValue(text) is finite for sure, known without reading the number.
bool certainlyFinite(std::string_view text) noexcept;

// Nearest whole number, halves to the even neighbour (2.5 gives 2, 3.5 gives 4).
double roundHalfEven(double value) noexcept;

// roundHalfEven, held in 32 bits: values outside the range are clamped to it.
std::int32_t wholeNumberClamped32(double value) noexcept;

// A whole number appended to a message or log text: « 3» when not negative, «-3» otherwise.
std::string messageNumber(std::int64_t number);

// A text quoted whole in a message (a name, a code as entered): control characters, which a
// terminal would obey or which would break the message's lines, shown as escapes (\n, \r, \t,
// \x1b); the other bytes as they are.
std::string messageText(std::string_view text);

// A value quoted in a message, cut after about 60 characters with "..." (a cell of megabytes is
// not echoed whole), shown as messageText.
std::string messageValue(std::string_view text);

// A count standing on its own, without a leading blank: «250».
std::string countText(std::int64_t number);

// The cell value as the cost variable: at most 15 significant digits, shortest form, a leading
// blank when not negative, plain digits from 1E-5 to below 1E+15 (« 0.5», « 1200.5»), otherwise
// an exponent (« 1E+16», «-2.5E-07»). Minus zero is « 0». `value` must be finite. Writes at most
// maxCostTextSize bytes at `to` and returns their end.
constexpr std::size_t maxCostTextSize = 24;
char* writeCostText(char* to, double value) noexcept;
std::string renderCostText(double value);

// A number written as plain digits, the whole of its text: an optional minus, at least one
// digit, and a decimal point or comma followed by digits («-1200,50», «0.0003», «5,»).
struct PlainDecimal {
    bool negative = false;
    std::string_view whole;    // the digits before the point
    bool pointed = false;      // whether a point or comma follows them
    std::string_view decimals; // the digits after it
    bool exact = false;        // at most 15 digits: `value` is the correctly rounded number
    double value = 0;
};

// True, with `number` filled in, when all of `text` is a plain decimal; false, leaving `number` as
// it was, otherwise. Its value is that of numericValue(ReplaceCommaPoint(text)).
// Filled in place: every cell value is read by it, and a returned copy costs a stall.
bool readPlainDecimal(std::string_view text, PlainDecimal& number) noexcept;

// writeCostText(to, value of `number`) without rendering, for a number of at most 15
// significant digits from 1E-5 to below 1E+15, or zero: the digits themselves make the text.
// Nothing written, and nullptr, for any other number.
char* writeCostTextOfDecimal(char* to, const PlainDecimal& number) noexcept;

// A protection level with exactly three decimals, correctly rounded («0.001», «-3.000»). A value
// that rounds to zero is «0.000», never «-0.000». `value` must be finite. Writes at most
// maxLevelTextSize bytes at `to` (the largest double has 309 digits) and returns their end.
constexpr std::size_t maxLevelTextSize = 320;
char* writeLevelText(char* to, double value) noexcept;
std::string renderLevelText(double value);

} // namespace vqd
