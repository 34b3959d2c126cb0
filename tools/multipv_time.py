#!/usr/bin/env python3
"""Time a UCI engine takes to reach a depth with several lines, on the six positions of
`vorn -bench`.

Usage: tools/multipv_time.py ENGINE [DEPTH [LINES...]]

For each number of lines (MultiPV; 1 and 4 unless given), each position is searched from a new
game to DEPTH (12 unless given); the time of each search's last progress line is printed and
the times are added up, with the factor against the first number of lines."""
import subprocess
import sys

from uci_nps import POSITIONS


def total_ms(engine, depth, lines):
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def send(line):
        proc.stdin.write(line + "\n")
        proc.stdin.flush()

    send("uci")
    send(f"setoption name MultiPV value {lines}")
    times = []
    for fen in POSITIONS:
        send("ucinewgame")
        send(f"position fen {fen}")
        send(f"go depth {depth}")
        last = 0
        for out in proc.stdout:
            words = out.split()
            if words and words[0] == "info" and "time" in words:
                last = int(words[words.index("time") + 1])
            if words and words[0] == "bestmove":
                break
        times.append(last)
    send("quit")
    proc.wait()
    return times


def main():
    engine = sys.argv[1]
    depth = int(sys.argv[2]) if len(sys.argv) > 2 else 12
    counts = [int(n) for n in sys.argv[3:]] or [1, 4]
    base = None
    for lines in counts:
        times = total_ms(engine, depth, lines)
        total = sum(times)
        base = base or total
        print(f"MultiPV {lines}: {' '.join(str(t) for t in times)} ms, total {total} ms, "
              f"x{total / base:.2f}")


if __name__ == "__main__":
    main()
