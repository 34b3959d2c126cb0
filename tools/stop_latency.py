#!/usr/bin/env python3
"""How quickly a UCI engine answers on many threads: the time from "stop" to "bestmove" after
an infinite search has run for a second, and from "go movetime 100" to "bestmove".

usage: tools/stop_latency.py ENGINE [THREADS ...] [--rounds N]
Prints, for each thread count, the median and the worst of N rounds in milliseconds.
"""

import statistics
import subprocess
import sys
import time


def read_until(proc, prefix):
    while True:
        line = proc.stdout.readline()
        if not line:
            raise RuntimeError("the engine ended before " + prefix)
        if line.startswith(prefix):
            return line


def measure(engine, threads, rounds):
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                            bufsize=1)

    def send(text):
        proc.stdin.write(text + "\n")
        proc.stdin.flush()

    send("uci")
    read_until(proc, "uciok")
    send("setoption name Threads value %d" % threads)
    send("isready")
    read_until(proc, "readyok")
    stops, movetimes = [], []
    for _ in range(rounds):
        send("position startpos")
        send("go infinite")
        time.sleep(1.0)
        start = time.monotonic()
        send("stop")
        read_until(proc, "bestmove")
        stops.append((time.monotonic() - start) * 1000)
        send("isready")
        read_until(proc, "readyok")
        start = time.monotonic()
        send("go movetime 100")
        read_until(proc, "bestmove")
        movetimes.append((time.monotonic() - start) * 1000)
    send("quit")
    proc.wait(timeout=60)
    return stops, movetimes


def main():
    args = sys.argv[1:]
    rounds = 5
    if "--rounds" in args:
        i = args.index("--rounds")
        rounds = int(args[i + 1])
        del args[i:i + 2]
    if not args:
        print(__doc__)
        return 2
    engine, counts = args[0], [int(a) for a in args[1:]] or [1, 8, 32, 256]
    print("threads  stop->bestmove ms (median, worst)  movetime 100 ms (median, worst)")
    for n in counts:
        stops, movetimes = measure(engine, n, rounds)
        print("%7d  %14.1f %8.1f  %20.1f %8.1f" % (n, statistics.median(stops), max(stops),
                                                    statistics.median(movetimes), max(movetimes)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
