// Writes 24-bit pictures as PNG files, with stored (uncompressed) deflate blocks: no
// compression library needed, and any viewer reads them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// rgb holds height rows of width pixels, top row first, three bytes (R, G, B) a pixel.
bool WritePngFile(const std::string& path, int width, int height,
                  const std::vector<unsigned char>& rgb);

// The checksums of the format: CRC-32 of a chunk, Adler-32 of the zlib stream.
unsigned long PngCrc32(const unsigned char* data, size_t size);
unsigned long ZlibAdler32(const unsigned char* data, size_t size);
