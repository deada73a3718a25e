#pragma once
// Images of the OpenGL panel: Windows bitmap and Targa files loaded into
// bytes ready for a texture, and where a printed panel image goes on the page.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "rounds/Topenglappanel.h"

constexpr uint32_t GL_RGB_FORMAT = 0x1907, GL_RGBA_FORMAT = 0x1908, GL_UNSIGNED_BYTE_TYPE = 0x1401;

// One texture image; Pixels holds Width x Height x Components bytes, the
// bottom row first.
struct OpenGLAPTexture {
    uint32_t TextureName = 0;  // for the caller's use
    int Components = 3;
    int Width = 0;
    int Height = 0;
    uint32_t Format = GL_RGB_FORMAT;
    uint32_t Type = GL_UNSIGNED_BYTE_TYPE;
    std::vector<uint8_t> Pixels;
};

// Whether the bytes of an uncompressed Windows bitmap hold every row its
// header promises (run-length files are left to the decoder's own checks).
bool WholeBitmap(const std::string& data);

// Loads a Windows bitmap file as RGB (or RGBA with alpha 255). Throws
// std::runtime_error when the file is not a readable bitmap.
std::unique_ptr<OpenGLAPTexture> LoadBMPTextureFile(const std::string& fileName, bool alpha);

// Targa results.
constexpr int TGA_OK = 0, TGA_UNSUPPORTED_TYPE = -1, TGA_UNSUPPORTED_DEPTH = -2, TGA_NOT_READ = -3;

// Decodes an uncompressed (2) or run-length (10) true-colour Targa image of 24
// or 32 bits into width x height x 4 bytes (red, green, blue, alpha), the
// file's first row last. -1 other image types and -2 a colour map or another
// depth, with no output written; -3 data cut short (pixels left empty). Every
// write stays inside the buffer.
int DecodeTGA(const uint8_t* data, size_t size, std::vector<uint8_t>* pixels, int* width, int* height,
              int* bitsPerPixel);
// Reads the file and decodes it; -3 (no output written) when it cannot be opened.
int LoadTGAFile(const std::string& fileName, std::vector<uint8_t>* pixels, int* width, int* height,
                int* bitsPerPixel);

// Where a printed image goes: margins of 0.18 inch and its printed size.
struct TPrintPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    bool operator==(const TPrintPlacement&) const = default;
};
// pglNone: the bitmap's size; pglProportional: scaled from pixelsPerInch (96
// when 0 or less) to the printer's resolution; pglPrintToFit: one scale,
// min(available width / bitmap width, available height / bitmap height), so
// the image keeps its shape; never a size of 0 for a non-empty bitmap.
TPrintPlacement PrintPlacement(TOpenGLPrintScale scale, int pixelsPerInch, int bitmapWidth, int bitmapHeight,
                               int resolutionX, int resolutionY, int pageWidth, int pageHeight);
