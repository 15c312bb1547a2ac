// The folder a package is copied into and run from as administrator: what other programs
// left at its path goes, nothing outside it is touched, what cannot go stops the copy, and
// the folder is made so that only SYSTEM and Administrators can change it.
#include "handles/UniqueHandle.h"
#include "sys/StagingFolder.h"
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
    CRecordingFolder(const std::string& root, bool forAdministrators)
        : CStagingFolder(root, forAdministrators)
    {
    }
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
    ASSERT_TRUE(descriptor) << path << " is made with the temporary directory's security";
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
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << path << ": inherits from the temporary directory";

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
} // namespace

class StagingFolderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(MakeDirectory(m_strSource + "\\sub"));
        ASSERT_TRUE(WriteTextFile(m_strSource + "\\drvsetup.exe", "installer"));
        ASSERT_TRUE(WriteTextFile(m_strSource + "\\sub\\a.txt", "a"));
        ASSERT_TRUE(MakeDirectory(m_strRoot));
        ASSERT_TRUE(WriteTextFile(m_strRoot + "\\keep.txt", "keep"));
        ASSERT_TRUE(WriteTextFile(m_base / "keep.txt", "keep"));
    }

    CTempFolder m_base{"sf"};
    CTempFolder m_cd{"sfcd"};
    std::string m_strSource = m_cd / "driver";
    std::string m_strRoot = m_base / "temp";
};

TEST_F(StagingFolderTest, WhatOthersLeftGoesAndTheCopyIsExact)
{
    std::string dest = m_strRoot + "\\pkg";
    ASSERT_TRUE(PlantFiles(dest));
    CStagingFolder staging(m_strRoot, false);
    EXPECT_EQ(1, CopyTree(m_strSource, dest, staging));
    EXPECT_TRUE(staging.IsReady());
    EXPECT_EQ(std::set<std::string>({"drvsetup.exe", "sub", "sub\\a.txt"}),
              ListLongFiles(dest, true));
    EXPECT_EQ("installer", ReadTextFile(dest + "\\drvsetup.exe"));
    EXPECT_EQ(std::set<std::string>(
                  {"keep.txt", "pkg", "pkg\\drvsetup.exe", "pkg\\sub", "pkg\\sub\\a.txt"}),
              ListLongFiles(m_strRoot, true));
}

TEST_F(StagingFolderTest, NothingOutsideTheRootNorTheRootItselfIsTouched)
{
    ASSERT_TRUE(MakeDirectory(m_strRoot + "2\\pkg"));
    ASSERT_TRUE(MakeDirectory(m_base / "temq\\pkg"));
    const std::string outside[] = {m_strRoot,
                                   m_strRoot + "\\",
                                   m_strRoot + "\\.",
                                   m_strRoot + "\\..",
                                   m_strRoot + "\\pkg\\..\\..",
                                   m_strRoot + "\\..\\temp2\\pkg",
                                   m_strRoot + "2\\pkg",
                                   m_base / "temq\\pkg",
                                   ""};
    for (const std::string& dest : outside)
    {
        CRecordingFolder staging(m_strRoot, true);
        EXPECT_EQ(CStagingFolder::NotStaged, staging.Make(dest)) << dest;
        EXPECT_TRUE(staging.IsReady()) << dest;
        EXPECT_TRUE(staging.m_made.empty()) << dest;
    }
    EXPECT_TRUE(PathExists(m_strRoot + "\\keep.txt"));
    EXPECT_TRUE(PathExists(m_base / "keep.txt"));
    EXPECT_TRUE(IsDirectory(m_strRoot + "2\\pkg"));
    EXPECT_TRUE(IsDirectory(m_base / "temq\\pkg"));
    // Below the root, letter case and "." aside, is below it.
    CRecordingFolder staging(m_strRoot, false);
    std::string upper = m_strRoot;
    CharUpperA(&upper[0]);
    EXPECT_EQ(CStagingFolder::Made, staging.Make(upper + "\\.\\pkg"));
    EXPECT_TRUE(IsDirectory(m_strRoot + "\\pkg"));
}

TEST_F(StagingFolderTest, FoldersForAdministratorsKeepEveryoneElseOut)
{
    CRecordingFolder staging(m_strRoot, true);
    ASSERT_EQ(CStagingFolder::Made, staging.Make(m_strRoot + "\\a\\b\\pkg"));
    // The folders between the root and the package folder too, which this run made.
    ASSERT_EQ(3u, staging.m_made.size());
    for (size_t i = 0; i < staging.m_made.size(); ++i)
        ExpectAdministratorsOnly(staging.m_descriptors[i].Get(), staging.m_made[i]);

    CRecordingFolder plain(m_strRoot, false);
    ASSERT_EQ(CStagingFolder::Made, plain.Make(m_strRoot + "\\other"));
    ASSERT_EQ(1u, plain.m_made.size());
    EXPECT_FALSE(plain.m_descriptors[0]) << "made for administrators when it is not asked to";
}

TEST_F(StagingFolderTest, WhatCannotGoFailsTheCopyWithNothingCopied)
{
    std::string dest = m_strRoot + "\\pkg";
    ASSERT_TRUE(PlantFiles(dest));
    // Open without sharing its deletion, as a running program holds its own file.
    CUniqueFile held(CreateFileA((dest + "\\old\\x.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                 NULL, OPEN_EXISTING, 0, NULL));
    ASSERT_TRUE(held);
    CStagingFolder staging(m_strRoot, false);
    EXPECT_EQ(0, CopyTree(m_strSource, dest, staging));
    EXPECT_FALSE(staging.IsReady());
    EXPECT_TRUE(PathExists(dest + "\\old\\x.txt"));
    EXPECT_FALSE(PathExists(dest + "\\sub")) << "copied into a folder that is not the run's own";
    held.Reset();

    // A source that cannot be listed: nothing is removed or made, and nothing may run from
    // the destination.
    CStagingFolder unlisted(m_strRoot, false);
    EXPECT_EQ(0, CopyTree(m_cd / "missing", dest, unlisted));
    EXPECT_FALSE(unlisted.IsReady());
    EXPECT_TRUE(PathExists(dest + "\\old\\x.txt"));
}
