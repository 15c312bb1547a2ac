// The setup.exe that ships - the 32-bit file of the release build - read as a file, since
// it does not run where the tests run: what Windows reads from its headers, its manifest
// and its import table before the first instruction.
//   shipfile_tests PATH_OF_SETUP_EXE PATH_OF_XP_IMPORT_PROBE
#include <gtest/gtest.h>

#include <windows.h>

#include <imagehlp.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
std::string g_strPath;
std::string g_strProbePath;

// A PE file in memory, its parts found through its own headers; every read is checked
// against the file's size, and what lies outside reads as missing.
class CPeFile
{
public:
    bool Load(const std::string& path)
    {
        std::ifstream in(path.c_str(), std::ios::binary);
        m_bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (m_bytes.size() < sizeof(IMAGE_DOS_HEADER))
            return false;
        const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(m_bytes.data());
        if (dos->e_magic != IMAGE_DOS_SIGNATURE)
            return false;
        m_ntOffset = static_cast<DWORD>(dos->e_lfanew);
        const IMAGE_NT_HEADERS32* nt = Nt();
        return nt && nt->Signature == IMAGE_NT_SIGNATURE;
    }

    const std::vector<char>& Bytes() const { return m_bytes; }
    // The headers as a 32-bit file has them; the tests check first that it is one.
    const IMAGE_NT_HEADERS32* Nt() const { return At<IMAGE_NT_HEADERS32>(m_ntOffset); }

    // Every imported DLL, in lower case, with the names of the functions taken from it.
    std::map<std::string, std::vector<std::string>> Imports() const
    {
        std::map<std::string, std::vector<std::string>> imports;
        DWORD offset = OffsetOf(
            Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
        for (const IMAGE_IMPORT_DESCRIPTOR* d = At<IMAGE_IMPORT_DESCRIPTOR>(offset); d && d->Name;
             d = At<IMAGE_IMPORT_DESCRIPTOR>(offset += sizeof(*d)))
        {
            std::string dll = Text(OffsetOf(d->Name));
            std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
            std::vector<std::string>& names = imports[dll];
            DWORD thunks = OffsetOf(d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk);
            for (const DWORD* thunk = At<DWORD>(thunks); thunk && *thunk;
                 thunk = At<DWORD>(thunks += sizeof(DWORD)))
            {
                if (*thunk & IMAGE_ORDINAL_FLAG32)
                    names.push_back("#" + std::to_string(*thunk & 0xFFFF));
                else
                    names.push_back(Text(OffsetOf(*thunk) + sizeof(WORD)));
            }
        }
        return imports;
    }

    // The resource of this type and id, in its first language; empty when there is none.
    std::string Resource(WORD type, WORD id) const
    {
        DWORD root = OffsetOf(
            Nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress);
        const IMAGE_RESOURCE_DIRECTORY_ENTRY* entry = Entry(root, root, type);
        entry = entry ? Entry(root, root + entry->OffsetToDirectory, id) : NULL;
        entry = entry ? Entry(root, root + entry->OffsetToDirectory, 0xFFFF) : NULL;
        const IMAGE_RESOURCE_DATA_ENTRY* data =
            entry ? At<IMAGE_RESOURCE_DATA_ENTRY>(root + entry->OffsetToData) : NULL;
        DWORD offset = data ? OffsetOf(data->OffsetToData) : 0;
        if (!data || !offset || offset + data->Size > m_bytes.size())
            return std::string();
        return std::string(&m_bytes[offset], data->Size);
    }

private:
    // Offset 0 stands for "not found" throughout.
    template <typename T> const T* At(DWORD offset) const
    {
        if (offset == 0 || offset + sizeof(T) > m_bytes.size())
            return NULL;
        return reinterpret_cast<const T*>(&m_bytes[offset]);
    }

    // The file offset of a relative virtual address, through the section table; 0 when no
    // section holds it.
    DWORD OffsetOf(DWORD rva) const
    {
        const IMAGE_NT_HEADERS32* nt = Nt();
        DWORD first = m_ntOffset + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                      nt->FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
        {
            const IMAGE_SECTION_HEADER* s =
                At<IMAGE_SECTION_HEADER>(first + i * sizeof(IMAGE_SECTION_HEADER));
            if (s && rva >= s->VirtualAddress &&
                rva < s->VirtualAddress + std::max(s->Misc.VirtualSize, s->SizeOfRawData))
                return rva - s->VirtualAddress + s->PointerToRawData;
        }
        return 0;
    }

    std::string Text(DWORD offset) const
    {
        std::string text;
        for (; offset && offset < m_bytes.size() && m_bytes[offset]; ++offset)
            text += m_bytes[offset];
        return text;
    }

    // The entry for id below the resource directory at offset (0xFFFF: the first entry).
    const IMAGE_RESOURCE_DIRECTORY_ENTRY* Entry(DWORD root, DWORD offset, WORD id) const
    {
        const IMAGE_RESOURCE_DIRECTORY* dir = At<IMAGE_RESOURCE_DIRECTORY>(offset);
        if (!root || !dir)
            return NULL;
        DWORD count = dir->NumberOfNamedEntries + dir->NumberOfIdEntries;
        for (DWORD i = 0; i < count; ++i)
        {
            const IMAGE_RESOURCE_DIRECTORY_ENTRY* e = At<IMAGE_RESOURCE_DIRECTORY_ENTRY>(
                offset + sizeof(*dir) + i * sizeof(IMAGE_RESOURCE_DIRECTORY_ENTRY));
            if (e && (id == 0xFFFF || (!e->NameIsString && e->Id == id)))
                return e;
        }
        return NULL;
    }

    std::vector<char> m_bytes;
    DWORD m_ntOffset = 0;
};

size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}
} // namespace

