#include "format/world/World_Model.h"

CWorldModel& WorldModel() {
    if (CWorldModel* part = CurrentParts().World)
        return *part;
    static CWorldModel defaultPart;
    return defaultPart;
}
