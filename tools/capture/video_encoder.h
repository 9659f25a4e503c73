// The capture's video: raw frames piped to ffmpeg, the soundtrack muxed beside them, and the
// result written over the target through the tools' output writer. Every intermediate file
// is a temporary file of our own beside the target and is gone when the run ends, however
// it ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/music_track.h"
#include "tools/common/output_file.h"

struct VideoFormat {
    int width = 640;
    int height = 480;
    int fps = 60;
    bool rgb24 = false;  // else 16-bit 5-6-5 little-endian
};

class CVideoEncoder {
public:
    // Checks the target and its folder and starts the encoder; false with a reason.
    bool Start(const std::string& target, const VideoFormat& format, std::string* error);
    bool Running() const { return m_encoder.Input() != nullptr; }
    // One frame of the format's size; false once the encoder has stopped taking frames.
    bool WriteFrame(const void* data, size_t bytes);
    // Ends the encoder, adds the soundtrack and writes the target. False with a reason.
    bool Finish(const std::vector<MusicEvent>& music, int64_t frames, int audioRate,
                std::string* error);
    // Stops everything and removes every intermediate file.
    void Abort();

private:
    std::string m_target;
    std::string m_folder;
    std::string m_stem;
    std::string m_ext;
    VideoFormat m_format;
    CChildProcess m_encoder;
    CTempFile m_video;
    bool m_broken = false;
};
