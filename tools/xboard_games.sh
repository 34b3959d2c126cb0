#!/usr/bin/env bash
# xboard_games.sh - play engine-vs-engine games in xboard, headless under Xvfb,
# so that xboard's own move checker referees every move (Chess960 by default).
#
# Usage:
#   tools/xboard_games.sh [options] -fcp CMD [-fUCI] -scp CMD [-sUCI]
#
#   -games N        games to play (default 2)
#   -variant V      xboard variant (default fischerandom; e.g. normal)
#   -tc M[:SS]      base time, xboard syntax: 0:10 = 10 s, 1 = 1 min (default 0:10)
#   -inc S          increment in seconds (default 1). Keep it a whole number for
#                   UCI engines: polyglot drops a fractional increment (0.1 -> none).
#   -st S           fixed time per move in whole seconds instead of -tc/-inc
#   -fcp CMD        first engine command (one argument; may hold engine args)
#   -fUCI           first engine speaks UCI (run through polyglot)
#   -scp CMD, -sUCI the same for the second engine
#   -fopt S, -sopt S  extra engine options, xboard -firstOptions syntax ("Hash=16,Threads=1")
#   -pos MODE       start positions for shuffle variants:
#                     paired (default) one random Chess960 start per two games,
#                            each engine gets both colours of it
#                     random one new random start per game (xboard's own shuffle)
#                     FILE   FEN/EPD file, one position per line, each used twice
#   -seed N         seed for -pos paired (default: from the clock; printed)
#   -o DIR          output directory (default /tmp/xboard_games.XXXXXX)
#   -timeout S      kill xboard after S seconds (default: estimated from the time control)
#   -ponder         let engines ponder (off by default)
#   -- ARGS         remaining arguments go to xboard unchanged
#
# Output in DIR: games.pgn, xboard-debug.log (all GUI<->engine traffic as
# xboard sees it), first-polyglot.log / second-polyglot.log for UCI engines
# (the UCI lines polyglot exchanges with the engine), xboard.out (stderr),
# positions.fen (with -pos paired/FILE).
# Exit status: 0 if all games finished with no illegal move, forfeit or
# rejected move; 1 otherwise; 2 on usage/setup errors.
#
# Examples:
#   tools/xboard_games.sh -games 4 -tc 0:10 -inc 1 \
#       -fcp build/vorn -fUCI -scp /usr/games/stockfish -sUCI -o /tmp/frc
#   tools/xboard_games.sh -games 2 -st 1 -fcp /usr/games/stockfish -fUCI -scp /usr/games/sjaakii
#
# Needs: xboard, polyglot (for UCI engines), xvfb (Debian packages).
# Debian's fairymax does not play fischerandom (xboard silently falls back
# to variant normal with shuffled pieces); sjaakii does, over the xboard protocol.

set -u

die() { echo "xboard_games: $*" >&2; exit 2; }

games=2 variant=fischerandom tc=0:10 inc=1 st="" fcp="" scp="" fuci=0 suci=0
fopt="" sopt="" pos=paired seed="" out="" tmo="" ponder=0
extra=()

while [ $# -gt 0 ]; do
    case "$1" in
        -games|-matchGames|-mg) games=$2; shift ;;
        -variant) variant=$2; shift ;;
        -tc) tc=$2; shift ;;
        -inc) inc=$2; shift ;;
        -st) st=$2; shift ;;
        -fcp) fcp=$2; shift ;;
        -scp) scp=$2; shift ;;
        -fUCI) fuci=1 ;;
        -sUCI) suci=1 ;;
        -fopt) fopt=$2; shift ;;
        -sopt) sopt=$2; shift ;;
        -pos) pos=$2; shift ;;
        -seed) seed=$2; shift ;;
        -o) out=$2; shift ;;
        -timeout) tmo=$2; shift ;;
        -ponder) ponder=1 ;;
        -h|--help) sed -n '2,/^$/p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        --) shift; extra=("$@"); break ;;
        *) die "unknown option $1 (see -h)" ;;
    esac
    [ $# -gt 0 ] && shift
done

[ -n "$fcp" ] && [ -n "$scp" ] || die "need -fcp and -scp"
[[ "$games" =~ ^[0-9]+$ ]] && [ "$games" -ge 1 ] || die "bad -games $games"

# Debian puts xboard, polyglot and the engines in /usr/games.
export PATH="$PATH:/usr/games"
XBOARD=$(command -v xboard) || die "xboard not found (apt-get install xboard)"
command -v Xvfb >/dev/null || die "Xvfb not found (apt-get install xvfb)"
if [ $fuci = 1 ] || [ $suci = 1 ]; then
    command -v polyglot >/dev/null || die "polyglot not found (apt-get install polyglot)"
fi
# An engine that cannot be started makes xboard wait on an error dialog
# forever, so check the executables up front.
for cmd in "$fcp" "$scp"; do
    exe=${cmd%% *}
    command -v "$exe" >/dev/null || die "engine not found or not executable: $exe"
done

if [ -z "$out" ]; then
    out=$(mktemp -d /tmp/xboard_games.XXXXXX)
else
    mkdir -p "$out" || die "cannot create $out"
fi
out=$(cd "$out" && pwd)
pgn=$out/games.pgn
dbg=$out/xboard-debug.log
rm -f "$pgn" "$dbg" "$out"/first-polyglot.log "$out"/second-polyglot.log "$out"/positions.fen

# ---- start positions -------------------------------------------------------
shuffle=0
case "$variant" in fischerandom|caparandom) shuffle=1 ;; esac

