#pragma once
// The match score and the Elo difference it points to, with its 95% margin.

// Games won, drawn and lost, all from the first engine's side.
struct MatchScore {
    int wins = 0;
    int draws = 0;
    int losses = 0;

    int Games() const { return wins + draws + losses; }
    // Points per game, 0 to 1; 0.5 before any game.
    double Score() const;
};

struct EloEstimate {
    double elo;    // infinite when one side scored every point
    double margin; // half the width of the 95% interval; infinite when the interval reaches 0 or 1
};

// Elo difference of a score s (0 < s < 1): -400 log10(1/s - 1).
double EloOfScore(double s);

// The difference the score points to; the interval is the score plus and minus 1.96 standard
// errors of the per-game scores, taken through the same formula.
EloEstimate EstimateElo(const MatchScore &score);