class ShippingFile : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_file = new CPeFile;
        s_bLoaded = s_file->Load(g_strPath);
    }
    static void TearDownTestSuite() { delete s_file; }

    void SetUp() override
    {
        ASSERT_TRUE(s_bLoaded) << g_strPath
                               << " is missing or no PE file: build the release preset";
        ASSERT_EQ(IMAGE_NT_OPTIONAL_HDR32_MAGIC, s_file->Nt()->OptionalHeader.Magic)
            << "not a PE32 file";
    }

    static CPeFile* s_file;
    static bool s_bLoaded;
};
CPeFile* ShippingFile::s_file = NULL;
bool ShippingFile::s_bLoaded = false;

TEST_F(ShippingFile, IsAWindowsProgramFor32BitIntelProcessors)
{
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, s_file->Nt()->FileHeader.Machine) << "not built for i386";
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, s_file->Nt()->OptionalHeader.Subsystem)
        << "not a GUI program: a console window would open";
}

// setup.exe ejects the CD-ROM it was started from and goes on running.
TEST_F(ShippingFile, IsCopiedToThePageFileWhenStartedFromRemovableMedia)
{
    EXPECT_TRUE(s_file->Nt()->FileHeader.Characteristics & IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP)
        << "IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) is not set: pages of the image would "
           "be read from the ejected CD";
}

TEST_F(ShippingFile, CarriesItsTrueChecksum)
{
    std::vector<char> bytes = s_file->Bytes();
    DWORD inHeader = 0, computed = 0;
    ASSERT_TRUE(
        CheckSumMappedFile(bytes.data(), static_cast<DWORD>(bytes.size()), &inHeader, &computed));
    EXPECT_NE(0u, inHeader) << "no checksum in the header";
    EXPECT_EQ(computed, inHeader) << "the checksum in the header is not the file's";
}

TEST_F(ShippingFile, ManifestAsksForCommonControlsSix)
{
    std::string manifest = s_file->Resource(24, 1); // RT_MANIFEST, CREATEPROCESS_MANIFEST
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    std::string dependency = manifest.substr(0, manifest.find("</dependency>"));
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "processorArchitecture=\"x86\"", "publicKeyToken=\"6595b64144ccf1df\""})
        EXPECT_NE(std::string::npos, dependency.find(part))
            << "the common-controls dependency lacks " << part;
}

TEST_F(ShippingFile, ManifestAsksForAdministratorRights)
{
    std::string manifest = s_file->Resource(24, 1);
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    EXPECT_NE(std::string::npos, manifest.find("level=\"requireAdministrator\""))
        << "no requireAdministrator: Windows would have to guess that setup.exe installs";
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\"")) << "uiAccess is not false";
    // Declared twice it crashes csrss on Windows XP SP2; missing, XP refuses the program.
    EXPECT_EQ(1u, Occurrences(manifest, "urn:schemas-microsoft-com:asm.v3"))
        << "the asm.v3 namespace must be declared exactly once";
    size_t trust = manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"");
    EXPECT_NE(std::string::npos, trust) << "the asm.v3 namespace is not declared on trustInfo";
}

