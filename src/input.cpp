#include "input.h"

#include <algorithm>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
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
    const int got = _read(0, buffer + tail, unsigned(sizeof buffer) - unsigned(tail));
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
    static const HANDLE handle = GetStdHandle(STD_INPUT_HANDLE);
    DWORD available = 0;
    if (GetFileType(handle) == FILE_TYPE_PIPE)
        return !PeekNamedPipe(handle, nullptr, 0, nullptr, &available, nullptr) || available > 0;
    return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0;
#else
    pollfd fd = {0, POLLIN, 0};
    return poll(&fd, 1, 0) > 0;
#endif
}

}  // namespace

int readInputLine(char* buf, int size)
{
    int n = 0;
    bool tooLong = false;
    for (;;) {
        if (head == tail) fill();
        if (head == tail) break;  // end of input
        const char c = buffer[head++];
        if (n < size - 1) buf[n++] = c;
        else tooLong = true;
        if (c == '\n') break;
    }
    buf[n] = '\0';
    if (n == 0 && !tooLong && head == tail && atEnd) return -1;
    return tooLong ? 0 : 1;
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
