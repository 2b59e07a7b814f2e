// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "board.h"

// Shared by the subcommands of quillmaren-tool.

// Prepares the tables every subcommand needs (keys, search tables).
void toolInit();
// A board set up from the text, or a message on standard error and nullptr.
Board* toolBoard(const char* fen);
// Prints a message on standard error and returns the exit status of a bad invocation (2).
int toolUsage(const char* message);

int toolPerft(int argc, char** argv);
int toolDivide(int argc, char** argv);
int toolEval(int argc, char** argv);
int toolSee(int argc, char** argv);
int toolBench(int argc, char** argv);
int toolShow(int argc, char** argv);
int toolBook(int argc, char** argv);
int toolEpd(int argc, char** argv);
