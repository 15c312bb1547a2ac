#include "sys/CodePageText.h"

namespace
{
std::wstring Widened(const std::string& text, UINT codePage, DWORD flags)
{
    int size = static_cast<int>(text.size());
    int length = size ? MultiByteToWideChar(codePage, flags, text.data(), size, NULL, 0) : 0;
    if (length <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), size, &wide[0], length);
    return wide;
}
} // namespace

std::wstring ToWide(const std::string& text, UINT codePage)
{
    return Widened(text, codePage, 0);
}

std::string FromWide(const std::wstring& text, UINT codePage)
{
    int size = static_cast<int>(text.size());
    int length =
        size ? WideCharToMultiByte(codePage, 0, text.data(), size, NULL, 0, NULL, NULL) : 0;
    if (length <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), size, &narrow[0], length, NULL, NULL);
    return narrow;
}

std::string FromWideExactly(const std::wstring& text, UINT codePage)
{
    // The round trip catches what a character the code page lacks becomes, "?" or a
    // look-alike, with flags every code page takes, UTF-8 included.
    std::string narrow = FromWide(text, codePage);
    return ToWide(narrow, codePage) == text ? narrow : std::string();
}

std::string Recode(const std::string& text, UINT from, UINT to)
{
    std::string recoded = FromWide(ToWide(text, from), to);
    return recoded.empty() ? text : recoded;
}

bool IsValidIn(const std::string& text, UINT codePage)
{
    return text.empty() || !Widened(text, codePage, MB_ERR_INVALID_CHARS).empty();
}
