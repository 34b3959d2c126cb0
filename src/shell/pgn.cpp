#include "shell/pgn.h"

#include <cstring>
#include <ctime>
#include <string>

#include "board/setup.h"
#include "movegen/san.h"
#include "shell/dialogue.h"

namespace {

// PGN lines are kept under 80 characters.
constexpr size_t PGN_LINE_MAX = 79;

// Today's date as PGN writes it ("2026.12.06").
std::string Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = "????.??.??";
    if (localtime_r(&now, &local)) std::strftime(text, sizeof text, "%Y.%m.%d", &local);
    return text;
}

} // namespace

bool WriteGamePgn(std::FILE *file)
{
    const GameRecord &r = Interpreter.Record;
    // 1. The players: Vorn for a side it moved for, the person (or interface) for the other.
    bool vorn[2] = {false, false};
    for (int i = 0; i < r.Count; i++)
        if (r.MoveAt(i).engine) vorn[r.At(i).SideToMove ? 1 : 0] = true;
    const ChessBoard &start = r.Count ? r.At(0) : MainBoard;
    // A game whose first moves the record has let go of begins, as a set-up one does, from a
    // position of its own.
    const bool setUp = r.SetUp || r.First != 0 || start.Chess960;

    // 2. The tags.
    std::fprintf(file, "[Event \"Vorn game\"]\n[Site \"?\"]\n[Date \"%s\"]\n[Round \"-\"]\n",
                 Today().c_str());
    std::fprintf(file, "[White \"%s\"]\n[Black \"%s\"]\n[Result \"%s\"]\n",
                 vorn[0] ? "Vorn" : "Player", vorn[1] ? "Vorn" : "Player", r.Result);
    if (start.Chess960) std::fprintf(file, "[Variant \"Chess960\"]\n");
    if (setUp) {
        char fen[FEN_MAX];
        WriteFen(start, 1, fen);
        std::fprintf(file, "[SetUp \"1\"]\n[FEN \"%s\"]\n", fen);
    }
    std::fputc('\n', file);

    // 3. The moves, numbered from 1, lines cut between words; then the result.
    std::string line;
    auto add = [&](const std::string &word) {
        if (!line.empty() && line.size() + 1 + word.size() > PGN_LINE_MAX) {
            std::fprintf(file, "%s\n", line.c_str());
            line.clear();
        }
        if (!line.empty()) line += ' ';
        line += word;
    };
    int number = 1;
    for (int i = 0; i < r.Count; i++) {
        const ChessBoard &before = r.At(i);
        const PlayedMove &m = r.MoveAt(i);
        const bool black = before.SideToMove != 0;
        char san[SAN_MAX];
        WriteSan(before, m.from, m.to, m.promotion, san);
        if (!black)
            add(std::to_string(number) + ". " + san);
        else if (i == 0)
            add(std::to_string(number) + "... " + san);
        else
            add(san);
        if (black) number++;
    }
    add(r.Result);
    std::fprintf(file, "%s\n\n", line.c_str());
    return std::ferror(file) == 0;
}
