// SPDX-License-Identifier: GPL-3.0-or-later
#include "threads.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

namespace {

struct ThreadPool {
    std::vector<std::unique_ptr<SearchThread>> helpers;
    std::mutex mutex;
    std::condition_variable wake;  // a search starts, or the helpers must end
    std::condition_variable done;  // a helper has parked
    std::uint64_t searches = 0;    // searches started; under the mutex
    int maxDepth = MAX_DEPTH;      // of the search started; under the mutex
    int running = 0;               // helpers not yet parked; under the mutex
    bool ending = false;
    std::atomic<bool> stop{false};

    ~ThreadPool() { resize(0); }
    void resize(int count);
};

ThreadPool pool;

void helperLoop(SearchThread* t)
{
    std::unique_lock<std::mutex> lock(pool.mutex);
    for (;;) {
        pool.wake.wait(lock, [t] { return pool.ending || pool.searches != t->searchesStarted; });
        if (pool.ending) return;
        t->searchesStarted = pool.searches;
        const int maxDepth = pool.maxDepth;
        lock.unlock();
        helperSearch(t->board, t->index, maxDepth, &t->link);
        lock.lock();
        if (--pool.running == 0) pool.done.notify_all();
    }
}

void ThreadPool::resize(int count)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        ending = true;
        stop.store(true, std::memory_order_relaxed);  // at exit a search may still run
    }
    wake.notify_all();
    for (auto& t : helpers) {
        t->thread.join();
        delete t->board;
    }
    helpers.clear();
    ending = false;
    for (int i = 1; i < count; ++i) {
        auto t = std::make_unique<SearchThread>();
        t->index = i;
        t->board = newBoard();
        t->link.stop = &stop;
        t->link.nodes.store(0, std::memory_order_relaxed);
        t->searchesStarted = searches;
        t->thread = std::thread(helperLoop, t.get());
        helpers.push_back(std::move(t));
    }
}

}  // namespace

void setSearchThreads(int count)
{
    count = std::clamp(count, 1, MAX_SEARCH_THREADS);
    if (count != searchThreadCount()) pool.resize(count);
}

int searchThreadCount() { return int(pool.helpers.size()) + 1; }

std::int64_t helperNodes()
{
    std::int64_t nodes = 0;
    for (const auto& t : pool.helpers) nodes += t->link.nodes.load(std::memory_order_relaxed);
    return nodes;
}

int parallelSearch(Board* board, Move* result, const SearchLimits* limits)
{
    if (pool.helpers.empty()) return searchWithLimits(board, result, limits);
    waitForHelpers();
    {
        std::lock_guard<std::mutex> lock(pool.mutex);
        for (auto& t : pool.helpers) {
            // The move lists beyond are scratch: only the position and the game are copied.
            std::memcpy(static_cast<void*>(t->board), board, offsetof(Board, moveLists));
            t->link.nodes.store(0, std::memory_order_relaxed);
        }
        pool.stop.store(false, std::memory_order_relaxed);
        // A depth limit binds the main thread alone: the helpers search on until it ends,
        // so that a fixed-depth search keeps every core busy.
        pool.maxDepth = MAX_DEPTH;
        pool.running = int(pool.helpers.size());
        ++pool.searches;
    }
    pool.wake.notify_all();
    const int score = searchWithLimits(board, result, limits);
    pool.stop.store(true, std::memory_order_relaxed);
    return score;
}

void waitForHelpers()
{
    std::unique_lock<std::mutex> lock(pool.mutex);
    pool.done.wait(lock, [] { return pool.running == 0; });
}
