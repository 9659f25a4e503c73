// karveld-music: composes the show's songs and writes them into the given folder.
#include <cstdio>
#include <string>

#include "tools/music/songs.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: karveld-music OUTPUT_FOLDER\n");
        return 2;
    }
    for (const SongFile& song : kSongFiles) {
        std::string path = std::string(argv[1]) + "/" + song.fileName;
        if (!WriteXmFile(song.compose(), path)) {
            std::fprintf(stderr, "karveld-music: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
