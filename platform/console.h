// Console key test: is a key waiting on the terminal?
#pragma once

// True only when standard input is a terminal with a key pending. End of file, a pipe
// or no terminal at all means no key.
bool KbHit();

// Makes KbHit report a key (true) or the terminal again (false): the capture tool ends the
// phases that watch the console this way.
void ForceConsoleKey(bool pressed);
