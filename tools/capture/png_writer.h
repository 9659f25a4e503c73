// Frames to RGB pictures: conversion from the frame format and PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/display.h"

// Converts a frame (16-bit by the description's channel fields, or 8-bit through the
// palette) to packed 8-bit red, green, blue; channels are widened by repeating their top bits.
void FrameToRgb24(const void* frame, const FrameDesc& desc, const uint8_t* palette,
                  std::vector<uint8_t>* rgb);

// Writes packed RGB as an 8-bit PNG through COutputFile; false with a reason on any failure
// (nothing is left half-written).
bool WritePngRgb(const std::string& path, const uint8_t* rgb, int width, int height,
                 std::string* error = nullptr);
