// A small timing harness: every comparison runs the library's way and the
// plain platform call doing the same job in the same process, and prints
//   NAME: lib X ns, raw Y ns, ratio R
// with X and Y the median time per operation over repeated runs.
#pragma once

#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace cfu::bench {

struct Timing
{
    double minNs;
    double medianNs;
};

inline double Now()
{
    static LARGE_INTEGER freq = [] { LARGE_INTEGER f; QueryPerformanceFrequency(&f); return f; }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) * 1e9 / double(freq.QuadPart);
}

// The fastest and the middle of a set of per-operation times.
inline Timing Summary(std::vector<double> perOp)
{
    std::sort(perOp.begin(), perOp.end());
    return {perOp.front(), perOp[perOp.size() / 2]};
}

// Times `ops` calls of f, `runs` times; per-operation minimum and median.
template <class F>
Timing Time(F&& f, long ops, int runs = 7)
{
    std::vector<double> perOp;
    f();    // warm caches and lazy initialisation
    for (int r = 0; r < runs; ++r) {
        double start = Now();
        for (long i = 0; i < ops; ++i)
            f();
        perOp.push_back((Now() - start) / double(ops));
    }
    return Summary(perOp);
}

inline void Report(const char* name, Timing lib, Timing raw)
{
    std::printf("%s: lib %.0f ns, raw %.0f ns, ratio %.2f\n", name, lib.medianNs, raw.medianNs,
                raw.medianNs > 0 ? lib.medianNs / raw.medianNs : 0.0);
    std::fflush(stdout);
}

template <class Lib, class Raw>
void Compare(const char* name, long ops, Lib&& lib, Raw&& raw, int runs = 7)
{
    // The two take turns, so that a change in the machine's load (it is
    // shared) falls on both sides alike rather than on one of them.
    std::vector<double> libRuns, rawRuns;
    for (int r = 0; r < runs; ++r) {
        libRuns.push_back(Time(lib, ops, 1).minNs);
        rawRuns.push_back(Time(raw, ops, 1).minNs);
    }
    Report(name, Summary(libRuns), Summary(rawRuns));
}

} // namespace cfu::bench
