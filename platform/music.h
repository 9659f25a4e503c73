// Music: tracker modules played in the background, mixed into the audio device.
//
// The show only starts output, loads a song by file name, plays, stops and frees it,
// and sets its master volume. Every failure is silent: with no audio device every call
// is a no-op, and a song that cannot be loaded gives a null handle that every call accepts.
#pragma once

struct MusicSong;

// Starts audio output at the given rate (44100). Safe to call more than once.
void MusicStart(int rate);
// Loads a module file from the working folder; null when it cannot be loaded.
MusicSong* MusicLoad(const char* fileName);
void MusicPlay(MusicSong* song);
void MusicStop(MusicSong* song);
void MusicFree(MusicSong* song);
// 0 (silent) .. 256 (full).
void MusicSetMasterVolume(MusicSong* song, int volume);

// Something that wants to know every music call (the capture tool records them
// against the show's clock). Null removes it.
class MusicObserver {
public:
    virtual ~MusicObserver() = default;
    virtual void OnLoad(const MusicSong* song, const char* fileName) = 0;
    virtual void OnPlay(const MusicSong* song) = 0;
    virtual void OnStop(const MusicSong* song) = 0;
    virtual void OnFree(const MusicSong* song) = 0;
    virtual void OnMasterVolume(const MusicSong* song, int volume) = 0;
};
void MusicSetObserver(MusicObserver* observer);
// Keeps output closed even when a device exists (capture, tests); songs still load.
// Disabling closes an open device.
void MusicDisableOutput(bool disabled);
// True while an audio device is open and mixing.
bool MusicOutputOpen();

// Renders the next frames of a song as interleaved stereo floats at the given rate,
// with its master volume applied; silence when the song is null or not playing.
// Returns the frames the song produced. Meant for output disabled (capture, tests):
// with a device open the callback consumes the same stream.
int MusicRender(MusicSong* song, int rate, float* stereo, int frames);
// The master gain for a volume 0..256 in millibels: round(2000 log10(v / 256)),
// INT32_MIN (silence) for 0.
int MusicVolumeToMillibel(int volume);
