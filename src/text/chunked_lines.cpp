#include "text/chunked_lines.h"

#include <algorithm>
#include <condition_variable>
#include <future>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#ifdef __linux__
#include <sched.h>
#endif

namespace vqd {

std::string conversionStoppedMessage(std::string_view path, const std::exception& error) {
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return "Not enough memory to convert file: " + std::string(path);
    return "Cannot convert file: " + std::string(path) + "\n" + error.what();
}

std::size_t threadCount() {
#ifdef __linux__
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0) return std::clamp(CPU_COUNT(&cores), 1, 4);
#endif
    return std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, 4);
}

std::int64_t convertInChunks(LineReader& input, std::span<ChunkConverter* const> converters,
                             std::size_t threads, std::size_t chunkBytes, std::size_t lineCost,
                             const std::function<void(std::int64_t)>& progress) {
    // Chunk k is read into slot k % n and converted by converter k % n on whichever thread is
    // free; the slot's future hands it back, or the converter's exception, in file order.
    struct Slot {
        LineChunk chunk;
        std::packaged_task<void()> convert;
        std::future<void> converted;
    };
    const std::size_t n = converters.size();
    std::vector<Slot> slots(n);
    std::mutex mutex;
    std::condition_variable toConvert;
    std::size_t read = 0, taken = 0; // chunks read, and taken by a thread to convert
    bool closing = false;
    const auto work = [&] {
        for (std::unique_lock lock(mutex);; lock.lock()) {
            toConvert.wait(lock, [&] { return closing || taken < read; });
            if (closing) return;
            auto convert = std::move(slots[taken++ % n].convert);
            lock.unlock();
            convert();
        }
    };
    std::vector<std::thread> pool;
    std::int64_t count = 0;
    std::exception_ptr failure;
    try {
        while (pool.size() < std::clamp<std::size_t>(threads, 1, n))
            pool.emplace_back(work);
        bool more = true, stopped = false;
        // Chunks are read ahead into free slots while the cost of those not handed on stays within
        // a chunk a slot: a long line is converted alone.
        for (std::size_t delivered = 0, inFlight = 0; !stopped && (more || delivered < read);) {
            if (more && read - delivered < n && (read == delivered || inFlight < n * chunkBytes)) {
                Slot& slot = slots[read % n];
                more = input.nextChunk(slot.chunk, chunkBytes, lineCost);
                if (!more) continue;
                inFlight += slot.chunk.cost();
                slot.convert = std::packaged_task<void()>(
                    [&, k = read % n] { converters[k]->convert(slots[k].chunk.lines()); });
                slot.converted = slot.convert.get_future();
                const std::lock_guard lock(mutex);
                ++read;
                toConvert.notify_one();
                continue;
            }
            const std::size_t k = delivered++ % n;
            slots[k].converted.get(); // throws what the converter threw
            inFlight -= slots[k].chunk.cost();
            stopped = !converters[k]->deliver(count);
            if (progress) progress(count);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    std::unique_lock lock(mutex);
    closing = true;
    lock.unlock();
    toConvert.notify_all();
    for (auto& thread : pool)
        thread.join();
    if (failure) std::rethrow_exception(failure);
    return count;
}

} // namespace vqd
