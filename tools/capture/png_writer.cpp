// Frames to RGB pictures: conversion from the frame format and PNG files through libpng.
#include "tools/capture/png_writer.h"

#include <png.h>

#include <cstdio>

#include "tools/common/output_file.h"

namespace {

// A channel of `bits` bits widened to 8 by repeating its top bits (31 -> 255, 0 -> 0).
uint8_t Widen(uint32_t value, int bits) {
    if (bits <= 0) return 0;
    if (bits >= 8) return static_cast<uint8_t>(value >> (bits - 8));
    uint32_t v = value << (8 - bits);
    v |= v >> bits;
    if (bits < 4) v |= v >> (2 * bits);
    return static_cast<uint8_t>(v);
}

}  // namespace

void FrameToRgb24(const void* frame, const FrameDesc& desc, const uint8_t* palette,
                  std::vector<uint8_t>* rgb) {
    const size_t count = static_cast<size_t>(desc.width) * desc.height;
    rgb->resize(count * 3);
    uint8_t* out = rgb->data();
    if (desc.bits == 8) {
        const uint8_t* src = static_cast<const uint8_t*>(frame);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* c = palette + src[i] * 3;
            out[i * 3] = c[0];
            out[i * 3 + 1] = c[1];
            out[i * 3 + 2] = c[2];
        }
        return;
    }
    const uint16_t* src = static_cast<const uint16_t*>(frame);
    const uint32_t rMask = (1u << desc.redBits) - 1, gMask = (1u << desc.greenBits) - 1,
                   bMask = (1u << desc.blueBits) - 1;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t p = src[i];
        out[i * 3] = Widen((p >> desc.redShift) & rMask, desc.redBits);
        out[i * 3 + 1] = Widen((p >> desc.greenShift) & gMask, desc.greenBits);
        out[i * 3 + 2] = Widen((p >> desc.blueShift) & bMask, desc.blueBits);
    }
}

namespace {

// libpng reports errors by longjmp: nothing here may live across the setjmp but the arguments.
bool EncodePng(png_structp png, png_infop info, FILE* f, const uint8_t* rgb, int width,
               int height) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb + static_cast<size_t>(y) * width * 3));
    png_write_end(png, nullptr);
    return true;
}

}  // namespace

bool WritePngRgb(const std::string& path, const uint8_t* rgb, int width, int height,
                 std::string* error) {
    COutputFile out;
    if (!out.Open(path, error)) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = png && info && EncodePng(png, info, out.Stream(), rgb, width, height);
    png_destroy_write_struct(&png, &info);
    if (!ok) {
        out.Abort();
        if (error) *error = "cannot write " + path + ": PNG encoding failed";
        return false;
    }
    return out.Commit(error);
}
