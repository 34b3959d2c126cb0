#!/usr/bin/env python3
"""Times Vorn's answer from a large Polyglot book.

Usage: tools/book_time.py ENGINE [MEGABYTES] [BOOK]

Writes BOOK (default /tmp/vorn_big_book.bin) when it is missing: MEGABYTES (default 100) of
entries with random keys, sorted, among them the moves of the start position and of the
position after 1. e4 (keys from the format's published test keys). Then opens it through UCI's
BookFile and prints how long the opening took and, for both positions, the milliseconds from
"go" to "bestmove" (the median of 20 searches each).
"""

import os
import random
import struct
import subprocess
import sys
import time

START = 0x463B96181691FC9C
AFTER_E4 = 0x823C9B50FD114196


def move(frm, to):
    sq = lambda s: (ord(s[0]) - ord("a")) + 8 * (int(s[1]) - 1)
    return sq(to) | (sq(frm) << 6)


def write_book(path, megabytes):
    count = megabytes * 1024 * 1024 // 16
    rng = random.Random(1)
    keys = sorted(rng.getrandbits(64) for _ in range(count - 5))
    entries = [(k, rng.getrandbits(16), rng.randint(1, 100)) for k in keys]
    entries += [(START, move("e2", "e4"), 50), (START, move("d2", "d4"), 40),
                (START, move("g1", "f3"), 10), (AFTER_E4, move("e7", "e5"), 30),
                (AFTER_E4, move("c7", "c5"), 70)]
    entries.sort(key=lambda e: e[0])
    with open(path, "wb") as f:
        for key, mv, weight in entries:
            f.write(struct.pack(">QHHI", key, mv, weight, 0))


def main():
    engine = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 100
    path = sys.argv[3] if len(sys.argv) > 3 else "/tmp/vorn_big_book.bin"
    if not os.path.exists(path):
        write_book(path, megabytes)
    p = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                         bufsize=1)

    def send(line):
        p.stdin.write(line + "\n")
        p.stdin.flush()

    def wait(prefix):
        for line in p.stdout:
            if line.startswith(prefix):
                return line.strip()
        raise SystemExit("the engine ended")

    send("uci")
    wait("uciok")
    send("isready")
    wait("readyok")
    t = time.perf_counter()
    send("setoption name BookFile value " + path)
    print(wait("info string book file"))
    send("isready")
    wait("readyok")
    print("opening the book: %.1f ms" % ((time.perf_counter() - t) * 1000))
    send("setoption name OwnBook value true")
    for position in ("startpos", "startpos moves e2e4"):
        times = []
        for _ in range(20):
            send("position " + position)
            send("isready")
            wait("readyok")
            t = time.perf_counter()
            send("go wtime 60000 btime 60000")
            answer = wait("bestmove")
            times.append((time.perf_counter() - t) * 1000)
        times.sort()
        print("%s: %s, median %.2f ms (fastest %.2f, slowest %.2f)"
              % (position, answer, times[len(times) // 2], times[0], times[-1]))
    send("quit")
    p.wait()


if __name__ == "__main__":
    main()