# Chess960 start number n (0..959) -> Shredder-FEN.
frc_fen() {
    local n=$1 sq=(- - - - - - - -) i k q files=abcdefgh
    sq[$(( (n % 4) * 2 + 1 ))]=B; n=$((n / 4))
    sq[$(( (n % 4) * 2 ))]=B; n=$((n / 4))
    q=$((n % 6)); n=$((n / 6))
    local knights=(01 02 03 04 12 13 14 23 24 34) free=()
    for i in 0 1 2 3 4 5 6 7; do [ "${sq[$i]}" = - ] && free+=("$i"); done
    sq[${free[$q]}]=Q
    free=(); for i in 0 1 2 3 4 5 6 7; do [ "${sq[$i]}" = - ] && free+=("$i"); done
    k=${knights[$n]}
    sq[${free[${k:0:1}]}]=N; sq[${free[${k:1:1}]}]=N
    free=(); for i in 0 1 2 3 4 5 6 7; do [ "${sq[$i]}" = - ] && free+=("$i"); done
    sq[${free[0]}]=R; sq[${free[1]}]=K; sq[${free[2]}]=R
    local rank="${sq[*]}"; rank=${rank// /}
    local qr=${files:${free[0]}:1} kr=${files:${free[2]}:1}
    local lower=${rank,,}
    echo "$lower/pppppppp/8/8/8/8/PPPPPPPP/$rank w ${kr^^}${qr^^}$kr$qr - 0 1"
}

posargs=()
if [ $shuffle = 1 ]; then
    case "$pos" in
        random)
            posargs=(-defaultFrcPosition -1) ;;
        paired)
            [ -n "$seed" ] || seed=$(( $(date +%s) % 32768 ))
            RANDOM=$seed
            for ((i = 0; i < (games + 1) / 2; i++)); do
                frc_fen $(( (RANDOM * 32768 + RANDOM) % 960 ))
            done > "$out/positions.fen"
            posargs=(-loadPositionFile "$out/positions.fen" -loadPositionIndex -2) ;;
        *)
            [ -r "$pos" ] || die "cannot read position file $pos"
            grep -v '^[[:space:]]*$' "$pos" > "$out/positions.fen"
            posargs=(-loadPositionFile "$out/positions.fen" -loadPositionIndex -2) ;;
    esac
elif [ "$pos" != paired ] && [ "$pos" != random ]; then
    [ -r "$pos" ] || die "cannot read position file $pos"
    grep -v '^[[:space:]]*$' "$pos" > "$out/positions.fen"
    posargs=(-loadPositionFile "$out/positions.fen" -loadPositionIndex -2)
fi

# ---- time control ----------------------------------------------------------
if [ -n "$st" ]; then
    [[ "$st" =~ ^[0-9]+$ ]] && [ "$st" -ge 1 ] || die "-st takes whole seconds"
    # With a fixed move time xboard flags an engine that overshoots by a few
    # ms (polyglot asks for movetime st-20ms, engines still go over), so no
    # flag calls here: the -timeout watchdog stops a hung game instead.
    tcargs=(-searchTime "$((st / 60)):$(printf %02d $((st % 60)))" -autoCallFlag false)
    per_game=$((st * 300 + 30))
