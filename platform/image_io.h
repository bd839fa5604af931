// Image files: BMP read and write (the packed DIB behind a 14-byte file
// header) and PNG write, so that surfaces can be looked at.
#pragma once
#include <optional>
#include <string>

#include "platform/dc.h"
#include "platform/dib.h"

namespace plat {

// Writes the DIB as a BMP file; false on an empty image or a write error.
bool WriteBmpFile(const std::string& path, const Dib& dib);
// Writes a surface as a 24-bit BMP file.
bool WriteBmpFile(const std::string& path, const Surface& surface);
// Reads a BMP file (bounded, validated); nothing when missing or malformed.
std::optional<Dib> ReadBmpFile(const std::string& path);
// The same from bytes in memory.
std::optional<Dib> ReadBmpBytes(const void* data, std::size_t size);

// Writes a surface as an 8-bit RGB PNG file; false on an empty surface or error.
bool WritePngFile(const std::string& path, const Surface& surface);

}  // namespace plat
