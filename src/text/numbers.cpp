#include "text/numbers.h"

#include "text/fields.h"
#include "text/line_building.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace vqd {

namespace {

bool isIgnoredInNumber(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// The digits from `p` on appended to `digits`; returns where they end. Each character's digit
// value is taken once: it decides the end and is the digit.
const char* readDigits(const char* p, const char* end, std::uint64_t& digits) noexcept {
    for (; p != end; ++p) {
        const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
        if (digit > 9) break;
        digits = digits * 10 + digit;
    }
    return p;
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

// The plain digits a text starts with: an optional minus, digits, and after a point (or, when
// `commaIsPoint`, a decimal comma) more digits. `end` is where they stop.
struct PlainDigits {
    bool negative = false;
    std::string_view whole;
    bool pointed = false;
    std::string_view decimals;
    std::uint64_t digits = 0; // whole and decimals as one number; exact up to 19 digits
    const char* end = nullptr;

    std::size_t count() const noexcept { return whole.size() + decimals.size(); }
    // At most 15 digits are an exact whole number and the power of ten is exact, so one division
    // is the correctly rounded value, as from_chars would give.
    bool exact() const noexcept { return count() <= 15; }
    double exactValue() const noexcept {
        const double magnitude = static_cast<double>(digits) / exactPowersOfTen[decimals.size()];
        return negative ? -magnitude : magnitude;
    }
};

PlainDigits scanPlainDigits(std::string_view text, bool commaIsPoint) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    PlainDigits scan;
    scan.negative = p != end && *p == '-';
    if (scan.negative) ++p;
    const char* const whole = p;
    p = readDigits(p, end, scan.digits);
    scan.whole = {whole, static_cast<std::size_t>(p - whole)};
    if (p != end && (*p == '.' || (commaIsPoint && *p == ','))) {
        scan.pointed = true;
        const char* const decimals = ++p;
        p = readDigits(p, end, scan.digits);
        scan.decimals = {decimals, static_cast<std::size_t>(p - decimals)};
    }
    scan.end = p;
    return scan;
}

// A number as texts usually hold it: plain digits, at most 15 of them, and then the end of the
// text or a character that cannot continue a number («81,3»). False for anything else, which
// takes the full numeric rule.
bool plainDecimalValue(std::string_view text, double& value) noexcept {
    const PlainDigits scan = scanPlainDigits(text, false);
    if (scan.count() == 0 || !scan.exact()) return false;
    const char* const p = scan.end;
    if (p != text.data() + text.size() &&
        (isIgnoredInNumber(*p) || *p == '.' || *p == 'e' || *p == 'E'))
        return false;
    value = scan.exactValue();
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

double numericValueCommaAsPoint(std::string_view text) {
    return numericValue(ReplaceCommaPoint(text));
}

bool certainlyFinite(std::string_view text) noexcept {
    // At most 308 digits and no exponent stay below the largest double, about 1.8E+308.
    return text.size() < 309 &&
           std::none_of(text.begin(), text.end(), [](char c) { return c == 'e' || c == 'E'; });
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

std::string messageText(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else {
            shown += "\\x";
            shown += "0123456789abcdef"[byte >> 4];
            shown += "0123456789abcdef"[byte & 0xF];
        }
    }
    return shown;
}

std::string messageValue(std::string_view text) {
    constexpr std::size_t shown = 60;
    if (text.size() <= shown + 3) return messageText(text);
    // Not within a character of several bytes, where the text is UTF-8.
    std::size_t cut = shown;
    while (cut > shown - 3 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return messageText(text.substr(0, cut)) + "...";
}

char* writeCostText(char* to, double value) noexcept {
    if (value == 0.0) return copyShort(to, " 0");
    // 15 significant digits in scientific form: "d.dddddddddddddde+XX".
    std::array<char, 40> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      std::fabs(value), std::chars_format::scientific, 14);
    const char* const e = std::find(buffer.data(), result.ptr, 'e');
    std::array<char, 16> digits{};
    digits[0] = buffer[0];
    const char* significantEnd = std::copy<const char*>(buffer.data() + 2, e, digits.data() + 1);
    while (significantEnd - digits.data() > 1 && significantEnd[-1] == '0')
        --significantEnd;
    const auto digitCount = static_cast<int>(significantEnd - digits.data());
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), result.ptr, exponent);

    *to++ = value < 0 ? '-' : ' ';
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            to = copyShort(to, "0.");
            to = std::fill_n(to, -exponent - 1, '0');
            return std::copy_n(digits.data(), digitCount, to);
        }
        if (digitCount <= exponent + 1) {
            to = std::copy_n(digits.data(), digitCount, to);
            return std::fill_n(to, exponent + 1 - digitCount, '0');
        }
        to = std::copy_n(digits.data(), exponent + 1, to);
        *to++ = '.';
        return std::copy(digits.cbegin() + exponent + 1, significantEnd, to);
    }
    *to++ = digits[0];
    if (digitCount > 1) {
        *to++ = '.';
        to = std::copy(digits.cbegin() + 1, significantEnd, to);
    }
    *to++ = 'E';
    *to++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude < 10) *to++ = '0';
    return std::to_chars(to, to + 3, magnitude).ptr;
}

