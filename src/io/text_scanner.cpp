#include "io/text_scanner.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <system_error>

#include "io/atomic_file.h"

namespace vardeck {

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lower(text[pos + i]) != word[i]) return false;
    }
    return true;
}

}  // namespace

void TextScanner::skipSpace() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
}

bool TextScanner::literal(std::string_view expected) {
    if (text_.substr(pos_, expected.size()) != expected) return false;
    pos_ += expected.size();
    return true;
}

bool TextScanner::scanSignedDigits(bool& negative, std::uint64_t& magnitude) {
    skipSpace();
    std::size_t p = pos_;
    negative = false;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    if (p >= text_.size() || !isDigit(text_[p])) return false;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    magnitude = 0;
    for (; p < text_.size() && isDigit(text_[p]); ++p) {
        const auto digit = static_cast<std::uint64_t>(text_[p] - '0');
        magnitude = (magnitude > (kMax - digit) / 10) ? kMax : magnitude * 10 + digit;
    }
    pos_ = p;
    return true;
}

bool TextScanner::scanUnsigned(std::uint32_t& value) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!scanSignedDigits(negative, magnitude)) return false;
    // Like strtoul: a minus sign negates modulo 2^64, and the 32-bit store keeps the low half.
    const std::uint64_t wide = negative ? (~magnitude + 1) : magnitude;
    value = static_cast<std::uint32_t>(wide);
    return true;
}

bool TextScanner::scanInt(int& value) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!scanSignedDigits(negative, magnitude)) return false;
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<int>::max());
    if (negative) {
        value = magnitude > kMax ? std::numeric_limits<int>::min() : -static_cast<int>(magnitude);
    } else {
        value = magnitude > kMax ? std::numeric_limits<int>::max() : static_cast<int>(magnitude);
    }
    return true;
}

bool TextScanner::scanFloat(float& value) {
    skipSpace();
    std::size_t p = pos_;
    const std::size_t end = text_.size();
    bool negative = false;
    if (p < end && (text_[p] == '+' || text_[p] == '-')) negative = text_[p++] == '-';
    if (p >= end || text_[p] == '+' || text_[p] == '-') return false;

    const char* first = text_.data() + p;
    const char* last = text_.data() + end;
    float parsed = 0.0f;
    std::from_chars_result result{};
    auto format = std::chars_format::general;
    if (startsWithNoCase(text_, p, "0x")) {
        format = std::chars_format::hex;
        first += 2;
        if (first >= last || *first == '+' || *first == '-') return false;
    }
    result = std::from_chars(first, last, parsed, format);
    if (result.ec == std::errc::result_out_of_range) {
        // Beyond the float range: rounds to infinity or to zero, as the C library would.
        long double wide = 0.0L;
        const auto retry = std::from_chars(first, result.ptr, wide, format);
        if (retry.ec == std::errc{}) {
            constexpr long double kMax = std::numeric_limits<float>::max();
            if (std::fabs(wide) > kMax) {
                parsed = std::numeric_limits<float>::infinity();
            } else {
                parsed = static_cast<float>(std::fabs(wide));
            }
        } else {
            const std::string_view token(first, static_cast<std::size_t>(result.ptr - first));
            const bool tiny = token.find("e-") != std::string_view::npos ||
                              token.find("E-") != std::string_view::npos ||
                              token.find("p-") != std::string_view::npos ||
                              token.find("P-") != std::string_view::npos;
            parsed = tiny ? 0.0f : std::numeric_limits<float>::infinity();
        }
    } else if (result.ec != std::errc{}) {
        return false;
    }
    value = negative ? -parsed : parsed;
    pos_ = static_cast<std::size_t>(result.ptr - text_.data());
    return true;
}

bool TextScanner::readLine(std::string_view& line) {
    if (pos_ >= text_.size()) return false;
    std::size_t endOfLine = text_.find('\n', pos_);
    std::size_t next = endOfLine == std::string_view::npos ? text_.size() : endOfLine + 1;
    if (endOfLine == std::string_view::npos) endOfLine = text_.size();
    std::size_t contentEnd = endOfLine;
    if (contentEnd > pos_ && text_[contentEnd - 1] == '\r') --contentEnd;
    line = text_.substr(pos_, contentEnd - pos_);
    pos_ = next;
    return true;
}

void appendFixed(std::string& out, double value, int decimals, bool forceSign) {
    // Room for the 309 integer digits of the largest double, the decimals and a sign.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (forceSign && buffer[0] != '-') out.push_back('+');
    out.append(buffer, result.ptr);
}

void appendInt(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

bool writeTextFile(const std::string& path, const std::string& text) {
    return writeFileAtomically(path, [&text](std::FILE* file) {
        return std::fwrite(text.data(), 1, text.size(), file) == text.size();
    });
}

}  // namespace vardeck
