// Times the command line's conversions against cp of the same input, on generated tables, and
// checks that their files are those of a reference build.
//
//   conversion_bench CLI REFERENCE_CLI GENERATOR DATA_FOLDER ROUNDS RECORDS...
//
// Inputs and the reference build's outputs are made once per size and kept in DATA_FOLDER. Each
// round runs cp, forward, cp, back one after the other, so that a disturbance of the shared
// machine falls on all of them alike; the table shows medians. The rows marked "1 core" run the
// command line on one core: the difference is what a second core gives it.

#include "shell/inspection.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

struct Measure {
    double seconds = 0;
    long peakKiB = 0;
};

[[noreturn]] void fail(const std::string& text) {
    std::fprintf(stderr, "conversion_bench: %s\n", text.c_str());
    std::exit(1);
}

// Runs a program with its output discarded, on one core when asked; the rusage of wait4 is the
// child's own.
Measure run(const std::vector<std::string>& arguments, const fs::path& folder,
            bool oneCore = false) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Earlier runs' files written to disk first: otherwise the system writes them back during
    // this run, on the same cores, and each run is slowed by the output of the one before.
    sync();
    // The child inherits the cores it may run on.
    cpu_set_t cores, firstCore;
    sched_getaffinity(0, sizeof cores, &cores);
    CPU_ZERO(&firstCore);
    for (int cpu = 0; oneCore && cpu < CPU_SETSIZE; ++cpu) {
        if (!CPU_ISSET(cpu, &cores)) continue;
        CPU_SET(cpu, &firstCore);
        sched_setaffinity(0, sizeof firstCore, &firstCore);
        break;
    }
    const auto start = Clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    if (oneCore) sched_setaffinity(0, sizeof cores, &cores);
    if (spawned != 0) fail("cannot start " + arguments[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const auto end = Clock::now();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        fail(arguments[0] + " " + arguments[1] + " failed in " + folder.string());
    return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss};
}

// Compared a block at a time: the runner's own memory would count in its children's peak, since
// Linux carries the peak over from the spawning process.
bool sameBytes(std::ifstream& a, std::ifstream& b) {
    std::vector<char> blockA(1 << 20), blockB(1 << 20);
    for (;;) {
        a.read(blockA.data(), static_cast<std::streamsize>(blockA.size()));
        b.read(blockB.data(), static_cast<std::streamsize>(blockB.size()));
        if (a.gcount() != b.gcount()) return false;
        if (!std::equal(blockA.begin(), blockA.begin() + a.gcount(), blockB.begin())) return false;
        if (a.gcount() == 0) return true;
    }
}

// The log's second line holds the time of the run; the rest must be the same.
void requireSame(const fs::path& fast, const fs::path& reference, bool isLog = false) {
    std::ifstream a(fast, std::ios::binary);
    std::ifstream b(reference, std::ios::binary);
    bool same = a && b;
    if (same && isLog) {
        std::string headA, headB, dateLine;
        std::getline(a, headA);
        std::getline(b, headB);
        std::getline(a, dateLine);
        std::getline(b, dateLine);
        same = headA == headB;
    }
    if (!same || !sameBytes(a, b)) fail(fast.string() + " differs from " + reference.string());
}

const std::vector<std::string> forwardOptions = {"--dim", "3",        "--names-first", "--total1",
                                                 "Total", "--total2", "Total",         "--total3",
                                                 "Total", "--hier1",  "region.hrc"};
const std::vector<std::string> backOptions = {"--template", "template.csv",
                                              "--zavek",    "zavek.csv",
                                              "--output",   "result.csv",
                                              "--var1",     "1",
                                              "--var2",     "2",
                                              "--var3",     "3",
                                              "--value",    "4",
                                              "--freq",     "5",
                                              "--status",   "6",
                                              "--dom",      "7"};
const char* const forwardOutputs[] = {"cells.csv.tab", "cells.csv.hst", "cells.csv.rda",
                                      "cells.csv.log"};

