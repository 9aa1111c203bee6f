#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vardeck {

// Reads the plain-text network files the way their scanf-style formats describe them, but from a
// buffer and without ever reading past its end, and independent of the process locale (a window
// toolkit may switch it to one with a decimal comma).
class TextScanner {
public:
    explicit TextScanner(std::string_view text) : text_(text) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    std::size_t remaining() const { return text_.size() - pos_; }

    // A white-space directive: skips any run of white space, line ends included.
    void skipSpace();
    // Ordinary format characters: they must follow at once.
    bool literal(std::string_view expected);
    // "%u": white space, an optional sign and digits; wraps like the C library does.
    bool scanUnsigned(std::uint32_t& value);
    // "%d": white space, an optional sign and digits; saturates like the C library does.
    bool scanInt(int& value);
    // "%f": white space and a decimal, hexadecimal, infinite or NaN number.
    bool scanFloat(float& value);
    // One whole line without its line end ("\n" or "\r\n"); false at the end of the text.
    bool readLine(std::string_view& line);

private:
    bool scanSignedDigits(bool& negative, std::uint64_t& magnitude);

    std::string_view text_;
    std::size_t pos_ = 0;
};

// printf "%f"-style fixed notation with `decimals` decimals, independent of the locale.
void appendFixed(std::string& out, double value, int decimals, bool forceSign = false);
void appendInt(std::string& out, long long value);

// Writes `text` as the whole new content of `path`, replacing the file only when all went well.
bool writeTextFile(const std::string& path, const std::string& text);

}  // namespace vardeck
