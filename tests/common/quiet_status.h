#pragma once
// Puts the status record into a quiet search setting for in-process search tests.

#include "core/status.h"

// No output switches, no book, no analysis or pondering, no clock or depth; the dialect and the
// game ply are the caller's.
inline void QuietSearchStatus(bool uci, int gamePly)
{
    Status& st = MainStatus;
    st.UCIMode = uci ? 1 : 0;
    st.xboard = 0;
    st.Post = 0;
    st.Kibitz = 0;
    st.AnalyzeMode = 0;
    st.Pondering = 0;
    st.BenchMode = 0;
    st.UseBook = 0;
    st.Trace = 0;
    st.FD = 0;
    st.ST = 0;
    st.TimeLeft = 0;
    st.TimeInc = 0;
    st.MovesPerSession = 0;
    st.GamePly = gamePly;
    st.NPS = 1200000;
}
