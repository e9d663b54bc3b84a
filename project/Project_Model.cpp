#include "project/Project_Model.h"

CProjectModel& ProjectModel() {
    if (CProjectModel* part = CurrentParts().Project)
        return *part;
    static CProjectModel defaultPart;
    return defaultPart;
}
