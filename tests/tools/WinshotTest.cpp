// winshot's PNG files: the checksums the format needs.
#include "tools/winshot/PngFile.h"

#include <gtest/gtest.h>

TEST(PngFile, ChecksumsMatchTheirReferenceValues)
{
    const unsigned char digits[] = "123456789";
    EXPECT_EQ(0xCBF43926UL, PngCrc32(digits, 9));
    const unsigned char word[] = "Wikipedia";
    EXPECT_EQ(0x11E60398UL, ZlibAdler32(word, 9));
    const unsigned char iend[] = "IEND";
    EXPECT_EQ(0xAE426082UL, PngCrc32(iend, 4));
}
