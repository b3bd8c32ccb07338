#include "files/chunked_lines.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vqd {

// What `work` threw, or nothing.
template <class Work> static std::exception_ptr caught(Work&& work) noexcept {
    try {
        work();
        return nullptr;
    } catch (...) {
        return std::current_exception();
    }
}

std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t threads, std::size_t chunkBytes, std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress) {
    threads = std::clamp<std::size_t>(threads, 1, converters.size());
    const std::size_t own = converters.size() / threads; // the converters of each thread
    struct Slot {
        LineChunk chunk;
        std::uint64_t number = 0;   // of the chunk in the file
        std::exception_ptr failure; // of its converting, kept for its turn
    };
    std::vector<Slot> slots(converters.size());
    std::int64_t recordCount = 0; // changed by the thread handing on, in its turn
    // Guarded by `mutex`; `turn` tells of a chunk handed on.
    std::mutex mutex;
    std::condition_variable turn;
    std::uint64_t nextRead = 0, nextDue = 0;
    bool inputEnded = false, stopped = false;
    std::exception_ptr failure, readFailure;

    // Thread t converts with converters t, t + threads, ... in turn, and hands each chunk on
    // itself when the chunks before it have been, so that its buffers stay in that core's cache.
    // The calling thread is thread 0, and shows the progress after each chunk it hands on.
    const auto work = [&](std::size_t t) {
        std::size_t next = 0, waiting = 0; // the next free converter; those not yet handed on
        std::unique_lock lock(mutex);
        while (waiting > 0 || (!inputEnded && !stopped)) {
            const std::size_t oldest = t + threads * ((next + own - waiting) % own);
            if (waiting > 0 && slots[oldest].number == nextDue) {
                bool goOn = !stopped; // after a stop, later chunks are only let go
                auto error = std::exchange(slots[oldest].failure, nullptr);
                lock.unlock();
                if (goOn && !error)
                    error = caught([&] { goOn = converters[oldest]->deliver(recordCount); });
                if (goOn && !error && t == 0 && progress)
                    error = caught([&, count = recordCount] { progress(count); });
                lock.lock();
                if (goOn && error && !failure) failure = error;
                stopped = stopped || !goOn || error;
                ++nextDue;
                --waiting;
                turn.notify_all();
            } else if (waiting < own && !inputEnded && !stopped) {
                const std::size_t c = t + threads * next;
                readFailure = caught(
                    [&] { inputEnded = !input.nextChunk(slots[c].chunk, chunkBytes, lineCost); });
                inputEnded = inputEnded || readFailure;
                if (inputEnded) continue;
                slots[c].number = nextRead++;
                lock.unlock();
                slots[c].failure = caught([&] { converters[c]->convert(slots[c].chunk.lines()); });
                lock.lock();
                next = (next + 1) % own;
                ++waiting;
            } else {
                turn.wait(lock);
            }
        }
    };

    // A thread the system will not start stops the run; those started find it stopped.
    std::vector<std::thread> others;
    std::unique_lock starting(mutex);
    failure = caught([&] {
        for (std::size_t t = 1; t < threads; ++t)
            others.emplace_back(work, t);
    });
    stopped = static_cast<bool>(failure);
    starting.unlock();
    work(0);
    for (auto& thread : others)
        thread.join();
    if (!failure && !stopped && readFailure) failure = readFailure;
    if (failure) std::rethrow_exception(failure);
    if (progress) progress(recordCount);
    return recordCount;
}

} // namespace vqd
