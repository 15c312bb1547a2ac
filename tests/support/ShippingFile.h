// Whether an end-to-end program runs setup.exe as it ships. Only programs registered with
// add_wine_test(... SHIPPING) may include this: the build names the file for them.
#pragma once

#ifndef TESTS_SHIPPING_SETUP
#error "an end-to-end program must be registered SHIPPING (cmake/WineTest.cmake)"
#endif

#include "tests/support/TestFiles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

// Success when path holds the very bytes the release preset built, a program for 32-bit
// Intel processors: what ships, whatever the test run was told.
inline ::testing::AssertionResult IsTheShippingSetup(const std::string& path)
{
    std::string shipped = ReadTextFile(TESTS_SHIPPING_SETUP);
    if (shipped.size() < sizeof(IMAGE_DOS_HEADER))
        return ::testing::AssertionFailure() << "no setup.exe at " << TESTS_SHIPPING_SETUP;
    if (ReadTextFile(path) != shipped)
        return ::testing::AssertionFailure()
               << path << " is not the setup.exe that ships (" << TESTS_SHIPPING_SETUP << ")";
    IMAGE_DOS_HEADER dos;
    memcpy(&dos, shipped.data(), sizeof(dos));
    IMAGE_FILE_HEADER header;
    size_t at = static_cast<size_t>(dos.e_lfanew) + sizeof(DWORD);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || at + sizeof(header) > shipped.size())
        return ::testing::AssertionFailure() << TESTS_SHIPPING_SETUP << " is no program";
    memcpy(&header, shipped.data() + at, sizeof(header));
    if (header.Machine != IMAGE_FILE_MACHINE_I386)
        return ::testing::AssertionFailure() << TESTS_SHIPPING_SETUP << " is no 32-bit program";
    return ::testing::AssertionSuccess();
}
