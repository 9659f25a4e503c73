// The load-failure report: one line per data file on standard error.
#include "res/load_report.h"

#include <cstdio>
#include <set>

#include "res/datafile.h"

namespace {

std::set<std::string>& Reported() {
    static std::set<std::string> names;
    return names;
}

std::vector<std::string>& Failures() {
    static std::vector<std::string> list;
    return list;
}

}  // namespace

void ReportLoadFailure(const char* name, const std::string& reason) {
    const std::string shown = name ? name : "(no name)";
    if (!Reported().insert(UpperCase(shown.c_str())).second) return;
    Failures().push_back(shown + ": " + reason);
    std::fprintf(stderr, "karveld: cannot load %s: %s\n", shown.c_str(), reason.c_str());
    std::fflush(stderr);
}

const std::vector<std::string>& LoadFailures() {
    return Failures();
}

void ResetLoadFailures() {
    Reported().clear();
    Failures().clear();
}
