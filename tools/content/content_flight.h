// The flight group's content: ship, flame, shadow and explosion meshes with their textures,
// and the scene scripts of the space battle scenes.
#pragma once

#include <vector>

#include "tools/content/world.h"

std::vector<NamedPicture> FlightTextures();
std::vector<NamedShape> FlightShapes();

TrackScript Scene3Script();
TrackScript Scene4Script();
TrackScript Scene4BScript();
TrackScript Scene7aScript();
TrackScript Scene7cScript();
TrackScript Scene8BScript();
