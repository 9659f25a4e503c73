// The title sequence's glow and the lens flare.
#include "tools/content/scene_content.h"

void AddTitleMembers(DtfMemberList& /*pack*/) {}
