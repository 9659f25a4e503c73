// Console key test: is a key waiting on the terminal?
#pragma once

// True only when standard input is a terminal with a key pending. End of file, a pipe
// or no terminal at all means no key.
bool KbHit();

// Takes the key KbHit reported: everything waiting on the terminal (one line when the
// terminal is line-buffered), or one pushed key. A forced key stays.
void ConsumeConsoleKey();

// Makes KbHit report a key (true) or the terminal again (false): the capture tool ends the
// phases that watch the console this way.
void ForceConsoleKey(bool pressed);
// One key that KbHit reports until ConsumeConsoleKey takes it (tests).
void PushConsoleKey();
