// The "SHADOW" material: flat shadow meshes darken whatever lies under them.
#pragma once

// Registers the material with the world; 1, or 0 when the name exists already or memory is
// short (the first registration stays in force).
int RegisterShadow();
