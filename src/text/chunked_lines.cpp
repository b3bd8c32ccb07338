#include "text/chunked_lines.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <semaphore>
#include <string>
#include <thread>

namespace vqd {

namespace {

// Turns pass from converter to converter in a ring: reading chunk k, then k + 1, ...; handing on
// chunk k, then k + 1, ... Each converter waits for its own turn only.
struct Lane {
    std::counting_semaphore<> readTurn{0};
    std::counting_semaphore<> deliverTurn{0};
    LineChunk chunk;
    std::thread thread;
};

constexpr auto progressInterval = std::chrono::milliseconds(40);

} // namespace

std::size_t converterCount() {
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t chunkBytes,
                             const std::function<void(std::int64_t)>& progress) {
    const std::size_t laneCount = converters.size();
    const auto lanes = std::make_unique<Lane[]>(laneCount);
    bool inputEnded = false;       // read turns only
    std::int64_t recordCount = 0;  // deliver turns only
    std::atomic<bool> stopped{false};
    std::atomic<std::int64_t> deliveredCount{0};

    std::mutex mutex; // guards what the calling thread watches
    std::condition_variable changed;
    std::size_t lanesRunning = laneCount;
    std::exception_ptr failure;
    const auto fail = [&] {
        const std::lock_guard lock(mutex);
        if (!failure) failure = std::current_exception();
        stopped = true;
    };

    const auto work = [&](std::size_t i) {
        Lane& lane = lanes[i];
        Lane& next = lanes[(i + 1) % laneCount];
        ChunkConverter& converter = *converters[i];
        for (;;) {
            lane.readTurn.acquire();
            bool got = false;
            try {
                got = !inputEnded && !stopped && input.nextChunk(lane.chunk, chunkBytes);
            } catch (...) {
                fail();
            }
            if (!got) inputEnded = true;
            next.readTurn.release();
            // Every later chunk is empty too, so no later turn waits for this converter.
            if (!got) break;

            try {
                converter.convert(lane.chunk.lines());
            } catch (...) {
                fail();
            }
            lane.deliverTurn.acquire();
            if (!stopped) {
                try {
                    if (!converter.deliver(recordCount)) stopped = true;
                } catch (...) {
                    fail();
                }
                deliveredCount.store(recordCount, std::memory_order_relaxed);
            }
            next.deliverTurn.release();
        }
        {
            const std::lock_guard lock(mutex);
            --lanesRunning;
        }
        changed.notify_one();
    };

    for (std::size_t i = 0; i < laneCount; ++i) {
        try {
            lanes[i].thread = std::thread(work, i);
        } catch (...) {
            // No turn was given yet: the threads started find the input ended and stop.
            fail();
            inputEnded = true;
            for (std::size_t started = 0; started < i; ++started)
                lanes[started].readTurn.release();
            for (std::size_t started = 0; started < i; ++started)
                lanes[started].thread.join();
            std::rethrow_exception(failure);
        }
    }
    lanes[0].readTurn.release();
    lanes[0].deliverTurn.release();

    // Looked at a few dozen times a second rather than woken by every chunk: a wake-up costs more
    // than the few records it would show sooner.
    {
        std::int64_t shown = -1;
        std::unique_lock lock(mutex);
        for (bool running = true; running;) {
            running = !changed.wait_for(lock, progressInterval, [&] { return lanesRunning == 0; });
            const std::int64_t count = deliveredCount.load(std::memory_order_relaxed);
            if (count == shown || !progress) continue;
            shown = count;
            lock.unlock();
            try {
                progress(shown);
            } catch (...) {
                fail();
            }
            lock.lock();
        }
    }
    for (std::size_t i = 0; i < laneCount; ++i)
        lanes[i].thread.join();
    if (failure) std::rethrow_exception(failure);
    return recordCount;
}

} // namespace vqd
