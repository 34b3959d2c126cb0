#include "judge.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "board/attacks.h"
#include "board/hashcode.h"
#include "board/movetext.h"
#include "board/setup.h"
#include "movegen/legal.h"
#include "movegen/movegen.h"

namespace {

struct Move {
    u64 from, to;
    char promotion;
};

void InitTables()
{
    static bool done = false;
    if (done) return;
    done = true;
    InitAttackTables();
    initPStable();
}

// The legal moves of the side to move (promotions as the generator gives them: queens only).
std::vector<Move> LegalMoves(const ChessBoard &board)
{
    const char side = board.SideToMove;
    ChessBoard scratch = board;
    MoveGen mg;
    const int n = mg.GenerateAllMoves(side, &scratch, board.CastleFlags);
    std::vector<Move> moves;
    for (int i = 0; i < n; i++) {
        ChessBoard child = board;
        char kept = 15;
        child.MakeMove(mg.From[i], mg.To[i], mg.Promotion[i], &kept);
        if (!child.InCheck(side ? child.BlackKing : child.WhiteKing, side))
            moves.push_back({mg.From[i], mg.To[i], mg.Promotion[i]});
    }
    return moves;
}

bool SideInCheck(const ChessBoard &b)
{
    const char side = b.SideToMove;
    return b.InCheck(side ? b.BlackKing : b.WhiteKing, side);
}

// Square index of coordinate text ("e4"), or -1.
int SquareIndex(const char *s)
{
    if (s[0] < 'a' || s[0] > 'h' || s[1] < '1' || s[1] > '8') return -1;
    return SquareOf(s[0] - 'a', s[1] - '1');
}

void AppendSquare(std::string &out, int sq)
{
    out += static_cast<char>('a' + sq % 8);
    out += static_cast<char>('1' + sq / 8);
}

} // namespace

const char *GameEndText(GameEnd end)
{
    switch (end) {
    case GameEnd::Checkmate:
        return "checkmate";
    case GameEnd::Stalemate:
        return "stalemate";
    case GameEnd::Repetition:
        return "threefold repetition";
    case GameEnd::FiftyMoves:
        return "fifty-move rule";
    case GameEnd::DeadPosition:
        return "insufficient material";
    case GameEnd::PlyLimit:
        return "ply limit";
    case GameEnd::None:
        break;
    }
    return "in progress";
}

std::string SanOf(const ChessBoard &board, u64 from, u64 to, char promotion)
{
    const int fromSq = LowestSquare(from), toSq = LowestSquare(to);
    const char piece = static_cast<char>(std::toupper(DecodePiece(from, board)));
    std::string san;
    if (piece == 'K' && (fromSq - toSq == 2 || toSq - fromSq == 2)) {
        san = toSq > fromSq ? "O-O" : "O-O-O";
    } else if (piece == 'P') {
        // A pawn that changes file captures, en passant included.
        if (fromSq % 8 != toSq % 8) {
            san += static_cast<char>('a' + fromSq % 8);
            san += 'x';
        }
        AppendSquare(san, toSq);
        if (const char letter = PromotionLetter(promotion)) {
            san += '=';
            san += static_cast<char>(std::toupper(letter));
        }
    } else {
        san += piece;
        // Another piece of the same kind that can go to the same square: name the file, else the
        // rank, else both.
        bool other = false, sameFile = false, sameRank = false;
        for (const Move &m : LegalMoves(board)) {
            if (m.to != to || m.from == from ||
                DecodePiece(m.from, board) != DecodePiece(from, board))
                continue;
            const int sq = LowestSquare(m.from);
            other = true;
            sameFile |= sq % 8 == fromSq % 8;
            sameRank |= sq / 8 == fromSq / 8;
        }
        if (other && (!sameFile || sameRank)) san += static_cast<char>('a' + fromSq % 8);
        if (other && sameFile) san += static_cast<char>('1' + fromSq / 8);
        if (to & board.AllPieces) san += 'x';
        AppendSquare(san, toSq);
    }
    ChessBoard after = board;
    PlayGameMove(after, from, to, promotion, nullptr);
    if (SideInCheck(after)) san += LegalMoves(after).empty() ? '#' : '+';
    return san;
}

