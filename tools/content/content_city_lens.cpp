// The fogged city with its traffic and the magnifying lens.
#include "tools/content/scene_content.h"

void AddCityLensMembers(DtfMemberList& /*pack*/) {}
