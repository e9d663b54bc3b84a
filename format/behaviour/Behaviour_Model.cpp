#include "format/behaviour/Behaviour_Model.h"

CBehaviourModel& BehaviourModel() {
    if (CBehaviourModel* part = CurrentParts().Behaviour)
        return *part;
    static CBehaviourModel defaultPart;
    return defaultPart;
}
