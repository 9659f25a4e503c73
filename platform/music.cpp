// Music layer placeholder: every call is silent until the player lands.
#include "platform/music.h"

void MusicStart(int) {}
MusicSong* MusicLoad(const char*) {
    return nullptr;
}
void MusicPlay(MusicSong*) {}
void MusicStop(MusicSong*) {}
void MusicFree(MusicSong*) {}
void MusicSetMasterVolume(MusicSong*, int) {}
void MusicSetObserver(MusicObserver*) {}
void MusicDisableOutput(bool) {}
