#include "format/world/World_Model.h"

namespace transvane {

CWorldModel& WorldModel() {
    if (CWorldModel* part = CurrentParts().World)
        return *part;
    static CWorldModel defaultPart;
    return defaultPart;
}

}  // namespace transvane
