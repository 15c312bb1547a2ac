// The folder packages are copied into and run from as administrator: new each run under a
// name nobody can guess, made so that only SYSTEM and Administrators can change it, held so
// that nobody can rename or remove it, nothing outside it made, emptied or removed, and
// every doubt a refusal.
#include "handles/UniqueHandle.h"
#include "sys/StagingFolder.h"
#include "sys/SystemFunction.h"
#include "sys/TreeCopy.h"
#include "tests/support/LongPathFiles.h"
#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include <set>
#include <string>
#include <vector>

namespace
{
// A staging folder that records the security of every folder it makes.
class CRecordingFolder : public CStagingFolder
{
public:
    explicit CRecordingFolder(const std::string& parent) : CStagingFolder(parent) {}
    std::vector<std::string> m_made;
    std::vector<CUniqueLocalMem> m_descriptors; // NULL where the folder inherits

protected:
    BOOL CreateFolder(const char* path, SECURITY_ATTRIBUTES* attributes) override
    {
        m_made.push_back(path);
        PSECURITY_DESCRIPTOR copy = NULL;
        if (attributes && attributes->lpSecurityDescriptor)
        {
            char* text = NULL;
            if (ConvertSecurityDescriptorToStringSecurityDescriptorA(
                    attributes->lpSecurityDescriptor, SDDL_REVISION_1,
                    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                        DACL_SECURITY_INFORMATION,
                    &text, NULL))
            {
                ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &copy,
                                                                     NULL);
                LocalFree(text);
            }
        }
        m_descriptors.emplace_back(copy);
        return CStagingFolder::CreateFolder(path, attributes);
    }
};

PSID WellKnown(WELL_KNOWN_SID_TYPE type, BYTE (&buffer)[SECURITY_MAX_SID_SIZE])
{
    DWORD size = sizeof(buffer);
    return CreateWellKnownSid(type, NULL, buffer, &size) ? buffer : NULL;
}

// Owned by Administrators; a DACL that nothing above it changes, allowing full control to
// SYSTEM and Administrators, passed on to files and folders, and nothing to anyone else.
void ExpectAdministratorsOnly(PSECURITY_DESCRIPTOR descriptor, const std::string& path)
{
    ASSERT_TRUE(descriptor) << path << " is made with the security of the folder above";
    BYTE systemBuffer[SECURITY_MAX_SID_SIZE];
    BYTE administratorsBuffer[SECURITY_MAX_SID_SIZE];
    PSID system = WellKnown(WinLocalSystemSid, systemBuffer);
    PSID administrators = WellKnown(WinBuiltinAdministratorsSid, administratorsBuffer);
    ASSERT_TRUE(system && administrators);

    PSID owner = NULL;
    BOOL defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    EXPECT_TRUE(owner && EqualSid(owner, administrators)) << path << ": owner";
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << path << ": inherits from the folder above";

    BOOL present = FALSE;
    PACL dacl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl) << path << ": no DACL, open to everyone";
    std::set<std::string> allowed;
    for (DWORD i = 0; i < dacl->AceCount; ++i)
    {
        ACCESS_ALLOWED_ACE* ace = NULL;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType) << path;
        PSID sid = &ace->SidStart;
        ASSERT_TRUE(EqualSid(sid, system) || EqualSid(sid, administrators))
            << path << ": allows someone else";
        EXPECT_EQ(static_cast<DWORD>(FILE_ALL_ACCESS), ace->Mask) << path;
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags & 0x0F) << path;
        allowed.insert(EqualSid(sid, system) ? "SYSTEM" : "Administrators");
    }
    EXPECT_EQ(std::set<std::string>({"Administrators", "SYSTEM"}), allowed) << path;
}
// Wine keeps no owner it is asked for: hidden from the program, it is checked as Windows
// keeps it.
FARPROC WithoutWine(const char* dll, const char* name)
{
    return strcmp(name, "wine_get_version") == 0 ? NULL
                                                 : GetProcAddress(GetModuleHandleA(dll), name);
}
} // namespace

class StagingFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeDirectory(m_strSource + "\\sub"));
        ASSERT_TRUE(WriteTextFile(m_strSource + "\\drvsetup.exe", "installer"));
        ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\a.txt", "a"));
        ASSERT_TRUE(WriteTextFile(m_base / "keep.txt", "keep"));
    }

    CTempFolder m_base{"sf"};
    CTempFolder m_cd{"sfcd"};
    std::string m_strSource = m_cd / "driver";
};

