// Temporary: the archive until its reader lands.
#include "res/datafile.h"
CDtfArchive g_archive;
CDiskFile::~CDiskFile() {}
int CDtfArchive::Open(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return 0;
    char magic[4] = {};
    size_t n = std::fread(magic, 1, 4, f);
    std::fclose(f);
    return n == 4 && magic[0] == 'D' && magic[1] == 'T' && magic[2] == 'F' && magic[3] == 'F';
}
