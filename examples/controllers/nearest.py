#!/usr/bin/env python3
# A controller for Vardeck (protocol version 1, see docs/controller-protocol.md) with a rule of
# its own: go to the nearest request (a car button or a lit hall lamp), open the doors there,
# then decide afresh. On a tie it keeps its way. A start for a rule of your own:
#   vardeck-cli compare --play data/sample.but --systems schedule,nearest \
#       --controller nearest='python3 examples/controllers/nearest.py'
import sys

NONE, UP, DOWN = 0, 1, 2
OPEN, CLOSE = 1, 2


def decide(floor, door_open, direction, buttons, up, down):
    """The orders DOOR, MOVE, DIRECTION of one step, as the protocol writes them."""
    if door_open:
        return f"{CLOSE} - -"
    requests = [f for f in range(1, 29) if "1" in (buttons[f - 1], up[f - 1], down[f - 1])]
    if not requests:
        return f"- {NONE} {NONE}"
    if floor in requests:
        return f"{OPEN} {NONE} {NONE}"
    ahead = (lambda f: f > floor) if direction != DOWN else (lambda f: f < floor)
    target = min(requests, key=lambda f: (abs(f - floor), not ahead(f)))
    way = UP if target > floor else DOWN
    return f"- {way} {way}"


for line in sys.stdin:
    words = line.split()
    if words[0] == "hello":
        print("ready nearest.py", flush=True)
    elif words[0] == "step":
        floor, door_open, _timer, _last, direction = map(int, words[2:7])
        print(decide(floor, door_open, direction, *words[9:12]), flush=True)
    elif words[0] == "bye":
        break
