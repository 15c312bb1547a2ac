// The executable's resources as compiled: the artwork's forms, the manifest and the version
// block. What the template makes of the window, the window's tests check.
#include "ui/res/resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
const WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);

// The bytes of a resource of this program in Chinese (PRC); empty when there is none.
std::string ResourceBytes(LPCSTR type, UINT id)
{
    HMODULE module = GetModuleHandleA(NULL);
    HRSRC info = FindResourceExA(module, type, MAKEINTRESOURCEA(id), kChinesePrc);
    if (!info)
        return std::string();
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, info)));
    return data ? std::string(data, SizeofResource(module, info)) : std::string();
}

} // namespace

TEST(Resources, BackgroundIsAOnePixelStripOfNinetySixRows)
{
    std::string bytes = ResourceBytes(MAKEINTRESOURCEA(2), IDB_BACKGROUND);
    ASSERT_EQ(426u, bytes.size());
    BITMAPINFOHEADER header;
    memcpy(&header, bytes.data(), sizeof(header));
    EXPECT_EQ(40u, header.biSize);
    EXPECT_EQ(1, header.biWidth);
    EXPECT_EQ(96, header.biHeight) << "bottom-up";
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(static_cast<DWORD>(BI_RGB), header.biCompression);

    // The bands the layout expects, from the top: the dark line under the caption band at
    // rows 20 to 22, green below row 60, and a darker last row.
    auto row = [&](int fromTop)
    {
        const unsigned char* p =
            reinterpret_cast<const unsigned char*>(bytes.data()) + 40 + (95 - fromTop) * 4;
        return RGB(p[2], p[1], p[0]);
    };
    auto brightness = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    for (int line = 20; line <= 22; ++line)
    {
        EXPECT_LT(brightness(row(line)) + 100, brightness(row(19))) << line;
        EXPECT_LT(brightness(row(line)) + 100, brightness(row(23))) << line;
    }
    for (int green : {64, 80, 94})
    {
        EXPECT_GT(GetGValue(row(green)), GetRValue(row(green))) << green;
        EXPECT_GT(GetGValue(row(green)), GetBValue(row(green))) << green;
    }
    EXPECT_LT(brightness(row(95)), brightness(row(94)));
    EXPECT_NE(row(0), row(1)) << "an edge row of its own";
}

TEST(Resources, IconIsOneThirtyTwoPixelImageWithAlphaAndMask)
{
    std::string group = ResourceBytes(MAKEINTRESOURCEA(14), IDR_MAINFRAME);
    ASSERT_EQ(6u + 14u, group.size()) << "one entry";
    const unsigned char* entry = reinterpret_cast<const unsigned char*>(group.data()) + 6;
    EXPECT_EQ(32, entry[0]);
    EXPECT_EQ(32, entry[1]);
    WORD bits, id;
    memcpy(&bits, entry + 6, 2);
    memcpy(&id, entry + 12, 2);
    EXPECT_EQ(32, bits);

    std::string image = ResourceBytes(MAKEINTRESOURCEA(3), id);
    ASSERT_EQ(40u + 32u * 32u * 4u + 32u * 4u, image.size()) << "colour and mask";
    BITMAPINFOHEADER header;
    memcpy(&header, image.data(), sizeof(header));
    EXPECT_EQ(32, header.biWidth);
    EXPECT_EQ(64, header.biHeight) << "colour and mask heights";
    EXPECT_EQ(32, header.biBitCount);
    int transparent = 0, opaque = 0;
    for (size_t i = 0; i < 32 * 32; ++i)
    {
        unsigned char alpha = static_cast<unsigned char>(image[40 + i * 4 + 3]);
        transparent += alpha == 0;
        opaque += alpha == 255;
    }
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, 0);
}

TEST(Resources, ManifestAsksForCommonControlsSix)
{
    std::string manifest = ResourceBytes(MAKEINTRESOURCEA(24), 1);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("name=\"Microsoft.Windows.Common-Controls\""));
    EXPECT_NE(std::string::npos, manifest.find("version=\"6.0.0.0\""));
    EXPECT_NE(std::string::npos, manifest.find("publicKeyToken=\"6595b64144ccf1df\""));
#ifdef _WIN64
    const char* architecture = "processorArchitecture=\"amd64\"";
#else
    const char* architecture = "processorArchitecture=\"x86\"";
#endif
    EXPECT_NE(std::string::npos, manifest.find(architecture));
}

TEST(Resources, VersionBlockIsChinesePrcWithTheProgramsValues)
{
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(NULL, path, MAX_PATH);
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(MAKELONG(6, 1), fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS);
    EXPECT_EQ(0u, fixed->dwProductVersionLS);

    WORD* translation = NULL;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(4u, length) << "one translation";
    EXPECT_EQ(0x0804, translation[0]);
    EXPECT_EQ(0x04B0, translation[1]);

    struct
    {
        const char* name;
        const char* value;
    } const values[] = {
        {"CompanyName", ""},
        {"FileDescription", ""},
        {"FileVersion", "1, 6, 0, 0"},
        {"InternalName", "Setup"},
        {"OriginalFilename", "Setup.EXE"},
        {"ProductName", ""},
        {"ProductVersion", "1, 0, 0, 0"},
    };
    for (const auto& v : values)
    {
        char* text = NULL;
        std::string key = std::string("\\StringFileInfo\\080404b0\\") + v.name;
        ASSERT_TRUE(
            VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length))
            << v.name;
        EXPECT_STREQ(v.value, length ? text : "") << v.name;
    }
}
