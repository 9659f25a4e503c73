// Writes packed "DTFF" archives whose members are LZHUF member streams.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using DtfMemberList = std::vector<std::pair<std::string, std::vector<uint8_t>>>;

// The complete archive bytes: "DTFF", the member count, the directory (name, 0 byte,
// decompressed size, stream length, stream offset per member) and the compressed streams
// in member order. The second directory value is the length of the member's whole stream,
// its 4-byte length field included. Names are stored as given. Fails (false) when there is
// no member, a name is empty or holds a 0 byte, or a size or offset does not fit 32 bits.
bool BuildDtfArchive(const DtfMemberList& members, std::vector<uint8_t>& out,
                     std::string* error = nullptr);

// Builds the archive and writes it to `path` through WriteOutputFile, so a failure never
// leaves a partial archive behind.
bool WriteDtfArchive(const std::string& path, const DtfMemberList& members,
                     std::string* error = nullptr);