TEST_F(StagingFolderTest, EachRunMakesANewFolderForAdministratorsAndRemovesItAtTheEnd)
{
    std::string root;
    {
        CRecordingFolder staging(m_base.Path());
        CStagingFolder other(m_base.Path());
        ASSERT_TRUE(staging.MakeRoot());
        ASSERT_TRUE(other.MakeRoot());
        root = staging.Root();
        EXPECT_NE(root, other.Root());
        EXPECT_EQ(m_base.Path() + "\\NorvaneSetup.", root.substr(0, m_base.Path().size() + 14));
        EXPECT_EQ(m_base.Path().size() + 1 + kStagingNameLength, root.size()) << root;
        EXPECT_EQ(std::string::npos, root.find_first_not_of("0123456789ABCDEF", root.size() - 16));

        // The package folders inside are made the same way, levels between included; one
        // made already is the run's own, and is copied into again.
        EXPECT_EQ(1, CopyTree(m_strSource, root + "\\a\\b\\pkg", staging));
        EXPECT_EQ(1, CopyTree(m_strSource, root + "\\a\\b\\pkg", staging));
        EXPECT_EQ(1, CopyTree(m_strSource, root + "\\A\\.\\other", staging));
        EXPECT_TRUE(staging.Holds(root + "\\a\\B\\pkg"));
        EXPECT_FALSE(staging.Holds(root + "\\a\\b\\pkg\\sub"));
        ASSERT_EQ(5u, staging.m_made.size());
        for (size_t i = 0; i < staging.m_made.size(); ++i)
            ExpectAdministratorsOnly(staging.m_descriptors[i].Get(), staging.m_made[i]);
        EXPECT_EQ("installer", ReadTextFile(root + "\\a\\b\\pkg\\drvsetup.exe"));
        ASSERT_TRUE(SetFileAttributesA((root + "\\a\\b\\pkg\\sub\\a.txt").c_str(),
                                       FILE_ATTRIBUTE_READONLY));
    }
    EXPECT_FALSE(PathExists(root)) << "left behind";
    EXPECT_EQ(std::set<std::string>({"keep.txt"}), ListLongFiles(m_base.Path(), true));
}

// Reading takes part in share checks: with the folders held for it, nobody can open one
// to rename or remove it while an installer runs from it. What a program holds stays when
// the rest goes.
TEST_F(StagingFolderTest, HeldFoldersCannotBeRenamedAndWhatIsInUseStays)
{
    std::string root;
    CUniqueFile inUse;
    {
        CStagingFolder staging(m_base.Path());
        ASSERT_TRUE(staging.MakeRoot());
        root = staging.Root();
        ASSERT_EQ(1, CopyTree(m_strSource, root + "\\pkg", staging));
        for (const std::string& folder : {root + "\\pkg", root})
        {
            EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + "x").c_str())) << folder;
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError()) << folder;
        }
        EXPECT_FALSE(RemoveDirectoryA((root + "\\pkg").c_str()));
        inUse.Reset(CreateFileA((root + "\\pkg\\sub\\a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                NULL, OPEN_EXISTING, 0, NULL));
        ASSERT_TRUE(inUse);
    }
    EXPECT_TRUE(PathExists(root + "\\pkg\\sub\\a.txt"));
    EXPECT_FALSE(PathExists(root + "\\pkg\\drvsetup.exe"));
    inUse.Reset();
    RemoveTree(root);
}

// Where anything is in doubt nothing is made, copied or run, and nothing that was there
// goes: a destination that leaves the root, one too long, a name that exists, a root
// that cannot be made or whose owner is not the Administrators.
TEST_F(StagingFolderTest, EveryDoubtIsARefusalThatTouchesNothing)
{
    ASSERT_TRUE(PlantFiles(m_base / "planted"));
    std::set<std::string> before = ListLongFiles(m_base.Path(), true);
    {
        CRecordingFolder staging(m_base.Path());
        EXPECT_FALSE(staging.Make(m_base / "planted")) << "with no root made";
        ASSERT_TRUE(staging.MakeRoot());
        std::string root = staging.Root();
        const std::string outside[] = {root + "\\..",
                                       root + "\\..\\planted",
                                       root + "\\pkg\\..\\..\\planted",
                                       root + "x\\pkg",
                                       m_base / "planted",
                                       root + "\\" + std::string(MAX_PATH, 'L'),
                                       ""};
        for (const std::string& dest : outside)
        {
            EXPECT_FALSE(staging.Make(dest)) << dest;
            EXPECT_FALSE(staging.Holds(dest)) << dest;
            EXPECT_EQ(0, CopyTree(m_strSource, dest, staging)) << dest;
        }
        // Made by someone else, even inside the root: not the run's.
        ASSERT_TRUE(CreateDirectoryA((root + "\\theirs").c_str(), NULL));
        EXPECT_EQ(0, CopyTree(m_strSource, root + "\\theirs\\pkg", staging));
        EXPECT_FALSE(staging.Holds(root + "\\theirs"));
        EXPECT_EQ(std::set<std::string>({"theirs"}), ListLongFiles(root, true));
    }
    EXPECT_EQ(before, ListLongFiles(m_base.Path(), true));

    CStagingFolder noParent(m_base / "missing");
    EXPECT_FALSE(noParent.MakeRoot());
    EXPECT_TRUE(noParent.Root().empty());
    EXPECT_FALSE(noParent.Make(m_base / "missing\\x"));

    SetSystemFunctionLookup(WithoutWine);
    CStagingFolder ownedByUser(m_base.Path());
    bool made = ownedByUser.MakeRoot();
    SetSystemFunctionLookup(NULL);
    EXPECT_FALSE(made) << "took a folder owned by the user";
    EXPECT_TRUE(ownedByUser.Root().empty());
}
