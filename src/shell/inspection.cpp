#include "shell/inspection.h"

#include "files/file_access.h"
#include "files/line_reader.h"
#include "text/fields.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <mutex>

namespace vqd {

bool FileExist(const std::string& FN) {
    if (FN.empty()) return false;
    std::error_code error;
    return std::filesystem::is_regular_file(files::nativePath(FN), error);
}

namespace {

// Each keystroke in the dimension or separator box inspects the input again; a large cell file
// that has not changed is not read again. A few entries cover switching separators back and forth.
class FieldCountCache {
public:
    // The count remembered for a reading up to the first line of `enough` fields.
    std::optional<std::int64_t> find(const std::string& path, const FileStamp& stamp,
                                     std::string_view separator, std::int64_t enough) {
        const std::lock_guard lock(mutex_);
        const Entry* entry = entryOf(path, separator);
        if (entry == nullptr || entry->stamp != stamp) return std::nullopt;
        // A reading that stopped early knows only that a line has that many fields.
        if (entry->wholeFile || entry->fields >= enough) return entry->fields;
        return std::nullopt;
    }

    void remember(const std::string& path, const FileStamp& stamp, std::string_view separator,
                  std::int64_t fields, bool wholeFile) {
        const std::lock_guard lock(mutex_);
        Entry entry{path, stamp, std::string(separator), fields, wholeFile};
        if (Entry* known = entryOf(path, separator)) {
            *known = std::move(entry);
        } else if (entries_.size() < capacity) {
            entries_.push_back(std::move(entry));
        } else {
            entries_[next_] = std::move(entry);
            next_ = (next_ + 1) % capacity;
        }
    }

private:
    static constexpr std::size_t capacity = 8;
    struct Entry {
        std::string path;
        FileStamp stamp;
        std::string separator;
        std::int64_t fields;
        bool wholeFile;
    };

    Entry* entryOf(const std::string& path, std::string_view separator) {
        for (Entry& entry : entries_) {
            if (entry.path == path && entry.separator == separator) return &entry;
        }
        return nullptr;
    }

    std::mutex mutex_;
    std::vector<Entry> entries_;
    std::size_t next_ = 0; // the oldest entry once all places are taken
};

// The largest number of fields on a line of FN, reading up to the first line that has `enough`:
// below `enough` it is the largest of the file, otherwise a line has at least that many.
std::optional<std::int64_t> mostFields(const std::string& FN, std::string_view separator,
                                       std::int64_t enough, Messages& messages) {
    static FieldCountCache cache;
    // Stamped before reading: a file changed while being read gets a new stamp next time.
    const auto stamp = stampOf(FN);
    if (stamp) {
        if (const auto known = cache.find(FN, *stamp, separator, enough)) return known;
    }
    LineReader reader;
    reader.open(FN); // a file that cannot be opened gives no line, and is said below
    std::int64_t maximum = 0;
    std::string_view line;
    while (maximum < enough && reader.next(line))
        maximum = std::max(maximum, countFields(line, separator));
    if (!reader.error().empty()) {
        messages.critical(cannotReadMessage(FN, reader.error()));
        return std::nullopt;
    }
    // A file written a moment ago may be written again within the file system's clock tick with
    // the same size, and its stamp would not tell; only settled files are remembered.
    const auto settled = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(2);
    if (stamp && stamp->modified < settled)
        cache.remember(FN, *stamp, separator, maximum, maximum < enough);
    return maximum;
}

} // namespace

std::optional<std::int32_t> GetDim(const std::string& FN, std::string_view separator,
                                   Messages& messages) {
    const auto maximum =
        mostFields(FN, separator, std::numeric_limits<std::int64_t>::max(), messages);
    if (!maximum) return std::nullopt;
    const auto dimension = *maximum > 4 ? *maximum - 4 : 0;
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(dimension, std::numeric_limits<std::int32_t>::max()));
}

std::optional<std::vector<std::string>> ReadVarNames(const std::string& FN,
                                                     std::string_view separator, std::int32_t N,
                                                     Messages& messages) {
    const auto first = readFirstLine(FN, messages);
    if (!first) return std::nullopt;
    std::vector<std::string> names;
    std::string_view rest = *first;
    for (std::int32_t i = 0; i < std::min(N, 4); ++i)
        names.emplace_back(NextField(rest, separator));
    return names;
}

InputInspection inspectInput(const std::string& FN, std::string_view separator,
                             std::int32_t dimension, bool namesFromFirstLine, Messages& messages) {
    InputInspection found;
    const auto fields = mostFields(FN, separator, 5, messages);
    if (!fields) return found;
    if (*fields <= 4) {
        messages.critical("No separator found in file: " + files::messageName(FN));
        found.verdict = InputVerdict::NoSeparator;
        return found;
    }
    if (dimension > 0 && namesFromFirstLine) {
        auto names = ReadVarNames(FN, separator, dimension, messages);
        if (!names) return found;
        found.names = std::move(*names);
    }
    found.verdict = InputVerdict::Splits;
    return found;
}

} // namespace vqd
