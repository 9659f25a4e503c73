// The tunnel chase and the underwater canal.
#include "tools/content/scene_content.h"

void AddTunnelCanalMembers(DtfMemberList& /*pack*/) {}