bool readPlainDecimal(std::string_view text, PlainDecimal& number) noexcept {
    const PlainDigits scan = scanPlainDigits(text, true);
    if (scan.whole.empty() || scan.end != text.data() + text.size()) return false;
    number.negative = scan.negative;
    number.whole = scan.whole;
    number.pointed = scan.pointed;
    number.decimals = scan.decimals;
    number.exact = scan.exact();
    if (number.exact) number.value = scan.exactValue();
    return true;
}

char* writeCostTextOfDecimal(char* to, const PlainDecimal& number) noexcept {
    const bool negative = number.negative;
    const char* const whole = number.whole.data();
    const char* const wholeEnd = whole + number.whole.size();
    const char* const decimals = number.decimals.data();
    const char* decimalsEnd = decimals + number.decimals.size();
    while (decimalsEnd != decimals && decimalsEnd[-1] == '0')
        --decimalsEnd;
    const auto wholeDigits = wholeEnd - whole;
    const auto decimalDigits = decimalsEnd - decimals;
    if (*whole == '0') {
        // Leading zeros would have to go; leave those texts to the rendering.
        if (wholeDigits > 1) return nullptr;
        if (decimalDigits == 0) return copyShort(to, " 0"); // minus zero too
        // Below 1E-5 the rendering takes the exponent form.
        const char* significant = decimals;
        while (*significant == '0')
            ++significant;
        if (significant - decimals > 4 || decimalsEnd - significant > 15) return nullptr;
    } else {
        // From 1E+15 on the exponent form; at most 15 significant digits are kept as they are.
        const char* significantEnd = decimalDigits > 0 ? wholeEnd : wholeEnd - 1;
        if (decimalDigits == 0) {
            while (*significantEnd == '0')
                --significantEnd;
            ++significantEnd;
        }
        if (wholeDigits > 15 || (significantEnd - whole) + decimalDigits > 15) return nullptr;
    }
    // A decimal of at most 15 significant digits comes back unchanged from the double nearest to
    // it when rounded to 15 digits, so its own digits are the rendering.
    *to++ = negative ? '-' : ' ';
    to = copyShort(to, {whole, static_cast<std::size_t>(wholeDigits)});
    if (decimalDigits > 0) {
        *to++ = '.';
        to = copyShort(to, {decimals, static_cast<std::size_t>(decimalDigits)});
    }
    return to;
}

std::string renderCostText(double value) {
    std::array<char, maxCostTextSize> text{};
    return std::string(text.data(), writeCostText(text.data(), value));
}

namespace {

// "00" to "99": the level's digits are made two at a time.
constexpr std::array<char, 200> digitPairs = [] {
    std::array<char, 200> pairs{};
    for (std::size_t i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

} // namespace

char* writeLevelText(char* to, double value) noexcept {
    // The level of every safe cell.
    if (value == 0.001) return copyShort(to, "0.001");
    // Below 1E9 the product with 1000 is off from the exact one by at most 1.3E-4, so unless it
    // lies within 1E-3 of a half it rounds to the same thousandths as the exact value.
    // From 1E9 on, the text of the exact binary value: slower, but right, and never a signed zero.
    if (!(std::fabs(value) < 1e9))
        return std::to_chars(to, to + maxLevelTextSize, value, std::chars_format::fixed, 3).ptr;
    const double thousandths = std::fabs(value) * 1000;
    // Below 1E12 the conversion truncates exactly, without a call for trunc.
    std::uint64_t magnitude = static_cast<std::uint64_t>(thousandths);
    const double whole = static_cast<double>(magnitude);
    const double fraction = thousandths - whole;
    bool up = fraction > 0.5;
    if (std::fabs(fraction - 0.5) < 1e-3) {
        // Near a half the rounded product cannot decide. The product's rounding error is exactly
        // representable, and the half lies so close to the product that their difference is
        // exact too, so the sign of the exact distance from the half settles it; a tie goes to
        // the even neighbour.
        const double error = std::fma(std::fabs(value), 1000, -thousandths);
        const double distance = (thousandths - (whole + 0.5)) + error;
        up = distance > 0 || (distance == 0 && magnitude % 2 != 0);
    }
    magnitude += up ? 1 : 0;
    const bool negative = value < 0 && magnitude > 0;
    // Digits from the right, two at a time: three decimals, the point, then at least one whole
    // digit.
    const auto decimals = static_cast<std::size_t>(magnitude % 1000);
    magnitude /= 1000;
    std::array<char, 24> buffer{};
    char* p = buffer.data() + buffer.size() - 2;
    std::memcpy(p, &digitPairs[2 * (decimals % 100)], 2);
    *--p = static_cast<char>('0' + decimals / 100);
    *--p = '.';
    for (; magnitude >= 100; magnitude /= 100) {
        p -= 2;
        std::memcpy(p, &digitPairs[2 * (magnitude % 100)], 2);
    }
    if (magnitude >= 10) {
        p -= 2;
        std::memcpy(p, &digitPairs[2 * magnitude], 2);
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    // A value that rounds to zero has no sign.
    if (negative) *--p = '-';
    return copyShort(to, {p, static_cast<std::size_t>(buffer.data() + buffer.size() - p)});
}

std::string renderLevelText(double value) {
    std::array<char, maxLevelTextSize> text{};
    return std::string(text.data(), writeLevelText(text.data(), value));
}

} // namespace vqd
