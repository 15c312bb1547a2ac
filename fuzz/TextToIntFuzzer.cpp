// TextToInt on any bytes: it must read exactly what atoi reads, saturated to the 32-bit
// range, and never look past the terminator.
#include "FuzzSupport.h"
#include "sys/TextToInt.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A heap block of exactly the text and its terminator, so that AddressSanitizer sees
    // any read beyond it.
    std::unique_ptr<char[]> text(new char[size + 1]);
    memcpy(text.get(), data, size);
    text[size] = '\0';

    int value = TextToInt(text.get());
    int expected = ReferenceAtoi(text.get());
    if (value != expected)
        FuzzFail("TextToInt", std::to_string(expected), std::to_string(value));
    return 0;
}
