#include "project/Project_Model.h"

namespace transvane {

CProjectModel& ProjectModel() {
    if (CProjectModel* part = CurrentParts().Project)
        return *part;
    static CProjectModel defaultPart;
    return defaultPart;
}

}  // namespace transvane
