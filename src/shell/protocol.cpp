#include "shell/protocol.h"

#include "shell/humanmov.h"
#include "shell/status.h"
#include "shell/uciprotocol.h"

int ProtocolWord(const char* word)
{
    // UCI: the word goes to the UCI loop as a line of its own.
    if (MainStatus.UCIMode == 1) return UCI.UCIPrep(word);
    // Console and xboard: the command interpreter decides.
    return SearchCommand(word);
}

bool ShowCurrLineEnabled() { return UCI.ShowCurrLine != 0; }
