// Data files that exist but do not load are named once each, with the reason, on standard
// error; standard output stays the show's own.
#pragma once

#include <string>
#include <vector>

// Prints "karveld: cannot load NAME: REASON" the first time NAME (compared upper-cased) is
// reported; later reports of the same name are dropped.
void ReportLoadFailure(const char* name, const std::string& reason);

// Every distinct failure so far, in order, as "NAME: REASON".
const std::vector<std::string>& LoadFailures();

// Forgets the reported names (tests).
void ResetLoadFailures();
