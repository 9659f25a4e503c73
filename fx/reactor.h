// The "REACTOR" material: engine flames and light beams that brighten what is already in
// the frame, most where the face's v is 0, not at all at the far edge of the texture.
// Depth-tested but never written, so the glow lies over whatever is behind it.
#pragma once

// Registers the material with the world; 1, or 0 when the name exists already or memory is
// short (the first registration stays in force).
int RegisterReactor();
