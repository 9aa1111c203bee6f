#pragma once

#include <optional>
#include <string>
#include <vector>

#include "study/input_error.h"

namespace vardeck::cli {

// A bad command line: the message goes to stderr and the driver exits with 2.
using UsageError = study::InputError;

// Walks the words of a command line.
class Arguments {
public:
    Arguments(std::vector<std::string> words) : words_(std::move(words)) {}

    bool done() const { return next_ >= words_.size(); }
    std::string take() { return words_.at(next_++); }
    // Gives back the word last taken.
    void putBack() {
        if (next_ > 0) --next_;
    }
    // The value that follows option `name`.
    std::string value(const std::string& name);
    long long integer(const std::string& name, long long min, long long max);
    double number(const std::string& name);
    // A number from 0 to 1.
    double share(const std::string& name);
    // A value that may not be empty; `what` names it in the refusal ("a file name").
    std::string nonEmpty(const std::string& name, const char* what);

private:
    std::vector<std::string> words_;
    std::size_t next_ = 0;
};

}  // namespace vardeck::cli
