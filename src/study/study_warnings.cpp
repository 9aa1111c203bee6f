#include "study/study_warnings.h"

#include <map>

#include "study/compare_row.h"
#include "study/system_choice.h"

namespace vardeck::study {

std::vector<std::string> degenerateRunWarnings(const StudyPlan& plan,
                                               const std::vector<std::size_t>& indices,
                                               const std::vector<std::string>& rows) {
    const std::size_t calls = compareColumnIndex("calls");
    const std::size_t answered = compareColumnIndex("answered");
    const std::size_t unserved = compareColumnIndex("pax_unserved");
    struct Count {
        std::size_t runs = 0, silent = 0, leaving = 0;
        double left = 0;
    };
    std::map<SystemChoice, Count> counts;
    for (std::size_t i = 0; i < rows.size() && i < indices.size(); ++i) {
        const auto values = compareRowValues(rows[i]);
        const auto at = [&](std::size_t column) {
            return column < values.size() && values[column] ? *values[column] : 0.0;
        };
        Count& c = counts[plan.run(indices[i]).system];
        ++c.runs;
        if (at(calls) > 0 && at(answered) == 0) ++c.silent;
        if (at(unserved) > 0) {
            ++c.leaving;
            c.left += at(unserved);
        }
    }
    std::vector<std::string> lines;
    for (const SystemChoice& kind : plan.systems) {
        const auto found = counts.find(kind);
        if (found == counts.end()) continue;
        const Count& c = found->second;
        const std::string name = kind.name();
        if (c.silent > 0)
            lines.push_back(name + ": answered no hall call in " + std::to_string(c.silent) +
                            " of " + std::to_string(c.runs) +
                            " runs although calls were made; its figures describe a car that "
                            "did not serve");
        if (c.leaving > 0)
            lines.push_back(name + ": left passengers unserved at the end in " +
                            std::to_string(c.leaving) + " of " + std::to_string(c.runs) +
                            " runs (" + std::to_string(static_cast<long long>(c.left)) +
                            " passengers in all); they count as waiting until the run's end");
    }
    return lines;
}

}  // namespace vardeck::study
