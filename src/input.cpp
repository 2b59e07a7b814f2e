// SPDX-License-Identifier: GPL-3.0-or-later
#include "input.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <io.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#else
#include <cerrno>
#include <poll.h>
#include <unistd.h>
#endif

namespace {

char buffer[1 << 16];
int head, tail;  // the unread bytes are buffer[head..tail)
bool atEnd;
const char* text;  // stands for standard input when set
int textLeft;

#ifdef _WIN32
// Windows cannot ask every kind of standard input whether it holds bytes (PeekNamedPipe
// fails on the pipes wine hands over, a console reports key events): a thread of its own
// reads it, and the engine takes what that thread has read.
std::mutex readerLock;
std::condition_variable readerChanged;
char readerBytes[1 << 12];
int readerCount;     // bytes read and not yet taken
bool readerAtEnd;    // the thread has seen the end of input
bool readerStarted;

void readStandardInput()
{
    char chunk[sizeof readerBytes];
    for (;;) {
        const int got = _read(0, chunk, unsigned(sizeof chunk));
        std::unique_lock<std::mutex> guard(readerLock);
        if (got <= 0) {
            readerAtEnd = true;
            readerChanged.notify_all();
            return;
        }
        readerChanged.wait(guard, [] { return readerCount == 0; });
        std::memcpy(readerBytes, chunk, std::size_t(got));
        readerCount = got;
        readerChanged.notify_all();
    }
}

void startReader()
{
    if (readerStarted) return;
    readerStarted = true;
    std::thread(readStandardInput).detach();
}

// Moves what the thread has read into dest, waiting for some first; 0 at the end of input.
int takeRead(char* dest, int room)
{
    startReader();
    std::unique_lock<std::mutex> guard(readerLock);
    readerChanged.wait(guard, [] { return readerCount > 0 || readerAtEnd; });
    const int got = std::min(room, readerCount);
    std::memcpy(dest, readerBytes, std::size_t(got));
    std::memmove(readerBytes, readerBytes + got, std::size_t(readerCount - got));
    readerCount -= got;
    readerChanged.notify_all();
    return got;
}
#endif

// Reads what the system has, waiting for at least one byte.
void fill()
{
    if (atEnd) return;
    if (head == tail) head = tail = 0;
    if (head > 0 && tail == int(sizeof buffer)) {
        std::memmove(buffer, buffer + head, std::size_t(tail - head));
        tail -= head;
        head = 0;
    }
    if (tail == int(sizeof buffer)) return;
    if (text) {
        const int got = std::min(textLeft, int(sizeof buffer) - tail);
        std::memcpy(buffer + tail, text, std::size_t(got));
        text += got;
        textLeft -= got;
        tail += got;
        atEnd = got == 0;
        return;
    }
#ifdef _WIN32
    const int got = takeRead(buffer + tail, int(sizeof buffer) - tail);
#else
    ssize_t got;
    do got = read(0, buffer + tail, sizeof buffer - std::size_t(tail));
    while (got < 0 && errno == EINTR);
#endif
    if (got <= 0) atEnd = true;
    else tail += int(got);
}

bool lineBuffered() { return std::memchr(buffer + head, '\n', std::size_t(tail - head)) != nullptr; }

// True when the system holds input that a read would return at once.
bool systemHasInput()
{
    if (text) return true;  // its end counts as input too
#ifdef _WIN32
    startReader();
    const std::lock_guard<std::mutex> guard(readerLock);
    return readerCount > 0 || readerAtEnd;
#else
    pollfd fd = {0, POLLIN, 0};
    return poll(&fd, 1, 0) > 0;
#endif
}

}  // namespace

int readInputLine(char* buf, int size)
{
    const auto nextByte = [](char* c) {
        if (head == tail) fill();
        if (head == tail) return false;  // end of input
        *c = buffer[head++];
        return true;
    };
    return assembleLine(buf, size, nextByte, [] { return head == tail && atEnd; });
}

bool inputLineWaiting()
{
    // A line too long for the buffer never shows a newline: it counts as waiting.
    while (!lineBuffered() && !atEnd && tail - head < int(sizeof buffer)) {
        if (!systemHasInput()) return false;
        fill();
    }
    return true;
}

void setInputText(const char* data, int size)
{
    text = data;
    textLeft = size > 0 ? size : 0;
    head = tail = 0;
    atEnd = false;
}
