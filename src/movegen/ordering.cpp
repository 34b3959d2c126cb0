// Lazy selection: the full scan that stands in for the selection record.

#include "movegen/movegen.h"

int MoveGen::ScanBest(int start, int end)
{
    SelEnd = -1;
    int best = start;
    for (int i = start + 1; i < end; i++)
        if (OrderValue[i] > OrderValue[best]) best = i;
    return best;
}
