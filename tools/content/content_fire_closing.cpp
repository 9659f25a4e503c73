// The fire dome and the closing pictures.
#include "tools/content/scene_content.h"

void AddFireClosingMembers(DtfMemberList& /*pack*/) {}
