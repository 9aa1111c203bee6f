#pragma once

#include <cstring>
#include <string_view>

#include "control/command_code.h"

namespace vardeck {

// Copies `text` into a zero-terminated buffer of kTextBufferSize bytes, cutting it if needed.
inline void copyText(char* buffer, std::string_view text) {
    const std::size_t length =
        text.size() < kTextBufferSize - 1 ? text.size() : kTextBufferSize - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

}  // namespace vardeck
