#include "tools/setupcheck/CommandProgram.h"

#include "tools/setupcheck/CdPaths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace
{
// Far enough into an installer to meet the marks its builder leaves in the stub, its
// manifest and the start of its data.
const size_t kExaminedBytes = 16 * 1024 * 1024;

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

bool EndsWith(const std::string& text, const char* end)
{
    size_t length = strlen(end);
    return text.size() >= length && Lower(text.substr(text.size() - length)) == end;
}

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text + " ")
    {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else if (c != '"')
            word += c;
    }
    return words;
}

bool HasWord(const std::vector<std::string>& words, const char* word, bool matchCase)
{
    for (const std::string& w : words)
    {
        if (matchCase ? w == word : Lower(w) == Lower(word))
            return true;
    }
    return false;
}

// msiexec's switches that ask for no dialog that waits: /qn, /qb (and their variants),
// /quiet, /passive.
bool HasQuietMsiSwitch(const std::vector<std::string>& words)
{
    for (const std::string& w : words)
    {
        std::string word = Lower(w);
        if (word == "/quiet" || word == "/passive" || word.compare(0, 2, "/q") == 0)
            return true;
    }
    return false;
}
} // namespace

bool ExamineProgram(const std::string& path, CProgramKind& kind)
{
    kind = CProgramKind{eProgramNone, std::string(), std::string()};
    std::string text;
    if (!ReadFileBytes(path, kExaminedBytes, text))
        return false;

    if (EndsWith(path, ".cmd") || EndsWith(path, ".bat"))
    {
        kind.eKind = eProgramBatch;
        kind.strText = text;
        if (Lower(text).find("msiexec") != std::string::npos)
            kind.strInstaller = "msiexec";
        return true;
    }
    const unsigned char compoundFile[] = {0xD0, 0xCF, 0x11, 0xE0};
    if (EndsWith(path, ".msi") || (text.size() >= 4 && memcmp(text.data(), compoundFile, 4) == 0))
    {
        kind.eKind = eProgramMsi;
        return true;
    }
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(text.data());
    if (text.size() < sizeof(*dos) || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 ||
        static_cast<size_t>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32) > text.size())
        return true;
    const IMAGE_NT_HEADERS32* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS32*>(text.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return true;
    kind.eKind = nt->FileHeader.Machine == IMAGE_FILE_MACHINE_I386 ? eProgramI386 : eProgram64Bit;
    // The marks the installer builders leave in what they make.
    const struct
    {
        const char* pszMark;
        const char* pszInstaller;
    } marks[] = {{"NullsoftInst", "NSIS"},
                 {"Nullsoft Install System", "NSIS"},
                 {"Inno Setup Setup Data", "Inno Setup"},
                 {"InstallShield", "InstallShield"}};
    for (const auto& mark : marks)
    {
        if (text.find(mark.pszMark) != std::string::npos)
        {
            kind.strInstaller = mark.pszInstaller;
            break;
        }
    }
    return true;
}

std::string DescribeProgram(const CProgramKind& kind)
{
    const char* what = "no program Windows can start";
    switch (kind.eKind)
    {
    case eProgramI386:
        what = "32-bit program";
        break;
    case eProgram64Bit:
        what = "64-bit program";
        break;
    case eProgramBatch:
        what = "batch file, started through cmd.exe";
        break;
    case eProgramMsi:
        what = "Windows Installer package";
        break;
    case eProgramNone:
        break;
    }
    if (kind.strInstaller.empty() || kind.eKind == eProgramBatch)
        return what;
    return std::string(what) + ", " + kind.strInstaller + " installer";
}

std::string MissingSilentSwitch(const CProgramKind& kind, const std::string& command)
{
    std::vector<std::string> words = Words(command);
    if (kind.strInstaller == "NSIS")
        return HasWord(words, "/S", true) ? std::string() : "/S";
    if (kind.strInstaller == "Inno Setup")
        return HasWord(words, "/VERYSILENT", false) || HasWord(words, "/SILENT", false)
                   ? std::string()
                   : "/VERYSILENT";
    if (kind.strInstaller == "InstallShield")
        return HasWord(words, "/s", false) ? std::string() : "/s";
    if (kind.strInstaller == "msiexec")
        return HasQuietMsiSwitch(Words(kind.strText)) ? std::string() : "/qn";
    return std::string();
}
