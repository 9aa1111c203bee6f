#include "neuro/adaptive_control_system.h"

#include <cmath>
#include <utility>

#include "control/settings.h"
#include "control/text_buffer.h"
#include "control/user_interface.h"

namespace vardeck {

namespace {

constexpr const char* kTeacherImage = "teacher.img";
constexpr const char* kTeacherPatterns = "teacher.pat";
constexpr double kCodeScale = 0.13333333333333333;

// Labels by value 1..3; two of the past-tense texts are spelt with a Latin C.
constexpr const char* kTrendNowTexts[] = {"КЭ упал", "КЭ стоит", "КЭ вырос"};
constexpr const char* kTrendBeforeTexts[] = {"КЭ падал", "КЭ стоял", "КЭ рос"};
constexpr const char* kDecisionBeforeTexts[] = {"КCУ уменьшали", "КСУ не меняли",
                                                "КCУ увеличивали"};
constexpr const char* kDecisionNowTexts[] = {"КСУ уменьшаем", "КСУ не меняем", "КСУ увеличиваем"};

void setLabel(char* text, int value, const char* const* texts) {
    if (value == 0)
        copyText(text, "");
    else if (value >= 1 && value <= 3)
        copyText(text, texts[value - 1]);
}

}  // namespace

AdaptiveControlSystem::AdaptiveControlSystem(Building& building, Settings& settings, UiHooks& ui)
    : NeuroControlSystem(building, settings, ui) {}

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
            ui->runTeacherLearning(*this, teacher);
            break;
        case CmdGetTeacherEpoch:
            *static_cast<int*>(argument) = teacher.epoch;
            break;
        case CmdStopTeacherLearning:
            teacher.requestStop();
            break;
        case CmdReset:
            NeuroControlSystem::command(CmdReset, nullptr);
            NeuroControlSystem::command(CmdLoadSolver, &settings.ksu);
            command(CmdLoadTeacher, nullptr);
            break;
        case CmdClear:
            trendNow = decisionBefore = trendBefore = decisionNow = 0;
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
            *static_cast<float*>(argument) = settings.ksu;
            break;
        default:
            NeuroControlSystem::command(code, argument);
            break;
    }
}

void AdaptiveControlSystem::checkAdaptation() {
    if (!meter.CheckFull()) return;
    const int trend = meter.Trend();
    decisionBefore = settings.ksuWhereChanged;
    trendBefore = settings.efficiencyCriteriaWhereChanged;
    const int previous = settings.efficiencyCriteriaWhereChanged;
    settings.efficiencyCriteriaWhereChanged = trend;
    Decide(trend, previous);
    // Reloaded also when KSU stayed: the image of the current KSU may have been replaced.
    command(CmdLoadSolver, &settings.ksu);
    trendNow = trend;
    decisionNow = settings.ksuWhereChanged;
    ui->adaptationChecked(trend, settings.ksuWhereChanged, settings.ksu);
}

void AdaptiveControlSystem::Decide(int trend, int previousTrend) {
    auto encode = [](int code) {
        return static_cast<float>(static_cast<float>(code) * kCodeScale);
    };
    const float output = teacher.decideOutput(encode(trend), encode(previousTrend),
                                              encode(settings.ksuWhereChanged));
    const double scaled = std::floor(double(output) * 7.5 + 0.5);
    // A teacher that answers nonsense decides nothing.
    const int decision = std::isfinite(scaled) && std::fabs(scaled) < 1e6 ? int(scaled) : 0;
    settings.ksuWhereChanged = decision;
    if (decision == 1) {
        settings.ksu -= settings.teacherKsuStep;
        if (settings.ksu < 0) settings.ksu = 0;
    } else if (decision == 3) {
        settings.ksu += settings.teacherKsuStep;
        if (settings.ksu > 1) settings.ksu = 1;
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
