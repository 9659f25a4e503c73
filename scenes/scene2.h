// The lamp-lit floor's timing, shared with its tests.
#pragma once

// The title's light-mode intensity at scene time t: rising from 0 at 5 s to 0.5 at 10 s and
// falling back to 0 at 15 s. 1 while the title is drawn (5 s to 15 s), else 0 with
// *intensity set to 0.
int TitleIntensity(float t, float* intensity);
