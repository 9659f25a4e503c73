// The tunnel chase, reachable by the tests.
#pragma once

#include "app/display.h"

inline constexpr int kTunnelPhases = 5;

// Plays the scene; returns how many of its phases a key cut short.
int RunTunnelChase(const FrameView& view);
