#include <cerrno>
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/option_table.h"
#include "cli/write_failure.h"
#include "io/atomic_file.h"
#include "io/text_scanner.h"
#include "neuro/look_ahead_rule.h"
#include "neuro/solver_rule.h"
#include "study/formatted_text.h"

namespace vardeck::cli {

using namespace study;

namespace {

const char* const kMakePatternsUsage =
    "Usage: vardeck-cli make-patterns [--state classic|ahead]\n"
    "                                 [--ksu K | --teacher] -o FILE\n"
    "\n"
    "Writes solver training patterns (the solver.pat format) for every state\n"
    "the neuro system can show the solver, with the orders of the schedule\n"
    "rule (see the README for the rule and the choices where the state cannot\n"
    "tell situations apart).\n"
    "\n"
    "Options:\n"
    "  --state S  the state the solver sees: classic (default), that of the\n"
    "             neuro and adaptive systems, or ahead, the look-ahead state\n"
    "             of neuro-ahead and adaptive-ahead (a car with a direction\n"
    "             sees whether a request lies ahead); the ahead patterns take\n"
    "             the schedule's decision in each state and the classic\n"
    "             parking\n"
    "  --ksu K    0..1: an idle car without requests moves toward the\n"
    "             populest floor when it lies at least (1 - K) x 14 floors\n"
    "             away (default 0: it never moves)\n"
    "  --teacher  write the teacher's patterns (the teacher.pat format)\n"
    "             instead: with no decision yet or a steady criterion\n"
    "             increase KSU; after a rise repeat an increase or a keep and\n"
    "             keep KSU after a decrease; after a fall undo a decrease,\n"
    "             otherwise decrease\n"
    "  -o FILE    the pattern file to write\n";

bool writeSolverPatterns(const std::string& output, double ksu, bool lookAhead) {
    const auto states = lookAhead ? lookAheadStates() : reachableStates();
    std::string text;
    appendf(text, "%u\n", static_cast<unsigned>(states.size()));
    for (const MaskedState& s : states) {
        const OutputBits b = lookAhead ? wantedLookAheadOutputs(s, ksu) : wantedOutputs(s, ksu);
        appendf(text, "%d %d %d %d %d %d %d %+1.1f    %d %d %d %d %d %d %d %d\n", s.doorOpen,
                s.lastMove, s.direction, s.target, s.buttonHere, s.upHere, s.downHere,
                s.offsetTenths / 10.0, b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    }
    return writeTextFile(output, text);
}

bool writeTeacherPatterns(const std::string& output) {
    const auto rows = teacherRows();
    std::string text;
    appendf(text, "%u\n", static_cast<unsigned>(rows.size()));
    for (const TeacherRow& row : rows)
        appendf(text, "%d %d %d    %d\n", row.trend, row.previousTrend, row.decisionInForce,
                row.decision);
    return writeTextFile(output, text);
}

struct PatternOptions {
    double ksu = 0;
    bool haveKsu = false;
    bool teacher = false;
    bool lookAhead = false, haveState = false;
    std::string output;
};

const OptionTable<PatternOptions> kPatternOptions{
    "make-patterns",
    kMakePatternsUsage,
    {{"--ksu", nullptr,
      [](Arguments& args, const std::string& option, PatternOptions& o) {
          o.ksu = args.number(option);
          o.haveKsu = true;
          if (o.ksu < 0 || o.ksu > 1) throw UsageError{"--ksu wants a number from 0 to 1"};
      }},
     {"--state", nullptr,
      [](Arguments& args, const std::string& option, PatternOptions& o) {
          const std::string state = args.value(option);
          if (state != "classic" && state != "ahead")
              throw UsageError{"unknown state '" + state + "' (classic or ahead)"};
          o.lookAhead = state == "ahead";
          o.haveState = true;
      }},
     {"--teacher", nullptr, takeFlag<&PatternOptions::teacher>},
     {"-o", "--output", takeText<&PatternOptions::output>}}};

}  // namespace

int makePatternsCommand(Arguments& args) {
    PatternOptions o;
    if (!kPatternOptions.read(args, o)) return 0;
    if (o.teacher && o.haveKsu)
        throw UsageError{"--ksu belongs to the solver's patterns, not to --teacher"};
    if (o.teacher && o.haveState)
        throw UsageError{"--state belongs to the solver's patterns, not to --teacher"};
    if (o.output.empty()) throw UsageError{"say where to write the patterns: -o FILE"};
    const bool written = o.teacher ? writeTeacherPatterns(o.output)
                                   : writeSolverPatterns(o.output, o.ksu, o.lookAhead);
    if (!written) {
        return cannotWriteFile("make-patterns", o.output, errno);
    }
    return 0;
}

}  // namespace vardeck::cli
