// Music on libopenmpt: songs loaded from memory, mixed into one SDL audio callback.
#include "platform/music.h"

#include <SDL.h>
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

struct MusicSong {
    openmpt_module* module = nullptr;
    bool playing = false;
    MusicSong* next = nullptr;  // the list of loaded songs
};

namespace {

// Larger files are not modules we wrote; refuse them before allocating.
constexpr long kMaxModuleBytes = 64L * 1024 * 1024;
// Frames mixed per pass in the callback; the callback asks for any length.
constexpr int kMixFrames = 1024;

SDL_AudioDeviceID g_device = 0;
bool g_audioInit = false;  // we hold a reference on SDL's audio subsystem
bool g_disabled = false;
int g_rate = 44100;
MusicObserver* g_observer = nullptr;
// Every loaded song; the callback mixes the playing ones. A plain list: nothing here has a
// destructor that could run under the audio thread while the process exits.
MusicSong* g_songs = nullptr;
bool g_exitHook = false;
float g_mix[kMixFrames * 2];  // only the callback touches it (under the device lock)

// Calls from the show's thread hold the device lock so the callback never sees a
// module half-changed; with no device there is nothing to race with.
class AudioLock {
public:
    AudioLock() {
        if (g_device != 0) SDL_LockAudioDevice(g_device);
    }
    ~AudioLock() {
        if (g_device != 0) SDL_UnlockAudioDevice(g_device);
    }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;
};

// Renders `frames` stereo frames of one song into out; a song that ends (it loops
// forever, so only a broken one does) stops and leaves the rest silent.
int RenderSong(MusicSong* song, int rate, float* out, int frames) {
    if (!song->playing || song->module == nullptr) {
        std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
        return 0;
    }
    size_t got = openmpt_module_read_interleaved_float_stereo(song->module, rate,
                                                              static_cast<size_t>(frames), out);
    if (got < static_cast<size_t>(frames)) {
        std::memset(out + got * 2, 0, sizeof(float) * 2 * (static_cast<size_t>(frames) - got));
        song->playing = false;
    }
    return static_cast<int>(got);
}

void AudioCallback(void*, Uint8* stream, int len) {
    float* out = reinterpret_cast<float*>(stream);
    int frames = len / static_cast<int>(2 * sizeof(float));
    std::memset(stream, 0, static_cast<size_t>(len));
    for (int done = 0; done < frames;) {
        int n = std::min(kMixFrames, frames - done);
        for (MusicSong* song = g_songs; song != nullptr; song = song->next) {
            if (!song->playing) continue;
            RenderSong(song, g_rate, g_mix, n);
            float* dst = out + done * 2;
            for (int i = 0; i < n * 2; ++i) dst[i] += g_mix[i];
        }
        done += n;
    }
    // Two songs at full level could sum past 1.0; the device would wrap, not clip.
    for (int i = 0; i < frames * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void CloseOutput() {
    if (g_device != 0) {
        SDL_CloseAudioDevice(g_device);
        g_device = 0;
    }
    if (g_audioInit) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_audioInit = false;
    }
}

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>* bytes) {
    FILE* f = std::fopen(fileName, "rb");
    if (f == nullptr) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size <= kMaxModuleBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
    }
    std::fclose(f);
    return ok;
}

}  // namespace

int MusicVolumeToMillibel(int volume) {
    if (volume <= 0) return INT32_MIN;
    if (volume >= 256) return 0;
    // 20 log10(v / 256) decibels, in hundredths: 128 gives -602, half the amplitude.
    return static_cast<int>(std::lround(2000.0 * std::log10(volume / 256.0)));
}

void MusicStart(int rate) {
    if (g_disabled || g_device != 0) return;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
    g_audioInit = true;
    SDL_AudioSpec want{};
    want.freq = rate > 0 ? rate : 44100;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = 1024;
    want.callback = AudioCallback;
    SDL_AudioSpec have{};
    // No allowed changes: SDL converts to whatever the device really does.
    g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (g_device == 0) {
        CloseOutput();
        return;
    }
    g_rate = want.freq;
    // The show never frees its last song: stop the audio thread before the process
    // tears down what the callback reads.
    if (!g_exitHook) g_exitHook = std::atexit(CloseOutput) == 0;
    SDL_PauseAudioDevice(g_device, 0);
}

bool MusicOutputOpen() {
    return g_device != 0;
}

MusicSong* MusicLoad(const char* fileName) {
    MusicSong* song = nullptr;
    std::vector<uint8_t> bytes;
    if (fileName != nullptr && ReadWholeFile(fileName, &bytes)) {
        int error = 0;
        openmpt_module* module = openmpt_module_create_from_memory2(
            bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_ignore,
            nullptr, &error, nullptr, nullptr);
        if (module != nullptr) {
            // Songs loop forever through their restart position; the show stops them.
            openmpt_module_set_repeat_count(module, -1);
            song = new MusicSong;
            song->module = module;
            AudioLock lock;
            song->next = g_songs;
            g_songs = song;
        }
    }
    if (g_observer != nullptr) g_observer->OnLoad(song, fileName);
    return song;
}

void MusicPlay(MusicSong* song) {
    if (g_observer != nullptr) g_observer->OnPlay(song);
    if (song == nullptr) return;
    AudioLock lock;
    openmpt_module_set_position_order_row(song->module, 0, 0);
    song->playing = true;
}

void MusicStop(MusicSong* song) {
    if (g_observer != nullptr) g_observer->OnStop(song);
    if (song == nullptr) return;
    AudioLock lock;
    song->playing = false;
}

void MusicFree(MusicSong* song) {
    if (g_observer != nullptr) g_observer->OnFree(song);
    if (song == nullptr) return;
    {
        AudioLock lock;
        MusicSong** link = &g_songs;
        while (*link != nullptr && *link != song) link = &(*link)->next;
        // A pointer we never handed out (or freed twice) is left alone.
        if (*link == nullptr) return;
        *link = song->next;
    }
    openmpt_module_destroy(song->module);
    delete song;
}

void MusicSetMasterVolume(MusicSong* song, int volume) {
    volume = std::clamp(volume, 0, 256);
    if (g_observer != nullptr) g_observer->OnMasterVolume(song, volume);
    if (song == nullptr) return;
    AudioLock lock;
    openmpt_module_set_render_param(song->module, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL,
                                    MusicVolumeToMillibel(volume));
}

int MusicRender(MusicSong* song, int rate, float* stereo, int frames) {
    if (stereo == nullptr || frames <= 0) return 0;
    if (song == nullptr) {
        std::memset(stereo, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
        return 0;
    }
    AudioLock lock;
    return RenderSong(song, rate > 0 ? rate : 44100, stereo, frames);
}

void MusicSetObserver(MusicObserver* observer) {
    g_observer = observer;
}

void MusicDisableOutput(bool disabled) {
    g_disabled = disabled;
    if (disabled) CloseOutput();
}
