#include "format/media/Media_Model.h"

CMediaModel& MediaModel() {
    if (CMediaModel* part = CurrentParts().Media)
        return *part;
    static CMediaModel defaultPart;
    return defaultPart;
}
