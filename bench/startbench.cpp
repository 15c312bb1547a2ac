// startbench: times whole runs of two programs, from process creation to exit, taking
// turns, and prints each one's median and the ratio of the medians.
//
//   startbench [--runs N] [--dir FOLDER] PROGRAM_A PROGRAM_B
//
// Each program runs N times (default 20) with FOLDER (default: the caller's) as its
// current directory and no arguments. Runs whose program cannot be started or does not
// end within 60 s count as failures; any failure makes the exit code 1.
#include "handles/UniqueHandle.h"
#include "sys/ProcessStart.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
double NowMs()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds from creation to exit; negative when the program did not run to its end.
double TimeRun(const std::string& program, const char* dir)
{
    CStartOptions options;
    options.pszCurrentDir = dir;
    CProcessInfo process;
    double start = NowMs();
    if (!StartProcess("\"" + program + "\"", options, process))
        return -1.0;
    if (WaitForSingleObject(process.Process(), 60000) != WAIT_OBJECT_0)
    {
        TerminateProcess(process.Process(), 1);
        return -1.0;
    }
    return NowMs() - start;
}

double Median(std::vector<double> times)
{
    if (times.empty())
        return -1.0;
    std::sort(times.begin(), times.end());
    size_t middle = times.size() / 2;
    return times.size() % 2 ? times[middle] : (times[middle - 1] + times[middle]) / 2.0;
}

const char* BaseName(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 20;
    const char* dir = NULL;
    std::vector<std::string> programs;
    for (int i = 1; i < argc; ++i)
    {
        if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (strcmp(argv[i], "--dir") == 0 && i + 1 < argc)
            dir = argv[++i];
        else
            programs.push_back(argv[i]);
    }
    if (programs.size() != 2)
    {
        fprintf(stderr, "usage: startbench [--runs N] [--dir FOLDER] PROGRAM_A PROGRAM_B\n");
        return 2;
    }

    // One unmeasured run each, so that neither pays alone for loading what both use.
    TimeRun(programs[0], dir);
    TimeRun(programs[1], dir);
    std::vector<double> times[2];
    int failures = 0;
    for (int run = 0; run < runs; ++run)
    {
        for (int p = 0; p < 2; ++p)
        {
            double ms = TimeRun(programs[p], dir);
            if (ms < 0)
                ++failures;
            else
                times[p].push_back(ms);
        }
    }
    double a = Median(times[0]);
    double b = Median(times[1]);
    printf("startbench: %d runs each, taking turns\n", runs);
    printf("%s: median %.1f ms\n", BaseName(programs[0]), a);
    printf("%s: median %.1f ms\n", BaseName(programs[1]), b);
    if (a > 0 && b > 0)
        printf("ratio %s/%s: %.2f\n", BaseName(programs[0]), BaseName(programs[1]), a / b);
    if (failures)
        printf("startbench: %d run(s) failed\n", failures);
    return failures ? 1 : 0;
}
