#include "text/numbers.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace vqd {

namespace {

bool isIgnoredInNumber(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Walks the characters of a number, skipping the blanks the numeric rule ignores.
class NumberScanner {
public:
    explicit NumberScanner(std::string_view text) noexcept : text_(text) {}

    char peek() noexcept {
        while (pos_ < text_.size() && isIgnoredInNumber(text_[pos_])) {
            ++pos_;
            skippedBlank_ = true;
        }
        return pos_ < text_.size() ? text_[pos_] : '\0';
    }
    void take() noexcept { ++pos_; }
    // Skips leading blanks; only blanks inside the number count as skipped from here on.
    std::size_t markStart() noexcept {
        peek();
        skippedBlank_ = false;
        return pos_;
    }
    std::size_t position() const noexcept { return pos_; }
    bool skippedBlank() const noexcept { return skippedBlank_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    bool skippedBlank_ = false;
};

// from_chars reports overflow and underflow alike; a rough decimal magnitude tells them apart.
double outOfRangeValue(std::string_view number) noexcept {
    const bool negative = !number.empty() && number.front() == '-';
    long long magnitude = 0;
    bool seenPoint = false;
    bool seenNonZero = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        const char c = number[i];
        if (c == '.') {
            seenPoint = true;
        } else if (isDigit(c)) {
            if (c != '0') seenNonZero = true;
            if (seenNonZero && !seenPoint) ++magnitude;
            if (!seenNonZero && seenPoint) --magnitude;
        }
    }
    long long exponent = 0;
    if (i < number.size()) {
        ++i;
        bool negativeExponent = false;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
            negativeExponent = number[i] == '-';
            ++i;
        }
        for (; i < number.size(); ++i) {
            if (exponent < 1'000'000'000) exponent = exponent * 10 + (number[i] - '0');
        }
        if (negativeExponent) exponent = -exponent;
    }
    const double huge = std::numeric_limits<double>::infinity();
    const double result = magnitude + exponent > 0 ? huge : 0.0;
    return negative ? -result : result;
}

// Powers of ten that a double holds exactly.
constexpr double exactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// A cell value as files usually hold it: an optional minus, at most 15 digits with one optional
// point, and then the end of the text or a character that cannot continue a number («81,3»).
// Such digits are an exact whole number and the power of ten is exact, so one division is the
// correctly rounded value, as from_chars would give. False for anything else.
bool plainDecimalValue(std::string_view text, double& value) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    std::uint64_t digits = 0;
    int digitCount = 0;
    int decimals = 0;
    bool seenPoint = false;
    for (; p != end; ++p) {
        if (isDigit(*p)) {
            digits = digits * 10 + static_cast<std::uint64_t>(*p - '0');
            ++digitCount;
            decimals += seenPoint ? 1 : 0;
        } else if (*p == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (digitCount == 0 || digitCount > 15) return false;
    if (p != end && (isIgnoredInNumber(*p) || *p == '.' || *p == 'e' || *p == 'E')) return false;
    const double magnitude = static_cast<double>(digits) / exactPowersOfTen[decimals];
    value = negative ? -magnitude : magnitude;
    return true;
}

} // namespace

double numericValue(std::string_view text) noexcept {
    double plain = 0;
    if (plainDecimalValue(text, plain)) return plain;
    NumberScanner scan(text);
    const std::size_t start = scan.markStart();
    const bool hasPlusSign = scan.peek() == '+';
    if (scan.peek() == '+' || scan.peek() == '-') scan.take();
    int mantissaDigits = 0;
    while (isDigit(scan.peek())) {
        scan.take();
        ++mantissaDigits;
    }
    if (scan.peek() == '.') {
        scan.take();
        while (isDigit(scan.peek())) {
            scan.take();
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return 0.0;
    std::size_t end = scan.position();
    if (scan.peek() == 'e' || scan.peek() == 'E') {
        scan.take();
        if (scan.peek() == '+' || scan.peek() == '-') scan.take();
        if (isDigit(scan.peek())) {
            while (isDigit(scan.peek()))
                scan.take();
            end = scan.position();
        }
    }

    // The accepted characters without the ignored blanks and without a leading plus sign, which
    // from_chars does not take.
    std::string_view number = text.substr(start, end - start);
    std::string compact;
    if (scan.skippedBlank() || hasPlusSign) {
        compact.reserve(number.size());
        bool signSeen = false;
        for (char c : number) {
            if (isIgnoredInNumber(c)) continue;
            if (!signSeen && (c == '+' || c == '-')) {
                signSeen = true;
                if (c == '+') continue;
            }
            signSeen = true;
            compact.push_back(c);
        }
        number = compact;
    }

    double value = 0.0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value,
                                           std::chars_format::general);
    if (ec == std::errc::result_out_of_range) return outOfRangeValue(number);
    if (ec != std::errc()) return 0.0;
    return value;
}

double roundHalfEven(double value) noexcept {
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    return std::nearbyint(value);
}

std::int32_t wholeNumberClamped32(double value) noexcept {
    const double whole = roundHalfEven(value);
    if (std::isnan(whole)) return 0;
    if (whole <= std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    if (whole >= std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(whole);
}

std::string countText(std::int64_t number) {
    std::array<char, 24> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), number);
    return std::string(buffer.data(), result.ptr);
}

std::string messageNumber(std::int64_t number) {
    return number < 0 ? countText(number) : " " + countText(number);
}

void appendCostText(std::string& out, double value) {
    if (value == 0.0) {
        out += " 0";
        return;
    }
    // 15 significant digits in scientific form: "d.dddddddddddddde+XX".
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view text(buffer.data(),
                                static_cast<std::size_t>(result.ptr - buffer.data()));
    const auto ePos = text.find('e');
    std::string digits;
    digits.push_back(text[0]);
    digits.append(text.substr(2, ePos - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    std::from_chars(text.data() + ePos + 1 + (text[ePos + 1] == '+' ? 1 : 0),
                    text.data() + text.size(), exponent);

    out.push_back(value < 0 ? '-' : ' ');
    const auto digitCount = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else if (digitCount <= exponent + 1) {
            out += digits;
            out.append(static_cast<std::size_t>(exponent + 1 - digitCount), '0');
        } else {
            out.append(digits, 0, static_cast<std::size_t>(exponent + 1));
            out.push_back('.');
            out.append(digits, static_cast<std::size_t>(exponent + 1));
        }
        return;
    }
    out.push_back(digits[0]);
    if (digitCount > 1) {
        out.push_back('.');
        out.append(digits, 1);
    }
    out.push_back('E');
    out.push_back(exponent < 0 ? '-' : '+');
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) out.push_back('0');
    out += countText(magnitude);
}

bool appendCostTextOfDecimal(std::string& out, std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    const bool negative = p != end && *p == '-';
    if (negative) ++p;
    const char* const whole = p;
    while (p != end && isDigit(*p))
        ++p;
    const char* const wholeEnd = p;
    const char* decimals = p;
    if (p != end && *p == '.') {
        decimals = ++p;
        while (p != end && isDigit(*p))
            ++p;
    }
    if (p != end || whole == wholeEnd) return false;
    const char* decimalsEnd = p;
    while (decimalsEnd != decimals && decimalsEnd[-1] == '0')
        --decimalsEnd;
    const auto wholeDigits = wholeEnd - whole;
    const auto decimalDigits = decimalsEnd - decimals;
    if (*whole == '0') {
        // Leading zeros would have to go; leave those texts to the rendering.
        if (wholeDigits > 1) return false;
        if (decimalDigits == 0) {
            out += " 0"; // minus zero too
            return true;
        }
        // Below 1E-5 the rendering takes the exponent form.
        const char* significant = decimals;
        while (*significant == '0')
            ++significant;
        if (significant - decimals > 4 || decimalsEnd - significant > 15) return false;
    } else {
        // From 1E+15 on the exponent form; at most 15 significant digits are kept as they are.
        const char* significantEnd = decimalDigits > 0 ? wholeEnd : wholeEnd - 1;
        if (decimalDigits == 0) {
            while (*significantEnd == '0')
                --significantEnd;
            ++significantEnd;
        }
        if (wholeDigits > 15 || (significantEnd - whole) + decimalDigits > 15) return false;
    }
    // A decimal of at most 15 significant digits comes back unchanged from the double nearest to
    // it when rounded to 15 digits, so its own digits are the rendering.
    const auto start = out.size();
    out.resize(start + 1 + static_cast<std::size_t>(wholeDigits) +
               (decimalDigits > 0 ? 1 + static_cast<std::size_t>(decimalDigits) : 0));
    char* q = out.data() + start;
    *q++ = negative ? '-' : ' ';
    q = std::copy(whole, wholeEnd, q);
    if (decimalDigits > 0) {
        *q++ = '.';
        std::copy(decimals, decimalsEnd, q);
    }
    return true;
}

std::string renderCostText(double value) {
    std::string out;
    appendCostText(out, value);
    return out;
}

namespace {

// The correctly rounded three-decimal text of `value` by the exact binary value: slow, but right
// for every double, ties to even included.
void appendLevelTextExact(std::string& out, double value) {
    std::array<char, 330> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 3);
    std::string_view text(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
    if (text == "-0.000") text.remove_prefix(1);
    out.append(text);
}

} // namespace

void appendLevelText(std::string& out, double value) {
    // The level of every safe cell.
    if (value == 0.001) {
        out += "0.001";
        return;
    }
    // Below 1E9 the product with 1000 is off from the exact one by at most 1.3E-4, so unless it
    // lies within 1E-3 of a half it rounds to the same thousandths as the exact value.
    const double thousandths = value * 1000;
    const double whole = std::trunc(thousandths);
    const double fraction = std::fabs(thousandths - whole);
    if (!(std::fabs(value) < 1e9) || std::fabs(fraction - 0.5) < 1e-3) {
        appendLevelTextExact(out, value);
        return;
    }
    const auto rounded =
        static_cast<std::int64_t>(fraction > 0.5 ? whole + (value < 0 ? -1 : 1) : whole);
    std::uint64_t magnitude =
        rounded < 0 ? static_cast<std::uint64_t>(-rounded) : static_cast<std::uint64_t>(rounded);
    // Digits from the right: three decimals, the point, then at least one whole digit.
    std::array<char, 24> buffer{};
    char* p = buffer.data() + buffer.size();
    for (int i = 0; i < 3; ++i) {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    // A value that rounds to zero has no sign.
    if (rounded < 0) *--p = '-';
    out.append(p, static_cast<std::size_t>(buffer.data() + buffer.size() - p));
}

std::string renderLevelText(double value) {
    std::string out;
    appendLevelText(out, value);
    return out;
}

} // namespace vqd
