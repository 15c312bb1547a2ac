#include "tools/pecheck/ShippingChecks.h"

#include <imagehlp.h>

#include <set>

namespace
{
size_t Occurrences(const std::string& text, const std::string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

void Expect(ProblemList& problems, bool holds, const char* problem)
{
    if (!holds)
        problems.push_back(problem);
}
} // namespace

ProblemList CheckMachine(const CPeFile& file)
{
    ProblemList problems;
    Expect(problems, file.Nt()->OptionalHeader.Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC,
           "not a PE32 file");
    Expect(problems, file.Nt()->FileHeader.Machine == IMAGE_FILE_MACHINE_I386,
           "not built for i386");
    Expect(problems, file.Nt()->OptionalHeader.Subsystem == IMAGE_SUBSYSTEM_WINDOWS_GUI,
           "not a GUI program: a console window would open");
    return problems;
}

ProblemList CheckRunFromSwap(const CPeFile& file)
{
    ProblemList problems;
    Expect(problems, file.Nt()->FileHeader.Characteristics & IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP,
           "IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP (0x0400) is not set: pages of the image would "
           "be read from the ejected CD");
    return problems;
}

ProblemList CheckRandomAddress(const CPeFile& file)
{
    ProblemList problems;
    const IMAGE_OPTIONAL_HEADER32& header = file.Nt()->OptionalHeader;
    Expect(problems, header.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE,
           "IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE is not set");
    Expect(problems, header.DllCharacteristics & IMAGE_DLLCHARACTERISTICS_NX_COMPAT,
           "IMAGE_DLLCHARACTERISTICS_NX_COMPAT is not set");
    Expect(problems, header.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size != 0,
           "no relocations: Windows could only load the image at its preferred address");
    return problems;
}

ProblemList CheckChecksum(const CPeFile& file)
{
    ProblemList problems;
    std::vector<char> bytes = file.Bytes();
    DWORD inHeader = 0, computed = 0;
    if (!CheckSumMappedFile(bytes.data(), static_cast<DWORD>(bytes.size()), &inHeader, &computed))
        problems.push_back("the checksum could not be computed");
    else if (inHeader == 0)
        problems.push_back("no checksum in the header");
    else if (inHeader != computed)
        problems.push_back("the checksum in the header is not the file's");
    return problems;
}

ProblemList CheckManifest(const CPeFile& file)
{
    ProblemList problems;
    std::string manifest = file.Resource(24, 1); // RT_MANIFEST, CREATEPROCESS_MANIFEST
    if (manifest.empty())
        return ProblemList(1, "no application manifest");
    std::string dependency = manifest.substr(0, manifest.find("</dependency>"));
    for (const char* part :
         {"name=\"Microsoft.Windows.Common-Controls\"", "version=\"6.0.0.0\"",
          "processorArchitecture=\"x86\"", "publicKeyToken=\"6595b64144ccf1df\""})
        if (dependency.find(part) == std::string::npos)
            problems.push_back(std::string("the common-controls dependency lacks ") + part);
    Expect(problems, manifest.find("level=\"requireAdministrator\"") != std::string::npos,
           "no requireAdministrator: Windows would have to guess that setup.exe installs");
    Expect(problems, manifest.find("uiAccess=\"false\"") != std::string::npos,
           "uiAccess is not false");
    // Declared twice it crashes csrss on Windows XP SP2; missing, XP refuses the program.
    Expect(problems, Occurrences(manifest, "urn:schemas-microsoft-com:asm.v3") == 1,
           "the asm.v3 namespace must be declared exactly once");
    Expect(problems,
           manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v3\"") !=
               std::string::npos,
           "the asm.v3 namespace is not declared on trustInfo");
    Expect(problems,
           manifest.find("<compatibility xmlns=\"urn:schemas-microsoft-com:compatibility.v1\">") !=
               std::string::npos,
           "no compatibility section");
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
    for (const auto& s : systems)
        if (manifest.find(std::string("<supportedOS Id=\"") + s.id + "\"") == std::string::npos)
            problems.push_back(std::string("no supportedOS for Windows ") + s.windows);
    return problems;
}

ProblemList ImportsXpLacks(const CPeFile& file)
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
    ProblemList lacking;
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

ProblemList CheckImports(const CPeFile& file)
{
    // An import table that was not found would have nothing to lack.
    std::map<std::string, std::vector<std::string>> imports = file.Imports();
    if (!imports.count("kernel32.dll") || imports["kernel32.dll"].empty())
        return ProblemList(1, "no import table read: no function from kernel32.dll");
    ProblemList problems;
    for (const std::string& lacking : ImportsXpLacks(file))
        problems.push_back("imports what Windows XP lacks: " + lacking);
    return problems;
}

ProblemList CheckShippingFile(const CPeFile& file)
{
    ProblemList problems = CheckMachine(file);
    if (!problems.empty())
        return problems;
    for (ProblemList (*check)(const CPeFile&) :
         {CheckRunFromSwap, CheckRandomAddress, CheckChecksum, CheckManifest, CheckImports})
        for (const std::string& problem : check(file))
            problems.push_back(problem);
    return problems;
}
