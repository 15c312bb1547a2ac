// The test program, which doubles as a probe that reports the paths a copy of it derives
// from wherever it was started.
#include <gtest/gtest.h>

#include <cstring>

int PrintDerivedPaths(const char* setupFile, const char* outputFile);

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "--print-paths") == 0)
        return PrintDerivedPaths(argv[2], argv[3]);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
