// CopyTree, CopyTreeRecursive and CreateDirectories on real files and folders.
#include "handles/UniqueHandle.h"
#include "sys/FormatText.h"
#include "sys/TreeCopy.h"
#include "tests/support/HandleCount.h"
#include "tests/support/LongPathFiles.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TraceMatch.h"
#include "tests/support/TraceRecorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace
{
// The names of a folder in the order the file system lists them, without "." and "..".
std::vector<std::string> ListingOrder(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((dir + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
    {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return names;
}

// Holds a file open without any sharing, so that nobody can write or replace it.
class CLockedFile
{
public:
    explicit CLockedFile(const std::string& path)
        : m_hFile(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL))
    {
    }
    ~CLockedFile()
    {
        if (m_hFile != INVALID_HANDLE_VALUE)
            CloseHandle(m_hFile);
    }
    CLockedFile(const CLockedFile&) = delete;
    CLockedFile& operator=(const CLockedFile&) = delete;
    bool IsLocked() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_hFile;
};

} // namespace

class CopyTreeTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(MakeDirectory(m_strSource)); }

    CTempFolder m_folder{"ct"};
    std::string m_strSource = m_folder / "src";
    std::string m_strDest = m_folder / "out\\a\\b";
};

TEST_F(CopyTreeTest, EmptySourceCreatesDestinationAndParents)
{
    CTraceRecorder recorder;
    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest));
    EXPECT_TRUE(IsDirectory(m_strDest));
    EXPECT_TRUE(ListingOrder(m_strDest).empty());
    std::vector<std::string> texts = recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(TraceCopyStart(m_strSource, m_strDest), texts[0]);
    EXPECT_EQ(TraceCopyEnd(m_strSource, m_strDest, 1), texts[1]);
}

TEST_F(CopyTreeTest, MissingSourceCreatesNothing)
{
    CTraceRecorder recorder;
    std::string missing = m_folder / "missing";
    EXPECT_EQ(0, CopyTree(missing, m_strDest));
    EXPECT_FALSE(PathExists(m_folder / "out")) << "destination made before the source was read";
    std::vector<std::string> texts = recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(TraceCopyStart(missing, m_strDest), texts[0]);
    EXPECT_EQ(TraceCopyEnd(missing, m_strDest, 0), texts[1]);
}

TEST_F(CopyTreeTest, SourceThatIsAFileIsNotListable)
{
    std::string file = m_folder / "file.txt";
    ASSERT_TRUE(WriteTextFile(file, "x"));
    EXPECT_EQ(0, CopyTree(file, m_strDest));
    EXPECT_FALSE(PathExists(m_folder / "out"));
}

TEST_F(CopyTreeTest, NestedEmptyDirectoriesAreRecreated)
{
    ASSERT_TRUE(MakeDirectory(m_strSource + "\\sub\\inner"));
    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest));
    EXPECT_EQ(std::vector<std::string>{"sub"}, ListingOrder(m_strDest));
    EXPECT_EQ(std::vector<std::string>{"inner"}, ListingOrder(m_strDest + "\\sub"));
    EXPECT_TRUE(IsDirectory(m_strDest + "\\sub\\inner"));
    EXPECT_TRUE(ListingOrder(m_strDest + "\\sub\\inner").empty());
}

TEST_F(CopyTreeTest, EveryFileIsCopiedWithItsContent)
{
    ASSERT_TRUE(MakeDirectory(m_strSource + "\\sub\\deeper"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\top.txt", "top"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\noext", "no extension"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\hidden.sys", "hidden"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\deeper\\leaf.dat", std::string(70000, 'z')));
    SetFileAttributesA((m_strSource + "\\sub\\hidden.sys").c_str(),
                       FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest));
    EXPECT_EQ("top", ReadTextFile(m_strDest + "\\top.txt"));
    EXPECT_EQ("no extension", ReadTextFile(m_strDest + "\\noext"));
    EXPECT_EQ("hidden", ReadTextFile(m_strDest + "\\sub\\hidden.sys"));
    EXPECT_EQ(std::string(70000, 'z'), ReadTextFile(m_strDest + "\\sub\\deeper\\leaf.dat"));
    // A second copy over the first replaces the hidden system file as well.
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\hidden.sys", "hidden again"));
    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest));
    EXPECT_EQ("hidden again", ReadTextFile(m_strDest + "\\sub\\hidden.sys"));
    SetFileAttributesA((m_strSource + "\\sub\\hidden.sys").c_str(), FILE_ATTRIBUTE_NORMAL);
}

