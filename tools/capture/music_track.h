// The capture's soundtrack: the show's music calls recorded against the video's frames,
// rendered afterwards into a 16-bit stereo WAV file.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/music.h"

struct MusicEvent {
    enum Kind { kLoad, kPlay, kStop, kFree, kVolume };
    int64_t frame = 0;  // video frames written before the call
    Kind kind = kLoad;
    int song = -1;     // numbered by load, -1 for a song that did not load
    std::string path;  // kLoad: the file, made absolute when recorded
    int volume = 256;  // kVolume
};

// Install with MusicSetObserver while the show runs; frameNow gives the number of video
// frames written so far, so each call lands on the frame it happened after.
class MusicTrackRecorder : public MusicObserver {
public:
    explicit MusicTrackRecorder(std::function<int64_t()> frameNow)
        : m_frameNow(std::move(frameNow)) {}
    void OnLoad(const MusicSong* song, const char* fileName) override;
    void OnPlay(const MusicSong* song) override { Add(MusicEvent::kPlay, song); }
    void OnStop(const MusicSong* song) override { Add(MusicEvent::kStop, song); }
    void OnFree(const MusicSong* song) override;
    void OnMasterVolume(const MusicSong* song, int volume) override;
    const std::vector<MusicEvent>& Events() const { return m_events; }

private:
    MusicEvent& Add(MusicEvent::Kind kind, const MusicSong* song);
    std::function<int64_t()> m_frameNow;
    std::map<const MusicSong*, int> m_ids;  // songs alive in the show
    int m_nextId = 0;
    std::vector<MusicEvent> m_events;
};

// Replays the events through the music layer offline (it removes any observer and keeps
// output disabled) and renders videoFrames / fps seconds at `rate`: interleaved stereo.
// Sample positions are frame x rate / fps, rounded down, so they never drift.
std::vector<int16_t> RenderMusicTrack(const std::vector<MusicEvent>& events, int64_t videoFrames,
                                      int fps, int rate);

// A canonical 44-byte-header PCM WAV: 16-bit, two channels. False when the samples are not
// whole stereo frames or do not fit the format.
bool WavBytes(const std::vector<int16_t>& stereo, int rate, std::vector<uint8_t>* bytes);
bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo, int rate);
