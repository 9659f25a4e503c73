// The lamp-lit bump floor and the sea with its spray.
#include "tools/content/scene_content.h"

void AddFloorSeaMembers(DtfMemberList& /*pack*/) {}
