#pragma once
// The test-suite runner: a file of positions (one FEN or EPD line each) set up, shown and searched.

// Runs every position of the file in the mode the command line chose (-ts searches each one and
// prints the engine's choice; -pev shows each board; -mimicstudent sets each one up). Prints the
// number of positions at the end. An unreadable file ends the program with status 1.
void ParseEPDSuite(const char *fileName);