GameJudge::Key GameJudge::KeyOf(const ChessBoard &b) const
{
    Key key{0, 0, -1};
    genhashcode(b.SideToMove, b.CastleFlags, &key.upper, &key.lower, &b);
    // The last move stepped a pawn of the other side two squares: the square it passed counts
    // only when a pawn can really take there.
    const u64 enemyPawns = b.SideToMove ? b.WhitePawns : b.BlackPawns;
    if (!(b.LastTo & enemyPawns) || !b.LastFrom) return key;
    const int fromSq = LowestSquare(b.LastFrom), toSq = LowestSquare(b.LastTo);
    if (fromSq - toSq != 16 && toSq - fromSq != 16) return key;
    const u64 passed = SquareMask((fromSq + toSq) / 2);
    const u64 ownPawns = b.SideToMove ? b.BlackPawns : b.WhitePawns;
    for (const Move &m : LegalMoves(b))
        if (m.to == passed && (m.from & ownPawns)) key.epSquare = (fromSq + toSq) / 2;
    return key;
}

bool GameJudge::Start(const std::string &fen, std::string *error)
{
    InitTables();
    std::istringstream in(fen);
    std::vector<std::string> fields;
    for (std::string f; in >> f;)
        fields.push_back(f);
    if (fields.size() < 4 || fields.size() > 6 || (fields[1] != "w" && fields[1] != "b")) {
        *error = "not a FEN of four to six fields";
        return false;
    }
    int halfMoves = 0, fullMove = 1;
    try {
        if (fields.size() > 4) halfMoves = std::stoi(fields[4]);
        if (fields.size() > 5) fullMove = std::stoi(fields[5]);
    } catch (const std::exception &) {
        *error = "the move counters are not numbers";
        return false;
    }
    if (halfMoves < 0 || fullMove < 1) {
        *error = "the move counters are out of range";
        return false;
    }
    if (std::count(fields[0].begin(), fields[0].end(), '/') != 7) {
        *error = "the placement has not eight ranks";
        return false;
    }

    const std::string four = fields[0] + " " + fields[1] + " " + fields[2] + " " + fields[3];
    SetupBoard(four.c_str()); // the reader fills the engine's board; the game keeps a copy
    board_ = MainBoard;
    KeepPossibleRights(board_);
    board_.RecountAll();
    board_.FiftyMoveCount = halfMoves;
    if (const char *fault = PositionFault(board_)) {
        *error = fault;
        return false;
    }
    startFen_ = four + " " + std::to_string(halfMoves) + " " + std::to_string(fullMove);
    startMoveNumber_ = fullMove;
    startSide_ = board_.SideToMove;
    moves_.clear();
    san_.clear();
    sinceIrreversible_.assign(1, KeyOf(board_));
    end_ = GameEnd::None;
    Judge();
    return true;
}

bool GameJudge::Play(const std::string &move)
{
    if (end_ != GameEnd::None || (move.size() != 4 && move.size() != 5)) return false;
    const int fromSq = SquareIndex(move.c_str()), toSq = SquareIndex(move.c_str() + 2);
    if (fromSq < 0 || toSq < 0) return false;
    const char letter = move.size() == 5 ? move[4] : 0;
    char promotion = NOPROMOTION;
    if (!FindLegalMove(board_, board_.SideToMove, SquareMask(fromSq), SquareMask(toSq), letter,
                       &promotion))
        return false;
    // A promotion names its piece.
    if (promotion != NOPROMOTION && !letter) return false;

    san_.push_back(SanOf(board_, SquareMask(fromSq), SquareMask(toSq), promotion));
    char text[8];
    MoveText(text, fromSq, toSq, promotion);
    moves_.push_back(text);
    PlayGameMove(board_, SquareMask(fromSq), SquareMask(toSq), promotion, nullptr);
    if (board_.FiftyMoveCount == 0) sinceIrreversible_.clear();
    sinceIrreversible_.push_back(KeyOf(board_));
    Judge();
    return true;
}

void GameJudge::Judge()
{
    if (LegalMoves(board_).empty())
        end_ = SideInCheck(board_) ? GameEnd::Checkmate : GameEnd::Stalemate;
    else if (IsDeadPosition(board_))
        end_ = GameEnd::DeadPosition;
    else if (std::count(sinceIrreversible_.begin(), sinceIrreversible_.end(),
                        sinceIrreversible_.back()) >= 3)
        end_ = GameEnd::Repetition;
    else if (board_.FiftyMoveCount >= 100)
        end_ = GameEnd::FiftyMoves;
    else if (Plies() >= MaxPlies)
        end_ = GameEnd::PlyLimit;
}
