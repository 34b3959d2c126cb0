#!/usr/bin/env python3
"""Node rate of a UCI engine on the six positions of `vorn -bench`.

Usage: tools/uci_nps.py ENGINE [MILLISECONDS [THREADS]]

Each position is searched from a new game (one thread unless THREADS is given, 192 MiB of hash
where the engine has the options) for a fixed time; the depth of the last progress line of each
search is printed, and its nodes and milliseconds are added up. For engines without a benchmark
of their own, as a common yardstick for the others, and to compare thread counts."""
import subprocess
import sys

POSITIONS = [
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "rnbqkb1r/p3pppp/1p6/2ppP3/3N4/2P5/PPP1QPPP/R1B1KB1R w KQkq - 0 1",
    "4b3/p3kp2/6p1/3pP2p/2pP1P2/4K1P1/P3N2P/8 w - - 0 1",
    "r3r1k1/ppqb1ppp/8/4p1NQ/8/2P5/PP3PPP/R3R1K1 b - - 0 1",
    "2r2rk1/1bqnbpp1/1p1ppn1p/pP6/N1P1P3/P2B1N1P/1B2QPP1/R2R2K1 b - - 0 1",
    "r1bqk2r/pp2bppp/2p5/3pP3/P2Q1P2/2N1B3/1PP3PP/R4RK1 b kq - 0 1",
]


def main():
    engine = sys.argv[1]
    movetime = int(sys.argv[2]) if len(sys.argv) > 2 else 1000
    threads = int(sys.argv[3]) if len(sys.argv) > 3 else 1
    proc = subprocess.Popen([engine], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)

    def send(line):
        proc.stdin.write(line + "\n")
        proc.stdin.flush()

    def wait_for(word):
        last = None
        for line in proc.stdout:
            fields = line.split()
            if fields and fields[0] == "info" and "nodes" in fields and "time" in fields:
                last = fields
            if line.startswith(word):
                return last
        raise SystemExit(f"{engine} ended before '{word}'")

    send("uci")
    wait_for("uciok")
    for option in ("Threads", "Number of Threads"):
        send(f"setoption name {option} value {threads}")
    send("setoption name Hash value 192")
    nodes = ms = 0
    depths = []
    for fen in POSITIONS:
        send("ucinewgame")
        send("isready")
        wait_for("readyok")
        send(f"position fen {fen}")
        send(f"go movetime {movetime}")
        last = wait_for("bestmove")
        nodes += int(last[last.index("nodes") + 1])
        ms += int(last[last.index("time") + 1])
        depths.append(last[last.index("depth") + 1] if "depth" in last else "?")
    send("quit")
    proc.wait()
    print(f"{engine} ({threads} thread{'s' if threads > 1 else ''}): depths {' '.join(depths)}; "
          f"{nodes} nodes in {ms} ms, {nodes * 1000 // max(ms, 1)} nodes per second")


if __name__ == "__main__":
    main()
