#pragma once
// The match's referee: one game from a set-up position, the moves the engines send checked
// against the rules, the game's end when the rules say so, and the moves written as in a PGN.

#include <string>
#include <vector>

#include "board/board.h"

// How a game ended; None while it goes on.
enum class GameEnd { None, Checkmate, Stalemate, Repetition, FiftyMoves, DeadPosition, PlyLimit };

// Words for an end, as the game lines and the PGN comments give it ("checkmate").
const char *GameEndText(GameEnd end);

class GameJudge {
  public:
    // A game as long as this is called drawn.
    int MaxPlies = 600;

    // Sets up the game from a FEN of four to six fields. False, with the reason in *error, when
    // the text is not a position that can be played.
    bool Start(const std::string &fen, std::string *error);
    // Plays one move given in coordinates ("e2e4", "e7e8q"). An illegal move, or a move after
    // the end, is refused and changes nothing.
    bool Play(const std::string &move);

    GameEnd End() const { return end_; }
    // 0 white, 1 black: the side to move now (the side mated, when the game ends in mate).
    char SideToMove() const { return board_.SideToMove; }
    int Plies() const { return static_cast<int>(moves_.size()); }
    // The set-up position as six FEN fields.
    const std::string &StartFen() const { return startFen_; }
    // The moves played, in coordinates and in standard notation.
    const std::vector<std::string> &Moves() const { return moves_; }
    const std::vector<std::string> &SanMoves() const { return san_; }
    // Full-move number and side to move of the set-up position, for the PGN's move numbers.
    int StartMoveNumber() const { return startMoveNumber_; }
    char StartSide() const { return startSide_; }

  private:
    // Key of a position for the repetition rule: the pieces, the side to move, the castling
    // rights and, when it can really be made, the en passant capture.
    struct Key {
        u64 upper, lower;
        int epSquare;
        bool operator==(const Key &o) const
        {
            return upper == o.upper && lower == o.lower && epSquare == o.epSquare;
        }
    };
    Key KeyOf(const ChessBoard &b) const;
    // Looks at the position after a move (or the set-up one) and sets end_.
    void Judge();

    ChessBoard board_{};
    std::string startFen_;
    int startMoveNumber_ = 1;
    char startSide_ = 0;
    std::vector<std::string> moves_;
    std::vector<std::string> san_;
    // The positions since the last capture or pawn move, the current one last.
    std::vector<Key> sinceIrreversible_;
    GameEnd end_ = GameEnd::None;
};

// Standard notation of a legal move of board ("Nbd2", "exd6", "O-O", "e8=Q+", "Qh4#").
std::string SanOf(const ChessBoard &board, u64 from, u64 to, char promotion);
