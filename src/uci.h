// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The UCI conversation, which the engine enters at the line "uci".

// Answers "uci" and then every line until "quit" or the end of input, on positions of its
// own (each "position" command sets one up afresh).
void uciLoop();
