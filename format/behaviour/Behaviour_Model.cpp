#include "format/behaviour/Behaviour_Model.h"

namespace transvane {

CBehaviourModel& BehaviourModel() {
    if (CBehaviourModel* part = CurrentParts().Behaviour)
        return *part;
    static CBehaviourModel defaultPart;
    return defaultPart;
}

}  // namespace transvane
