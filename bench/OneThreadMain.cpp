// The main of the benchmarks that state ratios (counters named x_...): every ratio is printed
// with its one-thread figure beside it (x_..._1t, and ours_ms_1t). The peers and yardsticks run on
// one thread; ours runs on every thread KAL_THREADS allows, so the program first runs itself again
// with KAL_THREADS=1 and keeps that run's counters. The two runs never overlap: the second one
// finishes before this one times anything.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "foundation/Parallel.h"

namespace {

const char* const kTwinFile = "KAL_BENCH_ONE_THREAD_FILE";

bool isRatio(const std::string& counter) { return counter.rfind("x_", 0) == 0 || counter == "ours_ms"; }

using Figures = std::map<std::pair<std::string, std::string>, double>; // (run, counter) -> value

// The one-thread run: records its ratios in the file its parent named, prints nothing.
class RecordingReporter : public benchmark::BenchmarkReporter {
public:
    explicit RecordingReporter(const char* path) : out(path) {}
    bool ReportContext(const Context&) override { return true; }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            for (const auto& [name, counter] : run.counters)
                if (isRatio(name)) out << run.benchmark_name() << '\t' << name << '\t' << counter.value << '\n';
        out.flush();
    }

private:
    std::ofstream out;
};

// The full run: the console report with each ratio's one-thread twin and our thread count added.
class TwinReporter : public benchmark::ConsoleReporter {
public:
    TwinReporter(Figures oneThread, int threads) : oneThread(std::move(oneThread)), threads(threads) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> withTwins = runs;
        for (size_t i = 0; i < runs.size(); ++i) {
            Run& run = withTwins[i];
            bool ratios = false;
            for (const auto& counter : runs[i].counters) {
                const std::string& name = counter.first;
                if (!isRatio(name)) continue;
                ratios = true;
                auto it = oneThread.find({run.benchmark_name(), name});
                if (it != oneThread.end()) run.counters[name + "_1t"] = benchmark::Counter(it->second);
            }
            if (ratios) run.counters["threads"] = benchmark::Counter(threads);
        }
        benchmark::ConsoleReporter::ReportRuns(withTwins);
    }

private:
    Figures oneThread;
    int threads;
};

// Runs this program again with KAL_THREADS=1 and the same arguments; its ratios, or none when it
// could not run.
Figures runOnOneThread(char** argv) {
    char path[] = "/tmp/kal-bench-one-thread-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return {};
    close(fd);
    Figures figures;
    pid_t child = fork();
    if (child == 0) {
        setenv("KAL_THREADS", "1", 1);
        setenv(kTwinFile, path, 1);
        execv("/proc/self/exe", argv);
        _exit(127);
    }
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        std::ifstream in(path);
        std::string run, counter;
        double value;
        while (std::getline(in, run, '\t') && std::getline(in, counter, '\t') && in >> value) {
            in.ignore(1);
            figures[{run, counter}] = value;
        }
    } else {
        std::fprintf(stderr, "the one-thread run failed: no _1t figures\n");
    }
    std::remove(path);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* twinFile = std::getenv(kTwinFile)) {
        benchmark::Initialize(&argc, argv);
        RecordingReporter recorder(twinFile);
        benchmark::RunSpecifiedBenchmarks(&recorder);
        benchmark::Shutdown();
        return 0;
    }
    const int threads = kal::allowedThreads();
    bool timing = true; // not when only listing the benchmarks
    for (int i = 1; i < argc; ++i) timing = timing && !std::strstr(argv[i], "list_tests");
    // already on one thread: this run's figures are the one-thread ones
    Figures oneThread = threads > 1 && timing ? runOnOneThread(argv) : Figures();
    benchmark::Initialize(&argc, argv);
    std::printf("ours on %d thread%s (x_..._1t: on one); the peers and yardsticks on one\n", threads,
                threads > 1 ? "s" : "");
    TwinReporter reporter(std::move(oneThread), threads);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
