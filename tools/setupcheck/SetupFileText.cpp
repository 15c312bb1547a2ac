#include "tools/setupcheck/SetupFileText.h"

#include "config/SetupConfig.h"
#include "sys/CodePageText.h"
#include "sys/FormatText.h"
#include "tools/setupcheck/CdPaths.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>

namespace
{
const unsigned kChinese = 936;
const unsigned kEnglish = 1252;

// The 1-based line the byte at offset lies on.
int LineOf(const std::string& bytes, size_t offset)
{
    int line = 1;
    for (size_t i = 0; i < offset && i < bytes.size(); ++i)
        line += bytes[i] == '\n';
    return line;
}

// Bytes that are not all GBK characters.
bool IsNotGbk(const std::string& line)
{
    return !IsValidIn(line, kChinese);
}

// Characters beyond ASCII written as UTF-8: a GBK text almost never has six such bytes
// that also form UTF-8, while a UTF-8 editor's Chinese title does.
bool IsUtf8Text(const std::string& line)
{
    size_t high = 0;
    for (char c : line)
        high += static_cast<unsigned char>(c) >= 0x80;
    return high >= 6 && IsValidIn(line, CP_UTF8);
}

// The first line (from 1) of which test holds; 0 when there is none.
int FirstLine(const std::string& bytes, bool (*test)(const std::string&))
{
    size_t start = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        if (test(bytes.substr(start, end - start)))
            return LineOf(bytes, start);
        start = end + 1;
    }
    return 0;
}

// Whether line (from 1) of bytes gives the value of one of setup.exe's keys.
bool IsKeyLine(const std::string& bytes, int line)
{
    size_t start = 0;
    for (int i = 1; i < line && start != std::string::npos; ++i)
    {
        start = bytes.find('\n', start);
        start = start == std::string::npos ? start : start + 1;
    }
    if (start == std::string::npos)
        return false;
    std::string text = bytes.substr(start, bytes.find('=', start) - start);
    text.erase(0, text.find_first_not_of(" \t"));
    text.erase(text.find_last_not_of(" \t") + 1);
    size_t count = 0;
    const CSetupKey* keys = CSetupConfig::Keys(count);
    for (const CSetupKey* key = keys; key != keys + count; ++key)
    {
        if (_stricmp(text.c_str(), key->pszKey) == 0)
            return true;
    }
    return false;
}

// "Section/Key" of every key of setup.exe's that the system's reader finds in text.
std::vector<std::string> KeysFound(const std::wstring& text, const std::string& path)
{
    std::vector<std::string> found;
    FILE* file = fopen(path.c_str(), "wb");
    if (!file)
        return found;
    const wchar_t mark = 0xFEFF;
    fwrite(&mark, sizeof(mark), 1, file);
    fwrite(text.data(), sizeof(wchar_t), text.size(), file);
    fclose(file);
    std::wstring widePath = ToWide(path);
    const wchar_t sentinel[] = L"\x1F@missing@\x1F";
    size_t count = 0;
    const CSetupKey* keys = CSetupConfig::Keys(count);
    for (const CSetupKey* key = keys; key != keys + count; ++key)
    {
        wchar_t value[1024] = {0};
        GetPrivateProfileStringW(ToWide(key->Section()).c_str(), ToWide(key->pszKey).c_str(),
                                 sentinel, value, 1024, widePath.c_str());
        if (std::wstring(value) != sentinel)
            found.push_back(std::string(key->Section()) + "/" + key->pszKey);
    }
    DeleteFileA(path.c_str());
    return found;
}

// Keys a line of the file names twice within one section, as "Section/Key".
std::vector<std::string> KeysTwice(const std::wstring& text)
{
    std::vector<std::string> twice;
    std::map<std::wstring, int> seen;
    std::wstring section;
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos)
            end = text.size();
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        size_t first = line.find_first_not_of(L" \t\r");
        if (first == std::wstring::npos || line[first] == L';')
            continue;
        if (line[first] == L'[')
        {
            section = line.substr(first + 1, line.find(L']') - first - 1);
            CharUpperBuffW(&section[0], static_cast<DWORD>(section.size()));
            continue;
        }
        size_t equals = line.find(L'=');
        if (equals == std::wstring::npos || equals <= first)
            continue;
        std::wstring key =
            line.substr(first, line.find_last_not_of(L" \t", equals - 1) + 1 - first);
        CharUpperBuffW(&key[0], static_cast<DWORD>(key.size()));
        if (++seen[section + L"/" + key] == 2)
            twice.push_back(FromWide(section + L"/" + line.substr(first, key.size())));
    }
    return twice;
}
} // namespace

bool CSetupFileText::Load(const std::string& path)
{
    // The profile reader takes the file whole, however long.
    return ReadFileBytes(path, static_cast<size_t>(-1), m_strBytes);
}

bool CSetupFileText::HasUtf16Mark() const
{
    return m_strBytes.compare(0, 2, "\xFF\xFE") == 0 || m_strBytes.compare(0, 2, "\xFE\xFF") == 0;
}