TEST_F(ShippingFile, ManifestNamesEveryWindowsItWasMadeFor)
{
    std::string manifest = s_file->Resource(24, 1);
    ASSERT_FALSE(manifest.empty()) << "no application manifest";
    const struct
    {
        const char* windows;
        const char* id;
    } systems[] = {
        {"Vista", "{e2011457-1546-43c5-a5fe-008deee3d3f0}"},
        {"7", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"},
        {"8", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}"},
        {"8.1", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}"},
        {"10", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"},
    };
    EXPECT_NE(std::string::npos,
              manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">"))
        << "no compatibility section";
    for (const auto& s : systems)
        EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"") + s.id + "\""))
            << "no supportedOS for Windows " << s.windows;
}

// The loader of Windows XP SP3 must find every DLL and every function the file imports,
// or the program does not start at all. What a file imports that XP lacks: "dll" for a
// DLL, "dll function" for a function.
std::vector<std::string> ImportsXpLacks(const CPeFile& file)
{
    const std::set<std::string> xpDlls = {"kernel32.dll", "user32.dll",   "gdi32.dll",
                                          "comctl32.dll", "advapi32.dll", "msvcrt.dll",
                                          "shell32.dll",  "ole32.dll",    "version.dll"};
    // Functions that came with Windows Vista or later (or with an XP service pack) which
    // a program of ours or its runtime could be led to import; those setup.exe looks up
    // at run time above all: the message filter, the DLL search and the start with the
    // user's token.
    // clang-format off
    const std::set<std::string> afterXp = {
        "ChangeWindowMessageFilter", "ChangeWindowMessageFilterEx", "SetProcessDPIAware",
        "GetDpiForWindow", "TaskDialog", "TaskDialogIndirect", "LoadIconMetric", "GetTickCount64",
        "InitializeCriticalSectionEx", "InitOnceExecuteOnce", "InitializeSRWLock",
        "AcquireSRWLockExclusive", "ReleaseSRWLockExclusive", "InitializeConditionVariable",
        "SleepConditionVariableCS", "WakeAllConditionVariable", "FlsAlloc", "FlsGetValue",
        "FlsSetValue", "FlsFree", "GetThreadId", "SetThreadStackGuarantee", "CreateEventExW",
        "CreateMutexExW", "CreateSemaphoreExW", "GetFileInformationByHandleEx",
        "GetFinalPathNameByHandleW", "QueryFullProcessImageNameA", "QueryFullProcessImageNameW",
        "CancelIoEx", "GetErrorMode", "SetThreadErrorMode", "GetLocaleInfoEx", "LCMapStringEx",
        "CompareStringEx", "GetSystemTimePreciseAsFileTime", "SetDefaultDllDirectories",
        "AddDllDirectory", "SetDllDirectoryA", "SetDllDirectoryW", "CreateProcessWithTokenW",
        "CreateProcessWithLogonW", "RegGetValueA", "RegGetValueW", "RegDeleteKeyExA",
        "RegDeleteKeyExW", "RegDeleteTreeA", "RegSetKeyValueA", "_set_invalid_parameter_handler",
        "_get_invalid_parameter_handler"};
    // clang-format on
    std::vector<std::string> lacking;
    for (const auto& dll : file.Imports())
    {
        if (!xpDlls.count(dll.first))
            lacking.push_back(dll.first);
        for (const std::string& name : dll.second)
        {
            // Windows XP's msvcrt.dll has none of the checked "_s" functions.
            bool checkedCrt = name.size() > 2 && name.compare(name.size() - 2, 2, "_s") == 0;
            if (afterXp.count(name) || (dll.first == "msvcrt.dll" && checkedCrt))
                lacking.push_back(dll.first + " " + name);
        }
    }
    return lacking;
}

TEST_F(ShippingFile, ImportsOnlyWhatWindowsXpHas)
{
    // An import table that was not found would have nothing to lack.
    std::map<std::string, std::vector<std::string>> imports = s_file->Imports();
    ASSERT_TRUE(imports.count("kernel32.dll")) << "no import table read";
    EXPECT_FALSE(imports["kernel32.dll"].empty());
    EXPECT_EQ(std::vector<std::string>(), ImportsXpLacks(*s_file));
}

// The check above on a program built to import a function XP lacks, and nothing else that
// it lacks: the function must be named.
TEST(XpImportCheck, NamesAFunctionXpLacks)
{
    CPeFile probe;
    ASSERT_TRUE(probe.Load(g_strProbePath))
        << g_strProbePath << " is missing: build xp_import_probe";
    EXPECT_EQ(std::vector<std::string>({"kernel32.dll GetTickCount64"}), ImportsXpLacks(probe));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3)
    {
        fprintf(stderr, "usage: shipfile_tests PATH_OF_SETUP_EXE PATH_OF_XP_IMPORT_PROBE\n");
        return 2;
    }
    g_strPath = argv[1];
    g_strProbePath = argv[2];
    return RUN_ALL_TESTS();
}