else
    tcargs=(-timeControl "$tc" -timeIncrement "$inc" -autoCallFlag true)
    base=$(awk -v t="$tc" 'BEGIN { n = split(t, a, ":"); print (n > 1 ? a[1] * 60 + a[2] : a[1] * 60) }')
    per_game=$(awk -v b="$base" -v i="$inc" 'BEGIN { printf "%d", 2 * b + 300 * i + 30 }')
fi
[ -n "$tmo" ] || tmo=$((games * per_game + 60))

# ---- engines ---------------------------------------------------------------
# xboard runs in a scratch directory (below); the engines run in the caller's
# directory, and a relative engine path is made absolute.
abs_cmd() {
    case "$1" in /*) echo "$1" ;; */*) echo "$PWD/$1" ;; *) echo "$1" ;; esac
}
fcp=$(abs_cmd "$fcp") scp=$(abs_cmd "$scp")
engargs=(-fcp "$fcp" -scp "$scp" -firstDirectory "$PWD" -secondDirectory "$PWD")
fo=$fopt so=$sopt
# For UCI engines ask polyglot to log the UCI side. "Polyglot Log" must come
# before "Polyglot LogFile": xboard matches option names by prefix, so in the
# other order the LogFile value is sent for Log and logging stays off. Log=1
# opens polyglot.log in the current directory until LogFile switches it.
if [ $fuci = 1 ]; then
    engargs+=(-fUCI)
    fo="Polyglot Log=1,Polyglot LogFile=$out/first-polyglot.log${fo:+,$fo}"
fi
if [ $suci = 1 ]; then
    engargs+=(-sUCI)
    so="Polyglot Log=1,Polyglot LogFile=$out/second-polyglot.log${so:+,$so}"
fi
[ -n "$fo" ] && engargs+=(-firstOptions "$fo")
[ -n "$so" ] && engargs+=(-secondOptions "$so")
[ $ponder = 1 ] && engargs+=(-ponderNextMove true) || engargs+=(-ponderNextMove false)

# ---- X server --------------------------------------------------------------
# Private HOME: xboard reads and rewrites ~/.xboardrc (and polyglot and some
# engines write ini files under ~), which must not leak between runs.
home=$out/home
mkdir -p "$home"
: > "$home/.xboardrc"

xvfb_pid="" xb_pid=""
cleanup() {
    [ -n "$xb_pid" ] && kill "$xb_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 130' INT TERM

dfile=$out/.display
rm -f "$dfile"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dfile" >"$out/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -s "$dfile" ] && break
    kill -0 $xvfb_pid 2>/dev/null || die "Xvfb failed, see $out/xvfb.log"
    sleep 0.1
done
[ -s "$dfile" ] || die "Xvfb did not report a display"
display=:$(head -n1 "$dfile")

# ---- run xboard ------------------------------------------------------------
echo "xboard_games: $games game(s), variant $variant, output in $out"
[ -n "$seed" ] && echo "xboard_games: position seed $seed"
start=$(date +%s)
(cd "$home" && exec env DISPLAY="$display" HOME="$home" "$XBOARD" \
    -noGUI -matchGames "$games" -variant "$variant" \
    "${tcargs[@]}" "${posargs[@]}" "${engargs[@]}" \
    -saveGameFile "$pgn" -debugMode true -nameOfDebugFile "$dbg" \
    -popupExitMessage false -popupMoveErrors false \
    -testLegality true -saveSettingsOnExit false -soundProgram true \
    -engineDebugOutput 1 \
    "${extra[@]}") > "$out/xboard.out" 2>&1 &
xb_pid=$!

status=ok
while kill -0 $xb_pid 2>/dev/null; do
    sleep 1
    if [ $(( $(date +%s) - start )) -gt "$tmo" ]; then
        status="timeout after ${tmo}s"; break
    fi
    # Setup failures end in a modal dialog that nobody will close.
    if grep -qE 'Failed to start|not supported by|Unrecognized argument' "$out/xboard.out" 2>/dev/null; then
        sleep 2; status="xboard error"; break
    fi
done
if [ "$status" = ok ]; then
    wait $xb_pid; rc=$?
    [ $rc = 0 ] || status="xboard exit status $rc"
else
    kill $xb_pid 2>/dev/null; sleep 1; kill -9 $xb_pid 2>/dev/null
fi
xb_pid=""
kill $xvfb_pid 2>/dev/null; wait $xvfb_pid 2>/dev/null; xvfb_pid=""
elapsed=$(( $(date +%s) - start ))

