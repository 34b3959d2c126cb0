#include "elo.h"

#include <cmath>
#include <limits>

double MatchScore::Score() const
{
    const int n = Games();
    return n ? (wins + 0.5 * draws) / n : 0.5;
}

double EloOfScore(double s)
{
    const double inf = std::numeric_limits<double>::infinity();
    if (s <= 0) return -inf;
    if (s >= 1) return inf;
    return -400.0 * std::log10(1.0 / s - 1.0);
}

EloEstimate EstimateElo(const MatchScore &score)
{
    const int n = score.Games();
    const double s = score.Score();
    const double inf = std::numeric_limits<double>::infinity();
    if (n == 0) return {0.0, inf};
    // Variance of one game's score around the mean.
    const double variance = (score.wins * (1.0 - s) * (1.0 - s) +
                             score.draws * (0.5 - s) * (0.5 - s) + score.losses * s * s) /
                            n;
    const double half = 1.96 * std::sqrt(variance / n);
    const double low = s - half, high = s + half;
    if (low <= 0 || high >= 1) return {EloOfScore(s), inf};
    return {EloOfScore(s), (EloOfScore(high) - EloOfScore(low)) / 2};
}
