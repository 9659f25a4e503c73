// The city and lens content, for the tests: the palette, the traffic and lens meshes and the
// two scene scripts as the pack stores them.
#pragma once

#include <vector>

#include "tools/content/picture.h"
#include "tools/content/tracks.h"
#include "tools/content/world.h"

// The colours of "SCN6.PAL".
PaletteBytes CityPaletteColours();
// CAR1, CAR2, CAR3, CAMION, PODA .. PODE and POD2: noses toward +z, standing on y = 0.
std::vector<NamedShape> CityVehicleShapes();
// ELECTRO, ELECTRO1, ELECTRO2 (one lens topology, the last rippled), TOUR1, TOUR3, TOUR4.
std::vector<NamedShape> LensShapes();
// "SCN\SCENE6.SCN" and "SCN\SCENE7B.SCN".
TrackScript CityFlightScript();
TrackScript LensFlightScript();
