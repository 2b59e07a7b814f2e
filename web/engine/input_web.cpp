// SPDX-License-Identifier: GPL-3.0-or-later
// Input for the WebAssembly build, in place of src/input.cpp: a page or Node hands the engine
// its lines through quillmarenInput (one call per line), never through a file descriptor.
//
// With threads (the page cross-origin isolated, or Node) the engine's loop runs on a thread of
// its own and waits on a condition variable; the host's thread only appends and returns. A
// build without threads runs the loop on the host's only thread: it waits and, at the search's
// clock checks, yields to the host's event loop (Asyncify) so that "stop" can arrive at all.

#include "input.h"

#include <emscripten.h>

#include <algorithm>
#include <cstring>

#ifdef __EMSCRIPTEN_PTHREADS__
#include <condition_variable>
#include <mutex>
#endif

namespace {

// Room for a few of the longest position lines; the host keeps what does not fit.
char ring[1 << 18];
int head, tail;  // the unread bytes are ring[head..tail)
bool atEnd;

#ifdef __EMSCRIPTEN_PTHREADS__
std::mutex lock;
std::condition_variable arrived;
using Guard = std::unique_lock<std::mutex>;
#else
struct Guard {
    explicit Guard(int) {}
    void unlock() {}
    void lock() {}
};
int lock;
double lastYield;

// Resolved by the host when a line or the end of input arrives.
EM_ASYNC_JS(void, waitForHost, (), { await new Promise(resolve => { Module.wakeEngine = resolve; }); });

// One turn of the event loop: a MessageChannel's message is not held back like a timer's.
EM_ASYNC_JS(void, yieldToHost, (), {
    await new Promise(resolve => {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => { channel.port1.close(); resolve(); };
        channel.port2.postMessage(0);
    });
});
#endif

bool lineBuffered() { return std::memchr(ring + head, '\n', std::size_t(tail - head)) != nullptr; }

// Waits until a byte or the end of input is there; false at the end.
bool waitForByte(Guard* guard)
{
#ifdef __EMSCRIPTEN_PTHREADS__
    arrived.wait(*guard, [] { return head < tail || atEnd; });
#else
    (void)guard;
    while (head == tail && !atEnd) waitForHost();
#endif
    return head < tail;
}

}  // namespace

extern "C" {

// Appends a line (the newline added). Returns 0 when it does not fit now: the host tries again
// once the engine has read.
EMSCRIPTEN_KEEPALIVE int quillmarenInput(const char* line)
{
    const int length = int(std::strlen(line));
    Guard guard(lock);
    if (atEnd) return 1;  // nobody reads any more
    if (head == tail) head = tail = 0;
    if (tail + length + 1 > int(sizeof ring)) {
        std::memmove(ring, ring + head, std::size_t(tail - head));
        tail -= head;
        head = 0;
    }
    // A line longer than the whole ring goes in pieces: the reader drops it as too long.
    if (tail + length + 1 > int(sizeof ring) && tail > 0) return 0;
    const int fits = std::min(length, int(sizeof ring) - 1 - tail);
    std::memcpy(ring + tail, line, std::size_t(fits));
    tail += fits;
    ring[tail++] = '\n';
#ifdef __EMSCRIPTEN_PTHREADS__
    arrived.notify_all();
#endif
    return 1;
}

// The end of input: the engine's loop ends as at the end of standard input.
EMSCRIPTEN_KEEPALIVE void quillmarenInputEnd()
{
    Guard guard(lock);
    atEnd = true;
#ifdef __EMSCRIPTEN_PTHREADS__
    arrived.notify_all();
#endif
}
}

int readInputLine(char* buf, int size)
{
    Guard guard(lock);
    const auto nextByte = [&guard](char* c) {
        if (!waitForByte(&guard)) return false;
        *c = ring[head++];
        return true;
    };
    return assembleLine(buf, size, nextByte, [] { return head == tail && atEnd; });
}

bool inputLineWaiting()
{
#ifndef __EMSCRIPTEN_PTHREADS__
    // The host's messages are handled only between turns of its event loop: give it one
    // every few milliseconds of search.
    const double now = emscripten_get_now();
    if (now - lastYield >= 5) {
        yieldToHost();
        lastYield = emscripten_get_now();
    }
#endif
    Guard guard(lock);
    return lineBuffered() || atEnd || tail - head == int(sizeof ring);
}

void setInputText(const char* data, int size)
{
    Guard guard(lock);
    const int fits = std::clamp(size, 0, int(sizeof ring));
    std::memcpy(ring, data, std::size_t(fits));
    head = 0;
    tail = fits;
    atEnd = true;
}
