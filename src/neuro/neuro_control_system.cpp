#include "neuro/neuro_control_system.h"

#include <algorithm>
#include <utility>

#include "control/settings.h"
#include "control/text_buffer.h"
#include "control/user_interface.h"
#include "model/building.h"
#include "neuro/image_name.h"
#include "neuro/look_ahead_state.h"

namespace vardeck {

namespace {

int relativeTo(int floor, int carFloor) {
    if (floor > carFloor) return SolverState::kTargetAbove;
    if (floor < carFloor) return SolverState::kTargetBelow;
    return SolverState::kTargetHere;
}

}  // namespace

NeuroControlSystem::NeuroControlSystem(Building& building, Settings& settings, UiHooks& ui,
                                       const SolverVariant& variant)
    : ScheduleControlSystem(building, settings, ui), floorCounter(settings), variant_(variant) {}

void NeuroControlSystem::command(CommandCode code, void* argument) {
    switch (code) {
        case CmdHallCallAdded:
            floorCounter.record(static_cast<const int*>(argument)[0]);
            ScheduleControlSystem::command(code, argument);
            break;
        case CmdStep:
            command(CmdBeginStep, nullptr);
            commandWriter.write(building_.car, solver.decide(encodeState()));
            break;
        case CmdSaveSolver:
            solver.save(variant_.image);
            break;
        case CmdLoadSolver:
            if (argument)
                solver.load(
                    numberedImageName(*static_cast<const float*>(argument), variant_.image));
            else
                solver.load(variant_.image);
            break;
        case CmdLearnSolver:
            learn();
            break;
        case CmdToggleSolverLearning:
            if (argument)
                static_cast<SolverLearningToggle*>(argument)->toggleLearning(*this, solver);
            break;
        case CmdGetSolverEpoch:
            *static_cast<int*>(argument) = solver.epoch;
            break;
        case CmdStopSolverLearning:
            solver.requestStop();
            break;
        case CmdSaveSolverPatterns: {
            std::lock_guard lock(patternsMutex_);
            patterns_.write(variant_.patterns);
            break;
        }
        case CmdReset:
            readPatterns();
            floorCounter.start();
            ScheduleControlSystem::command(code, argument);
            break;
        case CmdClear:
            floorCounter.reset();
            ScheduleControlSystem::command(code, argument);
            break;
        case CmdGetImageName:
            copyText(static_cast<char*>(argument), solver.imageName());
            break;
        case CmdGetPopulestFloor:
            *static_cast<int*>(argument) = floorCounter.count();
            break;
        default:
            ScheduleControlSystem::command(code, argument);
            break;
    }
}

void NeuroControlSystem::readPatterns() {
    PatternSet fresh;
    fresh.read(variant_.patterns);
    std::lock_guard lock(patternsMutex_);
    patterns_ = std::move(fresh);
}

// Runs on the learning panel's worker thread for the whole training.
void NeuroControlSystem::learn() {
    readPatterns();
    PatternSet copy;
    {
        std::lock_guard lock(patternsMutex_);
        copy = patterns_;
    }
    solver.train(std::move(copy));
    command(CmdSaveSolver, nullptr);
}

SolverState NeuroControlSystem::encodeState() {
    const SolverState classic = encodeClassicState();
    if (!variant_.lookAhead) return classic;
    return withLookAhead(classic, building_.car, building_.hallPanel);
}

SolverState NeuroControlSystem::encodeClassicState() {
    const Car& car = building_.car;
    const HallCallPanel& hall = building_.hallPanel;
    const int a = car.floor;
    const int b = car.highestButton();
    const int h = hall.highestLit(kHallEither);

    SolverState s;
    s.doorOpen = car.doorOpen;
    s.lastMove = car.lastMove;
    s.direction = car.direction;
    if (s.lastMove != kNone && s.direction == kNone) s.lastMove = kNone;
    s.populestOffset = 0;
    s.target = b != 0 ? relativeTo(b, a) : h != 0 ? relativeTo(h, a) : SolverState::kNoTarget;
    s.buttonHere = isFloor(a) ? car.buttons[a] : 0;
    s.upHere = hall.isLit(a, kHallUp);
    s.downHere = hall.isLit(a, kHallDown);

    if (s.doorOpen == 1) {
        s.lastMove = s.direction = s.buttonHere = s.upHere = s.downHere = 0;
        s.target = SolverState::kNoTarget;
        return s;
    }
    if (s.buttonHere == 1) {
        s.doorOpen = s.lastMove = s.direction = s.upHere = s.downHere = 0;
        s.target = SolverState::kNoTarget;
        return s;
    }
    if (s.lastMove == kUp) {
        if (!(s.target == SolverState::kTargetHere && s.upHere == 0 && s.downHere != 0))
            s.target = SolverState::kNoTarget;
        return s;
    }
    if (s.lastMove == kDown) {
        if (!(s.target == SolverState::kTargetHere && s.upHere != 0 && s.downHere == 0))
            s.target = SolverState::kNoTarget;
        return s;
    }
    if (s.direction != kNone) {
        s.target = SolverState::kNoTarget;
        return s;
    }
    if (s.upHere == 0 && s.downHere == 0 && s.target == SolverState::kNoTarget) {
        // In double: the populest floor comes from the settings file and may be any int.
        const double offset = (double(floorCounter.count()) - a) * (1.0 / kPopulestReach);
        s.populestOffset = static_cast<float>(std::clamp(offset, -1.0, 1.0));
    }
    return s;
}

}  // namespace vardeck