# ---- summary ---------------------------------------------------------------
bad=0
echo
echo "==== summary ($elapsed s, xboard: $status)"
grep -E 'Failed to start|not supported by|Unrecognized argument|Error' "$out/xboard.out" | grep -v ALSA | head -5
[ "$status" = ok ] || bad=1

if [ -s "$pgn" ]; then
    played=$(grep -c '^\[Result "' "$pgn")
    unfinished=$(grep -c '^\[Result "\*"' "$pgn")
    w=$(grep -c '^\[Result "1-0"' "$pgn")
    l=$(grep -c '^\[Result "0-1"' "$pgn")
    d=$(grep -c '^\[Result "1/2-1/2"' "$pgn")
else
    played=0 unfinished=0 w=0 l=0 d=0
fi
echo "games played: $played of $games   1-0: $w   0-1: $l   1/2-1/2: $d   unfinished: $unfinished"
[ "$played" = "$games" ] && [ "$unfinished" = 0 ] || bad=1

if [ $shuffle = 1 ] && [ "$played" -gt 0 ]; then
    vt=$(grep -c "^\[Variant \"$variant\"\]" "$pgn")
    echo "games tagged Variant \"$variant\": $vt"
    [ "$vt" = "$played" ] || { echo "WARNING: some games were not played as $variant"; bad=1; }
fi

# Score of the first engine: it has White in odd rounds (colours alternate).
if [ "$played" -gt 0 ]; then
    awk '/^\[Round "/ { r = $2; gsub(/[^0-9]/, "", r); odd = r % 2 }
         /^\[Result "/ { x = $2; gsub(/["\]\r]/, "", x)
                         if (x == "1/2-1/2") s += .5
                         else if ((x == "1-0" && odd) || (x == "0-1" && !odd)) s += 1 }
         END { printf "first engine (-fcp) score: %g / %d\n", s, NR ? n : 0 }
         /^\[Result "/ { n++ }' "$pgn"
    echo "game endings:"
    # Result comment is the last {...} before the result token.
    tr '\n' ' ' < "$pgn" | grep -oE '\{[^{}]*\} *(1-0|0-1|1/2-1/2|\*)' \
        | sed -E 's/ *(1-0|0-1|1\/2-1\/2|\*)$/  \1/' | sort | uniq -c | sed 's/^/  /'
fi

# Count matching lines; 0 for a missing file.
cnt() { local n; n=$(grep -cE "$@" 2>/dev/null); echo "${n:-0}"; }
ill_pgn=$(cnt -i 'illegal' "$pgn")
false_pgn=$(cnt -i 'false' "$pgn")
time_pgn=$(cnt -i 'on time|time forfeit' "$pgn")
crash_pgn=$(cnt -i 'exit|crash|disconnect|connection|terminat' "$pgn")
ill_dbg=$(cnt -i 'illegal move' "$dbg")
err_dbg=$(cnt '^[0-9]+ <(first|second): *Error' "$dbg")
echo "illegal moves: PGN $ill_pgn, debug log $ill_dbg"
echo "false claims: $false_pgn   time forfeits: $time_pgn   engine exits/crashes: $crash_pgn"
echo "engine 'Error' replies in debug log: $err_dbg (unknown commands are harmless, see below)"
if [ "$ill_dbg" -gt 0 ]; then
    grep -iE 'illegal move' "$dbg" | head -10 | sed 's/^/  /'
fi
if [ "$err_dbg" -gt 0 ]; then
    grep -E '^[0-9]+ <(first|second): *Error' "$dbg" | sed -E 's/^[0-9]+ //' | sort | uniq -c | head -10 | sed 's/^/  /'
fi
[ "$ill_pgn" = 0 ] && [ "$ill_dbg" = 0 ] && [ "$false_pgn" = 0 ] && [ "$time_pgn" = 0 ] && [ "$crash_pgn" = 0 ] || bad=1
if [ "$ill_pgn" = 0 ] && [ "$ill_dbg" = 0 ]; then echo "illegal moves: none"; fi

# Castling as xboard records it, and as it crosses each engine pipe.
if [ "$played" -gt 0 ]; then
    c=$(sed '/^\[/d; s/{[^}]*}//g' "$pgn" | grep -oE 'O-O(-O)?' | wc -l)
    echo "castling moves in PGN: $c"
fi

echo "files: $pgn $dbg"
ls "$out"/*-polyglot.log 2>/dev/null | sed 's/^/       /'
exit $bad