class CopyTreeOverProtectedFile : public CopyTreeTest, public ::testing::WithParamInterface<DWORD>
{
};

TEST_P(CopyTreeOverProtectedFile, FileIsReplaced)
{
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "new"));
    ASSERT_TRUE(MakeDirectory(m_strDest));
    std::string target = m_strDest + "\\a.txt";
    ASSERT_TRUE(WriteTextFile(target, "old"));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), GetParam()));
    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest));
    EXPECT_EQ("new", ReadTextFile(target));
    EXPECT_EQ(0u, GetFileAttributesA(target.c_str()) & GetParam());
}

TEST_P(CopyTreeOverProtectedFile, AttributesAreClearedBeforeTheCopyIsTried)
{
    // The protection goes before the copy is tried, so a destination that stays locked
    // loses it although the copy then fails.
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "new"));
    ASSERT_TRUE(MakeDirectory(m_strDest));
    std::string target = m_strDest + "\\a.txt";
    ASSERT_TRUE(WriteTextFile(target, "old"));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), GetParam()));
    {
        CLockedFile lock(target);
        ASSERT_TRUE(lock.IsLocked());
        EXPECT_EQ(0, CopyTree(m_strSource, m_strDest));
        EXPECT_EQ(0u, GetFileAttributesA(target.c_str()) & GetParam());
    }
    EXPECT_EQ("old", ReadTextFile(target));
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, CopyTreeOverProtectedFile,
    ::testing::Values(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY),
                      static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
                      static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN)));

TEST_F(CopyTreeTest, WithoutOverwriteAnExistingFileFailsItsLevel)
{
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "new"));
    ASSERT_TRUE(MakeDirectory(m_strDest));
    ASSERT_TRUE(WriteTextFile(m_strDest + "\\a.txt", "old"));
    EXPECT_EQ(0, CopyTreeRecursive(m_strSource.c_str(), m_strDest.c_str(), 0));
    EXPECT_EQ("old", ReadTextFile(m_strDest + "\\a.txt"));
    EXPECT_EQ(1, CopyTreeRecursive(m_strSource.c_str(), m_strDest.c_str(), 1));
    EXPECT_EQ("new", ReadTextFile(m_strDest + "\\a.txt"));
}

TEST_F(CopyTreeTest, FailedFileStopsTheTopLevelAfterTheEntriesBeforeIt)
{
    const char* names[] = {"f1.txt", "f2.txt", "f3.txt", "f4.txt", "f5.txt", "d1", "d2"};
    for (const char* name : names)
    {
        std::string path = m_strSource + "\\" + name;
        ASSERT_TRUE(name[0] == 'd' ? MakeDirectory(path) : WriteTextFile(path, name));
    }
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\d1\\inside.txt", "inside"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\d2\\inside.txt", "inside"));
    std::vector<std::string> order = ListingOrder(m_strSource);
    ASSERT_EQ(7u, order.size());
    // The third file in listing order cannot be written.
    size_t blocked = 0;
    for (int files = 0; blocked < order.size(); ++blocked)
        if (order[blocked][0] == 'f' && ++files == 3)
            break;
    ASSERT_TRUE(MakeDirectory(m_strDest));
    CLockedFile lock(m_strDest + "\\" + order[blocked]);
    ASSERT_TRUE(lock.IsLocked());

    CTraceRecorder recorder;
    EXPECT_EQ(0, CopyTree(m_strSource, m_strDest));
    for (size_t i = 0; i < order.size(); ++i)
    {
        if (i == blocked)
            continue;
        std::string copied = m_strDest + "\\" + order[i];
        EXPECT_EQ(i < blocked, PathExists(copied)) << order[i] << " at " << i;
        if (i < blocked && order[i][0] == 'd')
        {
            EXPECT_EQ("inside", ReadTextFile(copied + "\\inside.txt"));
        }
    }
    std::vector<std::string> texts = recorder.Texts();
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ(TraceCopyEnd(m_strSource, m_strDest, 0), texts[1]);
}

