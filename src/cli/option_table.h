#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"

namespace vardeck::cli {

// One option of a command: its names and what it takes from the command line into `Options`.
template <class Options>
struct OptionRule {
    const char* name;
    const char* alias;  // another name, or nullptr
    void (*take)(Arguments& args, const std::string& option, Options& o);
};

// The options that `member` belongs to.
template <auto member>
struct MemberOf;
template <class O, class T, T O::*member>
struct MemberOf<member> {
    using Options = O;
};

// The rules of the plainest options: one that sets a flag, one that takes its value as it is.
template <auto member>
void takeFlag(Arguments&, const std::string&, typename MemberOf<member>::Options& o) {
    o.*member = true;
}
template <auto member>
void takeText(Arguments& args, const std::string& option, typename MemberOf<member>::Options& o) {
    o.*member = args.value(option);
}
// A file's name, which may not be empty: an empty one would quietly mean the default file.
template <auto member>
void takeFileName(Arguments& args, const std::string& option,
                  typename MemberOf<member>::Options& o) {
    o.*member = args.nonEmpty(option, "a file name");
}

// A command's options as a table, so that every command reads its words, answers --help and
// refuses what it does not know alike.
template <class Options>
struct OptionTable {
    using Rule = OptionRule<Options>;

    const char* command;
    const char* usage;
    std::vector<Rule> rules;
    // Takes a word that is no option (train's network) and says whether it did; without it
    // every word must be an option.
    bool (*word)(const std::string& word, Options& o) = nullptr;

    // Reads the rest of the command line into `o`, and lists the rules it used in `taken` if
    // given. Returns false when --help printed the usage instead.
    bool read(Arguments& args, Options& o, std::vector<const Rule*>* taken = nullptr) const {
        while (!args.done()) {
            const std::string option = args.take();
            if (option == "--help" || option == "-h") {
                std::fputs(usage, stdout);
                return false;
            }
            if (const Rule* rule = find(option)) {
                if (taken) taken->push_back(rule);
                rule->take(args, option, o);
            } else if (!word || !word(option, o)) {
                throw UsageError{std::string("unknown ") + (word ? "argument" : "option") + " '" +
                                 option + "' " + tryHelp()};
            }
        }
        return true;
    }

    // A refusal of a command line that lacks `what`.
    UsageError missing(const std::string& what) const {
        return UsageError{what + " is required " + tryHelp()};
    }

private:
    const Rule* find(const std::string& option) const {
        for (const Rule& rule : rules)
            if (option == rule.name || (rule.alias && option == rule.alias)) return &rule;
        return nullptr;
    }
    std::string tryHelp() const { return std::string("(try vardeck-cli ") + command + " --help)"; }
};

}  // namespace vardeck::cli
