#!/usr/bin/env python3
# Vardeck's built-in schedule system, written as a controller (protocol version 1, see
# docs/controller-protocol.md). It serves the requests in the car's direction of travel: an
# open door closes; an idle car heads for the highest request; a moving car keeps going while
# requests lie ahead; the doors open where a call waits. Its runs are step for step those of
# `--system schedule`:
#   vardeck-cli run --controller mine='python3 schedule.py' --system mine --trace
import sys

NONE, UP, DOWN = 0, 1, 2
OPEN, CLOSE = 1, 2


def lit(lamps):
    """The floors whose character in a 28-character lamp field is 1."""
    return [floor for floor, lamp in enumerate(lamps, start=1) if lamp == "1"]


def decide(floor, door_open, last_move, direction, buttons, up, down):
    """The orders DOOR, MOVE, DIRECTION of one step; None leaves an order as it is."""
    if door_open:
        return CLOSE, None, None
    cars, halls = lit(buttons), lit(up) + lit(down)
    requests = cars + halls
    move = new_direction = None
    if last_move == NONE and direction == NONE:
        target = max(cars) if cars else max(halls, default=0)
        if target:
            move = new_direction = UP if target > floor else DOWN if target < floor else NONE
    elif direction in (UP, DOWN) and last_move in (NONE, direction):
        move = direction
        if (not requests or (direction == UP and floor >= max(requests))
                or (direction == DOWN and floor <= min(requests))):
            move = new_direction = NONE
    # A travelling car answers calls its own way, and the other way once it stops here.
    stopped = direction == NONE or new_direction == NONE
    here_up, here_down = up[floor - 1] == "1", down[floor - 1] == "1"
    if (buttons[floor - 1] == "1" or (direction == UP and here_up)
            or (direction == DOWN and here_down) or (stopped and (here_up or here_down))):
        return OPEN, NONE, new_direction
    return None, move, new_direction


for line in sys.stdin:
    words = line.split()
    if words[0] == "hello":
        print("ready schedule.py", flush=True)
    elif words[0] == "step":
        floor, door_open, _timer, last_move, direction = map(int, words[2:7])
        orders = decide(floor, door_open, last_move, direction, *words[9:12])
        print(" ".join("-" if o is None else str(o) for o in orders), flush=True)
    elif words[0] == "bye":
        break
