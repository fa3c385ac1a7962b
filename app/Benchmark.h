#pragma once

// Times a headless run of the show: each pass from the end of the one before, grouped by the
// scene it belongs to, and the endless last loop's memory and pace as it goes on. Lines go to
// `out`; the clock is a parameter so the arithmetic can be checked without waiting.

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

class Benchmark {
public:
    static constexpr int kPassesPerSecond = 30;
    // The last loop's figures are printed every this many passes of it (one minute of show).
    static constexpr long kSoakWindowPasses = 60L * kPassesPerSecond;

    // now: seconds on a steady clock; cpu: seconds of processor time this process has used (the
    // last loop's pace is taken on it, so that other work on the machine does not pass for a
    // slowdown); resident: the process's resident memory in KiB (-1 when unknown).
    Benchmark(std::FILE* out, std::function<double()> now, std::function<double()> cpu, std::function<long()> resident);

    // Passes from here on belong to this scene (several runs of one name add up), until it
    // ends: then to the one it ran inside, if any.
    void SceneBegins(const char* name);
    void SceneEnds();
    void FinalLoopBegins();
    // One pass has ended: its time is the time since the last call (or since the start).
    void EndOfPass();
    // The run ends: the last loop's closing figures, the per-scene table and the total line.
    void Finish();

    struct Row {
        std::string name;
        long passes = 0;
        double total = 0, worst = 0;  // seconds
    };
    const std::vector<Row>& Rows() const { return rows; }

    // The process's resident memory from /proc/self/statm, in KiB; -1 when it cannot be read.
    static long ResidentKiB();
    // Processor time used by this process, in seconds.
    static double CpuSeconds();

private:
    void Soak(const char* when);

    std::FILE* out;
    std::function<double()> now;
    std::function<double()> cpu;
    std::function<long()> resident;
    std::vector<Row> rows;
    std::size_t current = 0;
    std::vector<std::size_t> outer;  // the rows of the scenes the current one runs inside
    double start = 0, last = 0;
    long passes = 0;
    bool inFinalLoop = false;
    long finalPasses = 0;
    double loopStart = 0, lastCpu = 0;  // processor time, as passEnds
    std::vector<double> passEnds;  // the last loop's latest pass ends, a ring one longer than a window
};

// The benchmark's lines, as printed (kept here so a reader of the output can parse them back).
//   scene NAME passes N mean M ms worst W ms
//   total passes N seconds S fps F realtime Rx
//   soak WHEN at T s: resident K KiB, P passes per cpu second
