#pragma once
#include <cstdint>

// The UCI conversation. The engine starts speaking xboard; the line "uci" hands the
// process to this loop for the rest of its life.

// 1 when the line is the command "uci" (blanks and a carriage return around it allowed).
bool isUciCommand(const char* line);

// Answers "uci" and then every line until "quit" or the end of input, on positions of its
// own (each "position" command sets one up afresh).
void uciLoop();

// Sizes the table from megabytes as the Hash option does (1 to its maximum, the largest
// power of two of buckets that fits), for xboard's "memory".
void setTableMiB(std::int64_t mib);

// The time manager: from the engine's clock and increment in milliseconds, the moves to the
// next time control (0 for the rest of the game) and the overhead every move costs the GUI,
// a soft budget (no iteration starts past it) and a hard limit (the search stops there).
// Both are at least 1 and the hard limit stays a safe share of the clock.
void uciTimeBudget(std::int64_t time, std::int64_t inc, int movesToGo, std::int64_t overhead,
                   std::int64_t* soft, std::int64_t* hard);
