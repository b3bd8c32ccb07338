#include "text/chunked_lines.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <new>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace vqd {

namespace {

constexpr auto progressInterval = std::chrono::milliseconds(40);

} // namespace

std::string conversionStoppedMessage(std::string_view path, const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return "Not enough memory to convert file: " + std::string(path);
    return "Cannot convert file: " + std::string(path) + "\n" + error.what();
}

std::size_t threadCount() {
    std::size_t cores = std::thread::hardware_concurrency();
#ifdef __linux__
    // The cores this process may run on (taskset, a container's share) can be fewer.
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0) cores = CPU_COUNT(&allowed);
#endif
    return std::clamp<std::size_t>(cores, 1, 4);
}

std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t threads, std::size_t chunkBytes,
                             const std::function<void(std::int64_t)>& progress) {
    if (converters.empty()) throw std::invalid_argument("convertInChunks: no converters");
    threads = std::clamp<std::size_t>(threads, 1, converters.size());
    const std::size_t ownCount = converters.size() / threads;
    const auto chunks = std::make_unique<LineChunk[]>(converters.size());
    // Chunks are numbered in file order. The numbers wrap round after 2^32 chunks, which does no
    // harm: only the few chunks being converted are compared. 32 bits are what the system's
    // wait on a value takes directly.
    using ChunkNumber = std::uint32_t;
    const auto numbers = std::make_unique<ChunkNumber[]>(converters.size()); // of their chunks
    // A chunk whose converting failed keeps its exception until its turn, so that a failure or
    // stop earlier in the file comes first, as it would line by line.
    const auto convertFailures = std::make_unique<std::exception_ptr[]>(converters.size());
    std::atomic<bool> stopped{false};       // nothing more is read or handed on
    std::atomic<bool> convertFailed{false}; // nothing more is read

    std::mutex readMutex;
    bool inputEnded = false;        // guarded by readMutex
    ChunkNumber nextRead = 0;       // likewise
    std::exception_ptr readFailure; // likewise; it comes after every chunk read

    // The number of the chunk to be handed on next. Only the thread that converted it hands it
    // on, so its buffers stay in that core's cache.
    std::atomic<ChunkNumber> nextDue{0};
    std::int64_t recordCount = 0; // changed by the thread handing on
    std::atomic<std::int64_t> deliveredCount{0};

    std::mutex mutex; // guards what the calling thread watches
    std::condition_variable changed;
    std::size_t threadsRunning = threads;
    std::exception_ptr failure;
    const auto fail = [&](std::exception_ptr error) {
        const std::lock_guard lock(mutex);
        if (!failure) failure = std::move(error);
        stopped = true;
    };

    // Thread i converts with converters i, i + n, i + 2n, ... in turn, n being the number of
    // threads. It takes whichever chunk is next to read when it has a converter free, so a
    // thread that is given less time by the system converts fewer chunks rather than holding up
    // the others, and hands each on when it is due.
    const auto work = [&](std::size_t i) {
        std::size_t nextOwn = 0; // the one of its converters to take the next chunk
        std::size_t waiting = 0; // converted chunks not yet handed on, of the converters before it
        const auto oldest = [&] {
            return i + threads * ((nextOwn + ownCount - waiting) % ownCount);
        };
        const auto handOn = [&] {
            const std::size_t own = oldest();
            // After a stop the later chunks are only let go.
            if (!stopped && convertFailures[own]) {
                fail(convertFailures[own]);
            } else if (!stopped) {
                try {
                    if (!converters[own]->deliver(recordCount)) stopped = true;
                } catch (...) {
                    fail(std::current_exception());
                }
                deliveredCount.store(recordCount, std::memory_order_relaxed);
            }
            convertFailures[own] = nullptr;
            --waiting;
            nextDue.store(numbers[own] + 1, std::memory_order_release);
            nextDue.notify_all();
        };
        const auto isDue = [&] {
            return numbers[oldest()] == nextDue.load(std::memory_order_acquire);
        };
        const auto waitUntilDue = [&] {
            for (auto due = nextDue.load(std::memory_order_acquire); numbers[oldest()] != due;
                 due = nextDue.load(std::memory_order_acquire))
                nextDue.wait(due, std::memory_order_acquire);
        };
        for (;;) {
            while (waiting > 0 && isDue())
                handOn();
            if (waiting == ownCount) {
                waitUntilDue();
                handOn();
                continue;
            }
            const std::size_t own = i + threads * nextOwn;
            {
                const std::lock_guard lock(readMutex);
                bool got = false;
                try {
                    got = !inputEnded && !stopped && !convertFailed &&
                          input.nextChunk(chunks[own], chunkBytes);
                } catch (...) {
                    readFailure = std::current_exception();
                }
                if (!got) {
                    inputEnded = true;
                    break;
                }
                numbers[own] = nextRead++;
            }
            try {
                converters[own]->convert(chunks[own].lines());
            } catch (...) {
                convertFailures[own] = std::current_exception();
                convertFailed = true;
            }
            ++waiting;
            nextOwn = (nextOwn + 1) % ownCount;
        }
        while (waiting > 0) {
            waitUntilDue();
            handOn();
        }
        {
            const std::lock_guard lock(mutex);
            --threadsRunning;
        }
        changed.notify_one();
    };

    std::vector<std::thread> started;
    started.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) {
        try {
            started.emplace_back(work, i);
        } catch (...) {
            // The threads started find the run stopped and end.
            fail(std::current_exception());
            for (auto& thread : started)
                thread.join();
            std::rethrow_exception(failure);
        }
    }

    // Looked at a few dozen times a second rather than woken by every chunk: a wake-up costs more
    // than the few records it would show sooner.
    {
        std::int64_t shown = -1;
        bool progressFailed = false; // then it is not called again
        std::unique_lock lock(mutex);
        for (bool running = true; running;) {
            running =
                !changed.wait_for(lock, progressInterval, [&] { return threadsRunning == 0; });
            const std::int64_t count = deliveredCount.load(std::memory_order_relaxed);
            if (count == shown || !progress || progressFailed) continue;
            shown = count;
            lock.unlock();
            try {
                progress(shown);
            } catch (...) {
                progressFailed = true;
                fail(std::current_exception());
            }
            lock.lock();
        }
    }
    for (auto& thread : started)
        thread.join();
    if (!failure && !stopped && readFailure) failure = readFailure;
    if (failure) std::rethrow_exception(failure);
    return recordCount;
}

} // namespace vqd
