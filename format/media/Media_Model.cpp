#include "format/media/Media_Model.h"

namespace transvane {

CMediaModel& MediaModel() {
    if (CMediaModel* part = CurrentParts().Media)
        return *part;
    static CMediaModel defaultPart;
    return defaultPart;
}

}  // namespace transvane
