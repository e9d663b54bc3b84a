#include "format/behaviour/TimeLine_Main.h"

#include "format/behaviour/Behaviour_Model.h"

namespace transvane {

CResourceList<CTimeLine>& TimeLineList() { return BehaviourModel().TimeLines; }

void ClearTimeLines() { TimeLineList().Clear(); }

bool LoadTimeLines(CStream& stream) {
    return TimeLineList().Load(stream, TimeLineListVersion, TimeLineListVersion);
}

bool SaveTimeLines(CStream& stream) { return TimeLineList().Save(stream, TimeLineListVersion); }

}  // namespace transvane