Measure forward(const std::string& cli, const fs::path& folder, bool oneCore = false) {
    for (const char* name : forwardOutputs)
        fs::remove(folder / name);
    std::vector<std::string> arguments = {cli, "forward", "cells.csv"};
    arguments.insert(arguments.end(), forwardOptions.begin(), forwardOptions.end());
    return run(arguments, folder, oneCore);
}

Measure back(const std::string& cli, const fs::path& folder, bool oneCore = false) {
    fs::remove(folder / "result.csv");
    std::vector<std::string> arguments = {cli, "back"};
    arguments.insert(arguments.end(), backOptions.begin(), backOptions.end());
    return run(arguments, folder, oneCore);
}

Measure copyWithCp(const fs::path& folder, const std::string& input) {
    fs::remove(folder / "copy");
    return run({"cp", input, "copy"}, folder);
}

// A folder whose inputs are links to the generated ones: each build writes its own outputs.
void linkInputs(const fs::path& data, const fs::path& folder) {
    fs::create_directories(folder);
    for (const char* name : {"cells.csv", "zavek.csv", "template.csv", "region.hrc"}) {
        if (!fs::exists(fs::symlink_status(folder / name)))
            fs::create_symlink(fs::absolute(data / name), folder / name);
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

class SilentMessages : public vqd::Messages {
public:
    void critical(std::string_view text) override { fail(std::string(text)); }
    void information(std::string_view) override {}
};

// GetDim reading the whole file, then answering from its cache. Another spelling of the path
// is another cache entry, so each reading round really reads.
void timeInspection(const fs::path& data) {
    SilentMessages messages;
    const auto size = static_cast<double>(fs::file_size(data / "cells.csv"));
    std::vector<double> reads;
    std::string path = (data / "cells.csv").string();
    for (int round = 0; round < 3; ++round) {
        path = (data / "./").string() + path.substr(data.string().size() + 1);
        const auto start = Clock::now();
        vqd::GetDim(path, ";", messages);
        reads.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    constexpr int cachedCalls = 10000;
    const auto start = Clock::now();
    for (int i = 0; i < cachedCalls; ++i)
        vqd::GetDim(path, ";", messages);
    const double cached = std::chrono::duration<double>(Clock::now() - start).count() / cachedCalls;
    std::printf("GetDim   %8.1f MB  read %7.3f s (%.3f s per 100 MB)  cached %6.1f us\n",
                size / 1e6, median(reads), median(reads) * 100e6 / size, cached * 1e6);
}

// The peak memory of a back conversion whose template has a header and a model line of many
// one-character fields, against its bound: three times the longest line and 32 MiB.
void manyFieldsMemory(const std::string& cli, const fs::path& dataRoot) {
    const fs::path folder = dataRoot / "many-fields";
    fs::create_directories(folder);
    std::ofstream(folder / "zavek.csv", std::ios::binary) << "1,a,2,b,3,c,250,3,U,0\r\n";
    for (const std::size_t fields : {1'000'000, 8'000'000}) {
        {
            // Written a field at a time: the runner's own peak would count in its children's.
            std::ofstream out(folder / "template.csv", std::ios::binary);
            for (std::size_t i = 0; i < 2 * fields; ++i)
                out << ((i + 1) % fields != 0 ? "x;" : "x\r\n");
        }
        const auto measure = back(cli, folder);
        const double lineMiB = static_cast<double>(2 * fields) / (1 << 20);
        const double peakMiB = static_cast<double>(measure.peakKiB) / 1024;
        std::printf("%-10s %-8s %9.1f %10.3f %19s %10.1f  at most %.0f\n",
                    (std::to_string(fields / 1'000'000) + "M fields").c_str(), "back",
                    static_cast<double>(fs::file_size(folder / "template.csv")) / 1e6,
                    measure.seconds, "", peakMiB, 3 * lineMiB + 32);
        if (peakMiB > 3 * lineMiB + 32) fail("a template of many fields takes too much memory");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fputs("usage: conversion_bench CLI REFERENCE_CLI GENERATOR DATA_FOLDER ROUNDS "
                   "RECORDS...\n",
                   stderr);
        return 2;
    }
    const std::string cli = fs::absolute(argv[1]).string();
    const std::string reference = fs::absolute(argv[2]).string();
    const std::string generator = fs::absolute(argv[3]).string();
    const fs::path dataRoot = fs::absolute(argv[4]);
    const int rounds = std::max(1, std::atoi(argv[5]));

    std::printf("%-10s %-8s %9s %10s %8s %10s %10s\n", "records", "run", "input MB", "median s",
                "x cp", "MB/s", "peak MiB");
    for (int i = 6; i < argc; ++i) {
        const std::string records = argv[i];
        const fs::path data = dataRoot / records;
        if (!fs::exists(data / "cells.csv")) {
            fs::create_directories(data);
            run({generator, data.string(), records}, data);
        }
        const fs::path referenceRun = data / "reference";
        const fs::path fastRun = data / "fast";
        linkInputs(data, referenceRun);
        const fs::path oneCoreRun = data / "one-core";
        linkInputs(data, fastRun);
        linkInputs(data, oneCoreRun);
        if (!fs::exists(referenceRun / "result.csv")) {
            forward(reference, referenceRun);
            back(reference, referenceRun);
        }

        std::vector<double> cpCells, cpZavek, forwardTimes, backTimes, forwardOneTimes,
            backOneTimes;
        long forwardPeak = 0, backPeak = 0, forwardOnePeak = 0, backOnePeak = 0;
        for (int round = 0; round < rounds; ++round) {
            cpCells.push_back(copyWithCp(fastRun, "cells.csv").seconds);
            const auto f = forward(cli, fastRun);
            const auto fOne = forward(cli, oneCoreRun, true);
            cpZavek.push_back(copyWithCp(fastRun, "zavek.csv").seconds);
            const auto b = back(cli, fastRun);
            const auto bOne = back(cli, oneCoreRun, true);
            forwardTimes.push_back(f.seconds);
            forwardOneTimes.push_back(fOne.seconds);
            backTimes.push_back(b.seconds);
            backOneTimes.push_back(bOne.seconds);
            forwardPeak = std::max(forwardPeak, f.peakKiB);
            forwardOnePeak = std::max(forwardOnePeak, fOne.peakKiB);
            backPeak = std::max(backPeak, b.peakKiB);
            backOnePeak = std::max(backOnePeak, bOne.peakKiB);
        }
        for (const auto& run : {fastRun, oneCoreRun}) {
            for (const char* name : forwardOutputs)
                requireSame(run / name, referenceRun / name,
                            std::string_view(name).ends_with("log"));
            requireSame(run / "result.csv", referenceRun / "result.csv");
        }
        fs::remove(fastRun / "copy");

        const double cellsMB = static_cast<double>(fs::file_size(data / "cells.csv")) / 1e6;
        const double zavekMB = static_cast<double>(fs::file_size(data / "zavek.csv")) / 1e6;
        const auto row = [&](const char* name, double mb, const std::vector<double>& times,
                             const std::vector<double>& copies, long peak) {
            const double t = median(times);
            if (peak == 0) {
                std::printf("%-10s %-8s %9.1f %10.3f\n", records.c_str(), name, mb, t);
                return;
            }
            std::printf("%-10s %-8s %9.1f %10.3f %8.1f %10.0f %10.1f\n", records.c_str(), name, mb,
                        t, t / median(copies), mb / t, static_cast<double>(peak) / 1024);
        };
        row("cp cells", cellsMB, cpCells, cpCells, 0);
        row("forward", cellsMB, forwardTimes, cpCells, forwardPeak);
        row("1 core", cellsMB, forwardOneTimes, cpCells, forwardOnePeak);
        row("cp zavek", zavekMB, cpZavek, cpZavek, 0);
        row("back", zavekMB, backTimes, cpZavek, backPeak);
        row("1 core", zavekMB, backOneTimes, cpZavek, backOnePeak);
        std::fflush(stdout);
    }
    std::puts("Outputs identical to the reference build's (the log's date line aside).");
    manyFieldsMemory(cli, dataRoot);
    timeInspection(dataRoot / argv[argc - 1]);
    return 0;
}
