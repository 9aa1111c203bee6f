#pragma once

#include <string>

namespace vardeck::study {

// Input the user got wrong: an option's value, a list, the content of a file. The commands
// report its message and exit with 2.
struct InputError {
    std::string message;
};

}  // namespace vardeck::study
