#include "format/behaviour/TimeLine_Main.h"

#include "format/behaviour/Behaviour_Model.h"

namespace transvane {

CResourceList<CTimeLine>& TimeLineList(CBehaviourModel& behaviour) { return behaviour.TimeLines; }

void ClearTimeLines(CBehaviourModel& behaviour) { TimeLineList(behaviour).Clear(); }

bool LoadTimeLines(CBehaviourModel& behaviour, CStream& stream) {
    return TimeLineList(behaviour).Load(stream, TimeLineListVersion, TimeLineListVersion);
}

bool SaveTimeLines(CBehaviourModel& behaviour, CStream& stream) {
    return TimeLineList(behaviour).Save(stream, TimeLineListVersion);
}

}  // namespace transvane
