#include "format/behaviour/TimeLine_Main.h"

CResourceList<CTimeLine> TimeLineList{"time line"};

void ClearTimeLines() { TimeLineList.Clear(); }

bool LoadTimeLines(CStream& stream) {
    return TimeLineList.Load(stream, TimeLineListVersion, TimeLineListVersion);
}

bool SaveTimeLines(CStream& stream) { return TimeLineList.Save(stream, TimeLineListVersion); }
