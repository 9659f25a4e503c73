// The capture's soundtrack: records music calls, replays them offline, writes the WAV.
#include "tools/capture/music_track.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tools/common/output_file.h"

namespace {

// Frames mixed per pass; any size works, this keeps the scratch buffers small.
constexpr int kChunk = 4096;

void PutU16(std::vector<uint8_t>& out, unsigned v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

MusicEvent& MusicTrackRecorder::Add(MusicEvent::Kind kind, const MusicSong* song) {
    MusicEvent e;
    e.frame = m_frameNow();
    e.kind = kind;
    auto it = song != nullptr ? m_ids.find(song) : m_ids.end();
    e.song = it != m_ids.end() ? it->second : -1;
    m_events.push_back(e);
    return m_events.back();
}

void MusicTrackRecorder::OnLoad(const MusicSong* song, const char* fileName) {
    // A new song may reuse the address of one freed before: the latest load owns it.
    if (song != nullptr) m_ids[song] = m_nextId++;
    MusicEvent& e = Add(MusicEvent::kLoad, song);
    if (fileName != nullptr) {
        std::error_code ec;
        std::filesystem::path p = std::filesystem::absolute(fileName, ec);
        e.path = ec ? std::string(fileName) : p.string();
    }
}

void MusicTrackRecorder::OnFree(const MusicSong* song) {
    Add(MusicEvent::kFree, song);
    if (song != nullptr) m_ids.erase(song);
}

void MusicTrackRecorder::OnMasterVolume(const MusicSong* song, int volume) {
    Add(MusicEvent::kVolume, song).volume = volume;
}

std::vector<int16_t> RenderMusicTrack(const std::vector<MusicEvent>& events, int64_t videoFrames,
                                      int fps, int rate) {
    if (videoFrames <= 0 || fps <= 0 || rate <= 0) return {};
    MusicSetObserver(nullptr);
    MusicDisableOutput(true);
    const int64_t total = videoFrames * rate / fps;
    std::vector<int16_t> out(static_cast<size_t>(total) * 2);
    std::map<int, MusicSong*> songs;
    std::vector<float> mix(kChunk * 2), one(kChunk * 2);
    int64_t pos = 0;

    auto mixUntil = [&](int64_t end) {
        while (pos < end) {
            const int n = static_cast<int>(std::min<int64_t>(kChunk, end - pos));
            std::fill(mix.begin(), mix.begin() + n * 2, 0.0f);
            for (auto& [id, song] : songs) {
                MusicRender(song, rate, one.data(), n);
                for (int i = 0; i < n * 2; ++i) mix[i] += one[i];
            }
            int16_t* dst = out.data() + pos * 2;
            for (int i = 0; i < n * 2; ++i) {
                float v = std::clamp(mix[i], -1.0f, 1.0f);
                dst[i] = static_cast<int16_t>(std::lround(v * 32767.0f));
            }
            pos += n;
        }
    };

    std::vector<MusicEvent> ordered(events);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const MusicEvent& a, const MusicEvent& b) { return a.frame < b.frame; });
    for (const MusicEvent& e : ordered) {
        mixUntil(std::clamp<int64_t>(e.frame * rate / fps, 0, total));
        if (e.song < 0) continue;  // the show's call on a song that never loaded
        auto it = songs.find(e.song);
        MusicSong* song = it != songs.end() ? it->second : nullptr;
        switch (e.kind) {
            case MusicEvent::kLoad:
                if (song == nullptr) {
                    song = MusicLoad(e.path.c_str());
                    if (song != nullptr) songs[e.song] = song;
                }
                break;
            case MusicEvent::kPlay:
                MusicPlay(song);
                break;
            case MusicEvent::kStop:
                MusicStop(song);
                break;
            case MusicEvent::kFree:
                MusicFree(song);
                songs.erase(e.song);
                break;
            case MusicEvent::kVolume:
                MusicSetMasterVolume(song, e.volume);
                break;
        }
    }
    mixUntil(total);
    for (auto& [id, song] : songs) MusicFree(song);
    return out;
}

bool WavBytes(const std::vector<int16_t>& stereo, int rate, std::vector<uint8_t>* bytes) {
    const uint64_t dataBytes = static_cast<uint64_t>(stereo.size()) * 2;
    if (rate <= 0 || stereo.size() % 2 != 0 || dataBytes > 0xFFFFFFFFull - 36) return false;
    std::vector<uint8_t> out;
    out.reserve(44 + static_cast<size_t>(dataBytes));
    PutTag(out, "RIFF");
    PutU32(out, static_cast<uint32_t>(36 + dataBytes));
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    PutU32(out, 16);
    PutU16(out, 1);  // integer PCM
    PutU16(out, 2);
    PutU32(out, static_cast<uint32_t>(rate));
    PutU32(out, static_cast<uint32_t>(rate) * 4);  // bytes per second
    PutU16(out, 4);                                // bytes per frame
    PutU16(out, 16);
    PutTag(out, "data");
    PutU32(out, static_cast<uint32_t>(dataBytes));
    for (int16_t v : stereo) PutU16(out, static_cast<uint16_t>(v));
    bytes->swap(out);
    return true;
}

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo, int rate) {
    std::vector<uint8_t> bytes;
    return WavBytes(stereo, rate, &bytes) && WriteOutputFile(path, bytes);
}