bool CSetupFileText::HasUtf8Mark() const
{
    return m_strBytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
}

std::wstring CSetupFileText::Decoded(unsigned codePage) const
{
    if (!HasUtf16Mark())
        return ToWide(m_strBytes, codePage);
    // The reader takes UTF-16 by its mark, alike on every system.
    std::wstring text;
    bool bigEndian = m_strBytes[0] == '\xFE';
    for (size_t i = 2; i + 1 < m_strBytes.size(); i += 2)
    {
        unsigned char first = static_cast<unsigned char>(m_strBytes[i]);
        unsigned char second = static_cast<unsigned char>(m_strBytes[i + 1]);
        text += static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

std::string CSetupFileText::Describe() const
{
    if (HasUtf16Mark())
        return "UTF-16 (read alike on every system)";
    std::string form = HasUtf8Mark()                            ? "UTF-8 with a byte-order mark"
                       : FirstLine(m_strBytes, IsUtf8Text) != 0 ? "UTF-8"
                       : FirstLine(m_strBytes, IsNotGbk) != 0   ? "not GBK"
                                                                : "GBK or ASCII";
    size_t lineEnds = 0;
    size_t lfAlone = 0;
    for (size_t i = 0; i < m_strBytes.size(); ++i)
    {
        if (m_strBytes[i] != '\n')
            continue;
        ++lineEnds;
        lfAlone += i == 0 || m_strBytes[i - 1] != '\r';
    }
    if (lineEnds == 0)
        return form;
    return form + (lfAlone == 0          ? ", CRLF line ends"
                   : lfAlone == lineEnds ? ", LF line ends"
                                         : ", mixed line ends");
}

std::vector<CFileTextFinding> CSetupFileText::Check(const std::vector<std::string>& localKeys,
                                                    const std::string& tempDir) const
{
    std::vector<CFileTextFinding> findings;
    if (!HasUtf16Mark())
    {
        size_t nul = m_strBytes.find('\0');
        if (nul != std::string::npos)
            findings.push_back({true, FormatText("setup.ini holds NUL bytes (line %d): saved as "
                                                 "UTF-16 without its mark? Save it as GBK",
                                                 LineOf(m_strBytes, nul))});
        if (HasUtf8Mark())
            findings.push_back({false, "setup.ini starts with a UTF-8 byte-order mark: Windows "
                                       "reads its three bytes as part of the first line (Wine "
                                       "takes them as the mark)"});
        int utf8 = FirstLine(m_strBytes, IsUtf8Text);
        int notGbk = FirstLine(m_strBytes, IsNotGbk);
        int line = utf8 != 0 ? utf8 : notGbk;
        if (line != 0)
            // A value setup.exe shows or uses is garbled on Chinese systems; other lines only
            // look so.
            findings.push_back(
                {IsKeyLine(m_strBytes, line),
                 FormatText("setup.ini line %d %s: Chinese systems show it garbled and may run "
                            "the next line into it. Save the file as GBK",
                            line,
                            utf8 != 0 ? "is written in UTF-8"
                                      : "holds bytes that are no GBK characters")});
        if (Describe().find("CRLF") == std::string::npos &&
            m_strBytes.find('\n') != std::string::npos)
            findings.push_back({false, "setup.ini has line ends without CR: keep CRLF, as "
                                       "Windows' editors write it"});
    }
    for (const std::string& key : KeysTwice(Decoded(kChinese)))
        findings.push_back({false, "setup.ini names " + key + " twice: setup.exe reads the first"});

    // Each system's reader on the text it would make of the bytes; a key that any reading
    // finds (this system's own included) and one of them does not is lost there.
    const struct
    {
        unsigned codePage;
        const char* pszSystem;
    } systems[] = {{kChinese, "Chinese"}, {kEnglish, "English"}};
    std::vector<std::string> found[2];
    for (int i = 0; i < 2; ++i)
        found[i] = KeysFound(Decoded(systems[i].codePage),
                             tempDir + FormatText("\\setupcheck%lu-%u.ini", GetCurrentProcessId(),
                                                  systems[i].codePage));
    std::set<std::string> anywhere(localKeys.begin(), localKeys.end());
    anywhere.insert(found[0].begin(), found[0].end());
    anywhere.insert(found[1].begin(), found[1].end());
    for (int i = 0; i < 2; ++i)
    {
        std::set<std::string> own(found[i].begin(), found[i].end());
        for (const std::string& key : anywhere)
        {
            // English systems never look for the Chinese title.
            if (own.count(key) || (i == 1 && key == "SETUP/ChineseTitle"))
                continue;
            findings.push_back(
                {true, FormatText("on %s systems (code page %u) setup.exe does "
                                  "not find %s: the bytes before it read as "
                                  "other characters there",
                                  systems[i].pszSystem, systems[i].codePage, key.c_str())});
        }
    }
    return findings;
}
