#pragma once

#include <cstdint>
#include <string>

// F12 pictures: solmire-0000.png, solmire-0001.png... in a folder, never overwriting one.

// The first solmire-NNNN.png name in directory that no file takes; empty when all 10000 are.
std::string NextScreenshotPath(const std::string& directory);

// Writes the frame under the next free name and says so (or why not) on stderr; returns the
// path written, empty on failure.
std::string SaveScreenshot(const std::string& directory, const std::uint16_t* pixels, int width, int height);
