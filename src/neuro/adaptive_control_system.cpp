#include "neuro/adaptive_control_system.h"

#include <cmath>
#include <utility>

#include "control/adaptation_codes.h"
#include "control/settings.h"
#include "control/text_buffer.h"
#include "control/user_interface.h"
#include "neuro/teacher_state.h"

namespace vardeck {

namespace {

constexpr const char* kTeacherImage = "teacher.img";
constexpr const char* kTeacherPatterns = "teacher.pat";

// The teacher's output times this, rounded, is its decision code.
constexpr double kDecisionScale = 7.5;

// Labels by code, kTrendFell or kKsuLowered first; two of the past-tense texts are spelt with a
// Latin C.
constexpr const char* kTrendNowTexts[] = {"КЭ упал", "КЭ стоит", "КЭ вырос"};
constexpr const char* kTrendBeforeTexts[] = {"КЭ падал", "КЭ стоял", "КЭ рос"};
constexpr const char* kDecisionBeforeTexts[] = {"КCУ уменьшали", "КСУ не меняли",
                                                "КCУ увеличивали"};
constexpr const char* kDecisionNowTexts[] = {"КСУ уменьшаем", "КСУ не меняем", "КСУ увеличиваем"};

void setLabel(char* text, int value, const char* const* texts) {
    static_assert(kTrendRose - kTrendFell == 2 && kKsuRaised - kKsuLowered == 2 &&
                  kTrendFell == kKsuLowered);
    if (value == kNotChecked)
        copyText(text, "");
    else if (value >= kTrendFell && value <= kTrendRose)
        copyText(text, texts[value - kTrendFell]);
}

}  // namespace

AdaptiveControlSystem::AdaptiveControlSystem(Building& building, Settings& settings, UiHooks& ui,
                                             const SolverVariant& variant)
    : NeuroControlSystem(building, settings, ui, variant) {}

void AdaptiveControlSystem::command(CommandCode code, void* argument) {
    switch (code) {
        case CmdHallCallCleared:
            NeuroControlSystem::command(code, argument);
            checkAdaptation();
            break;
        case CmdSaveTeacher:
            teacher.save(kTeacherImage);
            NeuroControlSystem::command(code, argument);
            break;
        case CmdLoadTeacher:
            teacher.load(kTeacherImage);
            NeuroControlSystem::command(code, argument);
            break;
        case CmdLearnTeacher:
            learnTeacher();
            break;
        case CmdOpenTeacherLearning:
            teacher.randomize(0.5f);
            ui_->runTeacherLearning(*this, teacher);
            break;
        case CmdGetTeacherEpoch:
            *static_cast<int*>(argument) = teacher.epoch;
            break;
        case CmdStopTeacherLearning:
            teacher.requestStop();
            break;
        case CmdReset:
            NeuroControlSystem::command(CmdReset, nullptr);
            NeuroControlSystem::command(CmdLoadSolver, &settings_.ksu);
            command(CmdLoadTeacher, nullptr);
            break;
        case CmdClear:
            trendNow = decisionBefore = trendBefore = decisionNow = kNotChecked;
            break;
        case CmdGetLabels: {
            LabelText* texts = static_cast<LabelText*>(argument);
            setLabel(texts[0], trendNow, kTrendNowTexts);
            setLabel(texts[1], trendBefore, kTrendBeforeTexts);
            setLabel(texts[2], decisionBefore, kDecisionBeforeTexts);
            setLabel(texts[3], decisionNow, kDecisionNowTexts);
            break;
        }
        case CmdGetKsu:
            *static_cast<float*>(argument) = settings_.ksu;
            break;
        default:
            NeuroControlSystem::command(code, argument);
            break;
    }
}

void AdaptiveControlSystem::checkAdaptation() {
    if (!meter.checkFull()) return;
    const int trend = meter.trend();
    decisionBefore = settings_.ksuWhereChanged;
    trendBefore = settings_.efficiencyCriteriaWhereChanged;
    const int previous = settings_.efficiencyCriteriaWhereChanged;
    settings_.efficiencyCriteriaWhereChanged = trend;
    decide(trend, previous);
    // Reloaded also when KSU stayed: the image of the current KSU may have been replaced.
    command(CmdLoadSolver, &settings_.ksu);
    trendNow = trend;
    decisionNow = settings_.ksuWhereChanged;
    ui_->adaptationChecked(trend, settings_.ksuWhereChanged, settings_.ksu);
}

void AdaptiveControlSystem::decide(int trend, int previousTrend) {
    const float output =
        teacher.decideOutput(encodeTeacherCode(trend), encodeTeacherCode(previousTrend),
                             encodeTeacherCode(settings_.ksuWhereChanged));
    const double scaled = std::floor(double(output) * kDecisionScale + 0.5);
    // A teacher that answers nonsense decides nothing.
    const int decision = std::isfinite(scaled) && std::fabs(scaled) < 1e6 ? int(scaled) : 0;
    settings_.ksuWhereChanged = decision;
    if (decision == kKsuLowered) {
        settings_.ksu -= settings_.teacherKsuStep;
        if (settings_.ksu < 0) settings_.ksu = 0;
    } else if (decision == kKsuRaised) {
        settings_.ksu += settings_.teacherKsuStep;
        if (settings_.ksu > 1) settings_.ksu = 1;
    }
}

// Runs on the learning window's worker thread for the whole training.
void AdaptiveControlSystem::learnTeacher() {
    TeacherPatternSet patterns;
    patterns.read(kTeacherPatterns);
    teacher.train(std::move(patterns));
    command(CmdSaveTeacher, nullptr);
}

}  // namespace vardeck
