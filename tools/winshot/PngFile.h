// Writes 24-bit pictures as PNG files, with stored (uncompressed) deflate blocks: no
// compression library needed, and any viewer reads them.
#pragma once

#include <string>
#include <vector>

// rgb holds height rows of width pixels, top row first, three bytes (R, G, B) a pixel.
bool WritePngFile(const std::string& path, int width, int height,
                  const std::vector<unsigned char>& rgb);