TEST_F(CopyTreeTest, FailedFileInsideASubdirectoryStopsOnlyThatSubdirectory)
{
    std::string sub = m_strSource + "\\sub";
    ASSERT_TRUE(MakeDirectory(sub));
    const char* names[] = {"s1.txt", "s2.txt", "s3.txt", "s4.txt"};
    for (const char* name : names)
        ASSERT_TRUE(WriteTextFile(sub + "\\" + name, name));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "a"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\z.txt", "z"));
    ASSERT_TRUE(MakeDirectory(m_strSource + "\\other"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\other\\o.txt", "o"));
    std::vector<std::string> order = ListingOrder(sub);
    ASSERT_EQ(4u, order.size());
    ASSERT_TRUE(MakeDirectory(m_strDest + "\\sub"));
    CLockedFile lock(m_strDest + "\\sub\\" + order[1]);
    ASSERT_TRUE(lock.IsLocked());

    EXPECT_EQ(1, CopyTree(m_strSource, m_strDest)) << "a subdirectory does not fail its parent";
    EXPECT_TRUE(PathExists(m_strDest + "\\sub\\" + order[0]));
    EXPECT_FALSE(PathExists(m_strDest + "\\sub\\" + order[2]));
    EXPECT_FALSE(PathExists(m_strDest + "\\sub\\" + order[3]));
    EXPECT_EQ("a", ReadTextFile(m_strDest + "\\a.txt"));
    EXPECT_EQ("z", ReadTextFile(m_strDest + "\\z.txt"));
    EXPECT_EQ("o", ReadTextFile(m_strDest + "\\other\\o.txt"));
}

TEST_F(CopyTreeTest, DestinationThatIsAFileFailsTheFirstCopy)
{
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "a"));
    std::string file = m_folder / "dest.txt";
    ASSERT_TRUE(WriteTextFile(file, "keep"));
    EXPECT_EQ(1, CreateDirectories(file.c_str())) << "existence is the only test";
    EXPECT_EQ(0, CopyTree(m_strSource, file));
    EXPECT_EQ("keep", ReadTextFile(file));
}

