#include "control/controller_control_system.h"

#include <array>
#include <charconv>

#include "control/controller_session.h"
#include "model/building.h"

namespace vardeck {

namespace {

constexpr int kKeep = -1;

enum class AnswerFault { None, Malformed, OutOfRange };

// DOOR MOVE DIRECTION: three fields one space apart, each 0, 1, 2 or '-' (kKeep).
AnswerFault readOrders(std::string_view answer, std::array<int, 3>& orders) {
    std::size_t field = 0;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t space = answer.find(' ', begin);
        const std::string_view word = answer.substr(begin, space - begin);
        if (field == orders.size() || word.empty()) return AnswerFault::Malformed;
        if (word == "-") {
            orders[field] = kKeep;
        } else if (word.find_first_not_of("0123456789") != std::string_view::npos) {
            return AnswerFault::Malformed;
        } else if (word.size() != 1 || word[0] > '2') {
            return AnswerFault::OutOfRange;
        } else {
            orders[field] = word[0] - '0';
        }
        ++field;
        if (space == std::string_view::npos) break;
        begin = space + 1;
    }
    return field == orders.size() ? AnswerFault::None : AnswerFault::Malformed;
}

}  // namespace

ControllerControlSystem::ControllerControlSystem(Building& building, Settings& settings,
                                                 UiHooks& ui, ControllerSession& session)
    : ScheduleControlSystem(building, settings, ui), session_(session) {
    lines_.reserve(256);
}

void ControllerControlSystem::command(CommandCode code, void* argument) {
    switch (code) {
        case CmdHallCallAdded:
        case CmdHallCallCleared: {
            const int* call = static_cast<const int*>(argument);
            queueCall(code == CmdHallCallAdded ? "call " : "cleared ", call[0], call[1]);
            ScheduleControlSystem::command(code, argument);
            break;
        }
        case CmdCarCallAdded:
            lines_ += "button ";
            appendNumber(*static_cast<const int*>(argument));
            lines_ += '\n';
            ScheduleControlSystem::command(code, argument);
            break;
        case CmdStep:
            command(CmdBeginStep, nullptr);
            exchangeStep();
            break;
        case CmdReset:
            lines_.clear();
            step_ = 0;
            ScheduleControlSystem::command(code, argument);
            break;
        default:
            ScheduleControlSystem::command(code, argument);
            break;
    }
}

void ControllerControlSystem::queueCall(const char* what, int floor, int dir) {
    lines_ += what;
    appendNumber(floor);
    // Any direction but down is the up lamp, as the hall panel lights it.
    lines_ += dir == kHallDown ? " down\n" : " up\n";
}

void ControllerControlSystem::appendNumber(long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    lines_.append(digits, end);
}

void ControllerControlSystem::appendLamps(const int* lamps) {
    lines_ += ' ';
    for (int f = 1; f <= kFloorCount; ++f) lines_ += lamps[f] != 0 ? '1' : '0';
}

void ControllerControlSystem::exchangeStep() {
    Car& car = building_.car;
    const HallCallPanel& hall = building_.hallPanel;
    lines_ += "step ";
    appendNumber(step_);
    for (const int value : {car.floor, car.doorOpen, car.doorTimer, car.lastMove, car.direction,
                            car.moveCommand, car.doorCommand}) {
        lines_ += ' ';
        appendNumber(value);
    }
    appendLamps(car.buttons.data());
    appendLamps(hall.up.data());
    appendLamps(hall.down.data());

    const std::string_view answer = session_.exchange(lines_, step_);
    lines_.clear();
    ++step_;
    std::array<int, 3> orders{};
    switch (readOrders(answer, orders)) {
        case AnswerFault::Malformed:
            session_.fail("answered " + quotedLine(answer) +
                          ", not DOOR MOVE DIRECTION (three of 0, 1, 2 or -, one space apart)");
        case AnswerFault::OutOfRange:
            session_.fail("answered " + quotedLine(answer) +
                          ", an order out of range (each is 0, 1, 2 or -)");
        case AnswerFault::None:
            break;
    }
    if (orders[0] != kKeep) car.doorCommand = orders[0];
    if (orders[1] != kKeep) car.moveCommand = orders[1];
    if (orders[2] != kKeep) car.direction = orders[2];
}

}  // namespace vardeck
