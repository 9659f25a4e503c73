// The title picture redrawn through polar coordinates, ring by ring, and lit by a radial wave.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/frame.h"

// The polar picture: 1024 rows (angle steps, a full turn) of 512 radii, palette indices.
inline constexpr int kPolarAngles = 1024;
inline constexpr int kPolarRadii = 512;
inline constexpr size_t kPolarPictureBytes = static_cast<size_t>(kPolarAngles) * kPolarRadii;
// An entry of the warp's per-pixel table: angle step x 512 + radius, so one angle step is 512
// and the picture wraps at 0x7FFFF + 1.
inline constexpr uint32_t kPolarMask = 0x7FFFF;
// Wave heights of the radial shade, indexed by 32 x the distance from the frame centre.
inline constexpr int kProfileEntries = 16384;
inline constexpr int kRadialLevels = 128;

// Every frame pixel knows its angle step and radius from the frame centre; drawing reads
// the polar picture at that place moved by the offset of its ring. The frame then holds
// palette indices (one per byte in an 8-bit frame, one per 16-bit word otherwise) until
// the radial shade turns them into colours.
class CPolarWarp {
public:
    CPolarWarp() = default;
    ~CPolarWarp() { Release(); }
    CPolarWarp(const CPolarWarp&) = delete;
    CPolarWarp& operator=(const CPolarWarp&) = delete;

    // For a width x height frame (width is the pitch), 8 or 16 bits: 1, or 0 with the
    // warp left empty (sizes below 1, or memory short). The offsets start at 0.
    int Create(int width, int height, int bits);
    // The polar picture of an image of w x h palette indices, centred on the image's
    // middle: a new block of kPolarPictureBytes (the caller frees it with delete[]), or
    // null for no image or memory short. Places outside the image read 0.
    static uint8_t* MakePolarPicture(const uint8_t* image, int w, int h);
    // Copies kPolarRadii offsets, one per radius: whole angle steps in units of 512 turn
    // the ring, units of 1 move it outward.
    void SetOffsets(const int32_t* values);
    // Fills the whole frame; nothing without a picture, or when the frame is not the size
    // the warp was made for.
    void Draw(const uint8_t* polarPicture, const FrameView& frame) const;
    void Release();

    bool IsCreated() const { return m_index != nullptr; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // The table entry of pixel (x, y): angle step << 9 | radius.
    uint32_t GetEntry(int x, int y) const;
    const int32_t* GetOffsets() const { return m_offsets; }
    // Width x height entries, rows top first; null before Create.
    const uint32_t* GetEntries() const { return m_index; }
    int GetBits() const { return m_bits; }

private:
    uint32_t* m_index = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_bits = 0;
    int32_t m_offsets[kPolarRadii] = {};
};

// Turns the palette indices the warp left in the frame into colours through a ramp toward
// white, each pixel at the level given by the slope of the wave profile between it and its
// right-hand neighbour (distance codes). The top half is computed and the bottom half
// mirrors it; a middle row of an odd-height frame is shaded on its own.
class CRadialShade {
public:
    CRadialShade() = default;
    ~CRadialShade() { Release(); }
    CRadialShade(const CRadialShade&) = delete;
    CRadialShade& operator=(const CRadialShade&) = delete;

    // For a width x height frame, 8 bits (Draw8 acts) or 16 (Draw16 acts): 1, or 0 with
    // the shade left empty. The profile starts at 0 and no ramp is ready.
    int Create(int width, int height, int bits);
    // The 16-bit ramp from a picture's palette (256 x red, green, blue): entry p x 128 + s
    // is colour p moved toward white by s / 127, packed for the display. 16-bit shade only.
    void BuildRamp16(const uint8_t* palette);
    // The 8-bit ramp from the loaded palette's shade table: level s, index p is the shade
    // of p at light level 64 + s / 2. 8-bit shade only; call after the palette is loaded.
    void BuildRamp8();
    // Each acts only in its own depth and with its ramp ready.
    void Draw8(const FrameView& frame) const;
    void Draw16(const FrameView& frame) const;
    // The warp's Draw followed by Draw8 or Draw16, in one pass over the frame: the same
    // pixels without writing the indices out and reading them back. Nothing unless both
    // are made for this frame, in the same depth, and the ramp is ready.
    void DrawWarped(const CPolarWarp& warp, const uint8_t* polarPicture,
                    const FrameView& frame) const;
    void Release();

    // kProfileEntries wave heights in 16.16, for the scene to write; null before Create.
    int32_t* GetProfile() { return m_profile; }
    bool IsReady() const;
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    // 1 for a 16-bit frame, 0 for an 8-bit one.
    int GetMode() const { return m_mode; }
    // The distance code of pixel (x, y) of the upper half (the middle row included).
    int GetDistance(int x, int y) const;
    const uint16_t* GetRamp16() const { return m_ramp16; }
    const uint8_t* GetRamp8() const { return m_ramp8; }

    // The light level of a step of the profile: 0 below 0, 127 from 0x7F0000 on, else
    // the step's whole part.
    static int LevelOf(int64_t difference);

private:
    // The ramp entry of index p at level s is ramp[(p << kIndexShift) + (s << kLevelShift)].
    template <typename Pixel, int kIndexShift, int kLevelShift>
    void DrawRows(Pixel* frame, const Pixel* ramp) const;
    template <typename Pixel, int kIndexShift, int kLevelShift>
    void DrawWarpedRows(const CPolarWarp& warp, const uint8_t* picture, Pixel* frame,
                        const Pixel* ramp) const;

    uint16_t* m_distance = nullptr;  // rows x width entries and one more
    int32_t* m_profile = nullptr;
    uint16_t* m_ramp16 = nullptr;  // index x 128 + level
    uint8_t* m_ramp8 = nullptr;    // level x 256 + index
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_mode = 0;  // 1: 16-bit frame, 0: 8-bit frame
    bool m_rampReady = false;
};