TEST_F(CopyTreeTest, RepeatedCopiesLeaveNoHandleOpen)
{
    ASSERT_TRUE(MakeDirectory(m_strSource + "\\sub"));
    ASSERT_TRUE(MakeDirectory(m_strSource + "\\locked"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\a.txt", "a"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\b.txt", "b"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\locked\\c.txt", "c"));
    ASSERT_TRUE(WriteTextFile(m_strSource + "\\locked\\d.txt", "d"));
    CopyTree(m_strSource, m_strDest);
    // A destination file held open without sharing fails its folder's copy half-way, so
    // that the search of a lower level ends early too.
    CUniqueFile held(CreateFileA((m_strDest + "\\locked\\c.txt").c_str(), GENERIC_READ, 0, NULL,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    ASSERT_TRUE(held);
    DWORD before = OwnHandleCount();
    ASSERT_GT(before, 0u);
    for (int i = 0; i < 20; ++i)
    {
        ASSERT_EQ(1, CopyTree(m_strSource, m_strDest)) << "only a subfolder fails";
        // The failing ways out close their searches too.
        ASSERT_EQ(0, CopyTreeRecursive(m_strSource.c_str(), m_strDest.c_str(), 0));
        ASSERT_EQ(0, CopyTree(m_folder / "missing", m_strDest));
    }
    DWORD after = OwnHandleCount();
    EXPECT_EQ(before, after);
}

// Paths past 259 characters: an entry whose source or destination path does not fit
// fails as an entry (a file fails its level, a subdirectory only itself); it is never
// copied under a shortened name.
struct LongTreeCase
{
    const char* destName;            // folder name of the destination root
    std::vector<const char*> copied; // what the destination holds afterwards
};

class CopyTreeLongPaths : public CopyTreeTest, public ::testing::WithParamInterface<LongTreeCase>
{
protected:
    // The folder helpers of the tests cannot reach past MAX_PATH, so these trees go here,
    // whether the test ended well or not, and before, should a crashed run have left one.
    void SetUp() override
    {
        TearDown();
        CopyTreeTest::SetUp();
    }
    void TearDown() override
    {
        RemoveLongTree(m_strSource);
        RemoveLongTree(m_folder / GetParam().destName);
    }
};

TEST_P(CopyTreeLongPaths, EntriesThatDoNotFitFailWithoutShortening)
{
    // src\L1\L2 is 250 characters, so its files (256) fit and its subdirectory L3 (311)
    // does not; a longer destination root pushes L2's file past the limit as well.
    ASSERT_LT(m_strSource.size(), 140u) << "temporary directory too long for this tree";
    std::string l1(100, 'a');
    std::string l2(250 - m_strSource.size() - 1 - l1.size() - 1, 'b');
    std::string l3(60, 'c');
    std::string l4(60, 'd');
    std::string level = m_strSource;
    ASSERT_TRUE(WriteLongFile(level + "\\f.txt", level));
    for (const std::string& name : {l1, l2, l3, l4})
    {
        level += "\\" + name;
        ASSERT_TRUE(MakeLongDirectory(level));
        ASSERT_TRUE(WriteLongFile(level + "\\f.txt", level));
    }
    ASSERT_GT(level.size(), 360u);

    std::string dest = m_folder / GetParam().destName;
    EXPECT_EQ(1, CopyTree(m_strSource, dest));
    std::set<std::string> found = ListLongFiles(dest, true);
    std::set<std::string> expected;
    for (const char* entry : GetParam().copied)
    {
        std::string path = entry;
        for (size_t at; (at = path.find("L1")) != std::string::npos;)
            path.replace(at, 2, l1);
        for (size_t at; (at = path.find("L2")) != std::string::npos;)
            path.replace(at, 2, l2);
        expected.insert(path);
    }
    EXPECT_EQ(expected, found);
}

INSTANTIATE_TEST_SUITE_P(
    Trees, CopyTreeLongPaths,
    ::testing::Values(
        // Same length as "src": L2's subdirectory does not fit in the source.
        LongTreeCase{"dst", {"f.txt", "L1", "L1\\f.txt", "L1\\L2", "L1\\L2\\f.txt"}},
        // Eight characters longer: L2 itself still fits (258), its file (264) does not.
        LongTreeCase{"dst-long", {"f.txt", "L1", "L1\\f.txt", "L1\\L2"}}));

class CreateDirectoriesTest : public ::testing::Test
{
protected:
    CTempFolder m_folder{"cd"};
};

TEST_F(CreateDirectoriesTest, MakesEveryMissingLevel)
{
    std::string path = m_folder / "a\\b\\c";
    EXPECT_EQ(1, CreateDirectories(path.c_str()));
    EXPECT_TRUE(IsDirectory(path));
    EXPECT_EQ(1, CreateDirectories(path.c_str())) << "existing levels are fine";
    EXPECT_EQ(1, CreateDirectories((path + "\\").c_str())) << "trailing backslash";
}

TEST_F(CreateDirectoriesTest, FileInTheWayOfALevelFails)
{
    ASSERT_TRUE(WriteTextFile(m_folder / "a", "file"));
    EXPECT_EQ(0, CreateDirectories((m_folder / "a\\b").c_str()));
    EXPECT_EQ("file", ReadTextFile(m_folder / "a"));
}

TEST_F(CreateDirectoriesTest, PathFromTheDriveRootWithoutDrive)
{
    // "\Users\...\x\y" on the current drive: the empty first level is not a failure.
    std::string full = m_folder / "x\\y";
    char previous[MAX_PATH] = {0};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.Path().c_str()));
    int result = CreateDirectories(full.substr(2).c_str());
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(1, result);
    EXPECT_TRUE(IsDirectory(full));
}

TEST_F(CreateDirectoriesTest, DoubleByteCharacterEndingInBackslashByteIsOneName)
{
    // "乗" is 81 5C in GBK: a byte-wise scan would cut the name after 0x81.
    ASSERT_EQ(936u, GetACP()) << "runs under the Chinese (GBK) code page only";
    std::string path = m_folder / "a乗\\sub";
    ASSERT_EQ(std::string("\x81\x5C"), std::string("乗"));
    EXPECT_EQ(1, CreateDirectories(path.c_str()));
    EXPECT_TRUE(IsDirectory(path));
    EXPECT_EQ(std::vector<std::string>{"a乗"}, ListingOrder(m_folder.Path()))
        << "a directory with a cut name was made";

    std::string source = m_folder / "a乗\\sub";
    ASSERT_TRUE(WriteTextFile(source + "\\乗.txt", "x"));
    EXPECT_EQ(1, CopyTree(source, m_folder / "copy\\乗"));
    EXPECT_EQ("x", ReadTextFile(m_folder / "copy\\乗\\乗.txt"));
}

TEST_F(CreateDirectoriesTest, PathTooLongForThePathStorageFails)
{
    std::string path = m_folder.Path();
    while (path.size() < MAX_PATH + 20)
        path += "\\abcdefghij";
    EXPECT_EQ(0, CreateDirectories(path.c_str()));
    EXPECT_FALSE(PathExists(m_folder / "abcdefghij")) << "a shortened path was made";
    EXPECT_EQ(0, CreateDirectories(""));
}

TEST_F(CreateDirectoriesTest, ServerNameAloneFails)
{
    EXPECT_EQ(0, CreateDirectories("\\\\server"));
    EXPECT_EQ(0, CreateDirectories("\\\\"));
}

// Wine reaches \\server\share through the folder dosdevices\unc\server\share of its
// prefix, which gives a share to copy into without a network.
TEST_F(CreateDirectoriesTest, UncPathStartsWithServerAndShare)
{
    const char* prefix = getenv("WINEPREFIX");
    if (!prefix || !*prefix)
        GTEST_SKIP() << "needs a Wine prefix to make a share in";
    std::string unc = "Z:" + std::string(prefix) + "/dosdevices/unc";
    std::replace(unc.begin(), unc.end(), '/', '\\');
    std::string server = FormatText("srv%lu", GetCurrentProcessId());
    std::string shareDir = unc + "\\" + server + "\\share";
    ASSERT_TRUE(MakeDirectory(shareDir));

    std::string share = "\\\\" + server + "\\share";
    std::string dest = share + "\\new\\deeper";
    EXPECT_EQ(1, CreateDirectories(dest.c_str()));
    EXPECT_TRUE(IsDirectory(shareDir + "\\new\\deeper"));

    // And a whole copy into it.
    std::string source = m_folder / "src";
    ASSERT_TRUE(MakeDirectory(source));
    ASSERT_TRUE(WriteTextFile(source + "\\a.txt", "a"));
    EXPECT_EQ(1, CopyTree(source, share + "\\copy"));
    EXPECT_EQ("a", ReadTextFile(shareDir + "\\copy\\a.txt"));
    RemoveTree(unc + "\\" + server);
}
