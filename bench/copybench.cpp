// copybench: times CopyTree against xcopy /E /I /Y on the same two trees in one run.
//
//   copybench [--runs N] [--keep]
//
// Builds under the temporary directory a tree of large files (1,000 files, 100 MB in all,
// sizes spread from 1 KB to 200 KB) and a tree of small ones (10,000 files of 1 KB), then
// copies each tree N times (default 3) with each copier into a destination that does not
// exist yet, alternating the two. Prints the best time of each and the ratio
// xcopy / CopyTree (above 1: CopyTree is faster). xcopy runs as a program of its own with
// its output sent to NUL, so its time includes its start; that start is measured on an
// empty tree and printed too. --keep leaves the trees in place.
#include "handles/UniqueHandle.h"
#include "sys/ProcessStart.h"
#include "sys/SystemPaths.h"
#include "sys/TreeCopy.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
struct CTreeShape
{
    const char* name;
    int folders;
    int filesPerFolder;
};

// Size of file i of the large tree: 1 KB to 200 KB, 100.5 KB on average.
DWORD LargeFileSize(int i)
{
    return static_cast<DWORD>((i % 200 + 1) * 1024);
}

bool WriteFileOfSize(const std::string& path, DWORD size, std::vector<char>& noise)
{
    CUniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), noise.data(), size, &written, NULL) && written == size;
}

// folders x filesPerFolder files, each of the given size function; the total in bytes.
bool BuildTree(const std::string& root, const CTreeShape& shape, bool large,
               unsigned long long& totalBytes)
{
    std::vector<char> noise(256 * 1024);
    unsigned int seed = 12345;
    for (char& c : noise)
    {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    totalBytes = 0;
    if (!CreateDirectories(root.c_str()))
        return false;
    int index = 0;
    for (int folder = 0; folder < shape.folders; ++folder)
    {
        char name[32];
        snprintf(name, sizeof(name), "\\dir%03d", folder);
        std::string dir = root + name;
        if (!CreateDirectoryA(dir.c_str(), NULL))
            return false;
        for (int i = 0; i < shape.filesPerFolder; ++i, ++index)
        {
            DWORD size = large ? LargeFileSize(index) : 1024;
            snprintf(name, sizeof(name), "\\file%05d.bin", index);
            if (!WriteFileOfSize(dir + name, size, noise))
                return false;
            totalBytes += size;
        }
    }
    return true;
}

void RemoveTreeOf(const std::string& path)
{
    WIN32_FIND_DATAA entry;
    {
        CUniqueFind find(FindFirstFileA((path + "\\*").c_str(), &entry));
        if (find)
        {
            do
            {
                if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0)
                    continue;
                std::string child = path + "\\" + entry.cFileName;
                if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTreeOf(child);
                else
                {
                    SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                    DeleteFileA(child.c_str());
                }
            } while (FindNextFileA(find.Get(), &entry));
        }
    }
    RemoveDirectoryA(path.c_str());
}

double Now()
{
    static LARGE_INTEGER frequency = {};
    if (frequency.QuadPart == 0)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds for CopyTree; negative when the copy failed.
double TimeCopyTree(const std::string& source, const std::string& dest)
{
    double start = Now();
    int result = CopyTree(source, dest);
    double elapsed = Now() - start;
    return result == 1 ? elapsed : -1.0;
}

// Milliseconds for "xcopy /E /I /Y source dest" from its start to its end; negative when
// it could not be started or reported failure.
double TimeXcopy(const std::string& source, const std::string& dest)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof(SECURITY_ATTRIBUTES), NULL, TRUE};
    CUniqueFile nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING, 0,
                                NULL));
    if (!nul)
        return -1.0;
    CStartOptions options;
    options.hOutput = nul.Get();
    CProcessInfo process;
    double start = Now();
    if (!StartProcess("xcopy /E /I /Y \"" + source + "\" \"" + dest + "\"", options, process))
        return -1.0;
    WaitForSingleObject(process.Process(), INFINITE);
    double elapsed = Now() - start;
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Process(), &exitCode);
    return exitCode == 0 ? elapsed : -1.0;
}

double Best(const std::vector<double>& times)
{
    if (times.empty() || *std::min_element(times.begin(), times.end()) < 0)
        return -1.0;
    return *std::min_element(times.begin(), times.end());
}
} // namespace

int main(int argc, char** argv)
{
    int runs = 3;
    bool keep = false;
    for (int i = 1; i < argc; ++i)
    {
        if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, atoi(argv[++i]));
        else if (strcmp(argv[i], "--keep") == 0)
            keep = true;
    }

    std::string base = GetTempDir() + "\\copybench";
    RemoveTreeOf(base);
    const CTreeShape shapes[] = {{"large", 10, 100}, {"small", 100, 100}};
    printf("copybench: %d run(s) each, best time counts\n", runs);

    // xcopy's own start, copying an empty tree.
    std::string empty = base + "\\empty";
    CreateDirectories(empty.c_str());
    std::vector<double> startTimes;
    for (int run = 0; run < runs; ++run)
    {
        std::string dest = base + "\\empty-out";
        startTimes.push_back(TimeXcopy(empty, dest));
        RemoveTreeOf(dest);
    }
    printf("xcopy on an empty tree: %.0f ms\n", Best(startTimes));

    int status = 0;
    for (const CTreeShape& shape : shapes)
    {
        std::string source = base + "\\" + shape.name;
        std::string dest = base + "\\" + shape.name + "-out";
        unsigned long long bytes = 0;
        if (!BuildTree(source, shape, strcmp(shape.name, "large") == 0, bytes))
        {
            printf("%s: cannot build the tree under %s\n", shape.name, base.c_str());
            return 2;
        }
        std::vector<double> ours;
        std::vector<double> theirs;
        for (int run = 0; run < runs; ++run)
        {
            RemoveTreeOf(dest);
            ours.push_back(TimeCopyTree(source, dest));
            RemoveTreeOf(dest);
            theirs.push_back(TimeXcopy(source, dest));
        }
        RemoveTreeOf(dest);
        double bestOurs = Best(ours);
        double bestTheirs = Best(theirs);
        int files = shape.folders * shape.filesPerFolder;
        if (bestOurs <= 0 || bestTheirs <= 0)
        {
            printf("%s: %d files, %.1f MB: a copy failed (CopyTree %.0f, xcopy %.0f)\n", shape.name,
                   files, static_cast<double>(bytes) / (1024.0 * 1024.0), bestOurs, bestTheirs);
            status = 1;
            continue;
        }
        printf("%s runs (ms), CopyTree / xcopy:", shape.name);
        for (int run = 0; run < runs; ++run)
            printf(" %.0f/%.0f", ours[run], theirs[run]);
        printf("\n");
        printf("%s: %d files, %.1f MB: CopyTree %.0f ms, xcopy %.0f ms, "
               "xcopy/CopyTree %.2f\n",
               shape.name, files, static_cast<double>(bytes) / (1024.0 * 1024.0), bestOurs,
               bestTheirs, bestTheirs / bestOurs);
    }
    if (!keep)
        RemoveTreeOf(base);
    return status;
}
