// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Standard input, read through a buffer of the engine's own, so that a search can ask
// whether a line is waiting without blocking (stdio's buffer cannot be looked into).

// One line into buf, its newline kept. Returns -1 at the end of input, 0 for a line of
// `size` characters or more (read to its end and dropped: its pieces must not pass for
// commands), 1 otherwise.
int readInputLine(char* buf, int size);

// True when readInputLine would not wait: a whole line, or the end of input, is there.
bool inputLineWaiting();

// Reads the given bytes, then the end of input, in place of standard input: the whole
// conversation of a fuzzer or a test in-process. The bytes must outlive the reading.
void setInputText(const char* data, int size);

// How every input source makes its lines of bytes: nextByte(&c) gives the next byte, false
// at the end of input, which ended() then confirms. The result is readInputLine's.
template <typename NextByte, typename Ended>
int assembleLine(char* buf, int size, NextByte nextByte, Ended ended)
{
    int n = 0;
    bool tooLong = false;
    char c = 0;
    while (nextByte(&c)) {
        if (n < size - 1) buf[n++] = c;
        else tooLong = true;
        if (c == '\n') break;
    }
    buf[n] = '\0';
    if (n == 0 && !tooLong && ended()) return -1;
    return tooLong ? 0 : 1;
}
