// The show's two songs, composed in code: a calm opening and a driving second half.
#pragma once

#include "tools/music/xm_writer.h"

// "dodovo5.xm": slow pads, bells and a lead in D minor, about two and a half minutes,
// looping back to its first order.
XmModule ComposeDodovo();
// "velmoria.xm": four-on-the-floor drums, bass, arpeggio and lead in A minor, looping
// back to the end of its intro.
XmModule ComposeVelmoria();

struct SongFile {
    const char* fileName;
    XmModule (*compose)();
};
inline constexpr SongFile kSongFiles[] = {{"dodovo5.xm", ComposeDodovo},
                                          {"velmoria.xm", ComposeVelmoria}};
