#include "format/core/Support_Project.h"

namespace transvane {

namespace {
// The default project: no part of its own, so that each floor's default
// part is used.
const CProjectParts DefaultParts{};
// The current project of this thread.
thread_local const CProjectParts* CurrentProjectParts = &DefaultParts;
}  // namespace

const CProjectParts& CurrentParts() { return *CurrentProjectParts; }

CCoreState& CoreState() {
    if (CCoreState* core = CurrentProjectParts->Core)
        return *core;
    static CCoreState defaultCore;
    return defaultCore;
}

CProjectScope::CProjectScope(const CProjectParts& parts) : FPrevious(CurrentProjectParts) {
    CurrentProjectParts = &parts;
}

CProjectScope::~CProjectScope() { CurrentProjectParts = FPrevious; }

}  // namespace transvane
