// setup.ini's bytes as the systems a CD meets read them. Windows' profile reader turns a
// file without a byte-order mark into text by the system's code page (936 on a Chinese
// system, 1252 on an English one) before it looks for sections and keys, so the same bytes
// can hold a key on one system and lose it on the other.
#pragma once

#include <string>
#include <vector>

struct CFileTextFinding
{
    bool bProblem; // a problem, or else a warning
    std::string strText;
};

class CSetupFileText
{
public:
    // False when the file cannot be read.
    bool Load(const std::string& path);

    // The file's form for the report: "GBK or ASCII, CRLF line ends", "UTF-16", ...
    std::string Describe() const;

    // What is wrong with the bytes (NUL, not GBK, a UTF-8 mark, LF alone, a key twice)
    // and every key of setup.exe's ("Section/Key") that one of the two systems does not
    // find while the other, or this system's own reading (localKeys), does. tempDir: where
    // the decoded copies are written for the system's own reader.
    std::vector<CFileTextFinding> Check(const std::vector<std::string>& localKeys,
                                        const std::string& tempDir) const;

private:
    bool HasUtf16Mark() const;
    bool HasUtf8Mark() const;
    // The file as text on a system of codePage, as its profile reader makes it.
    std::wstring Decoded(unsigned codePage) const;

    std::string m_strBytes;
};
