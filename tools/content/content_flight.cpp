// Ships, flames, shadows, the explosion and the space battle scenes.
#include "tools/content/scene_content.h"

void AddFlightMembers(DtfMemberList& /*pack*/) {}
