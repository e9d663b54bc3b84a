#include "format/media/Script_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t ScriptListVersion = 400;
}

CResourceList<CScript>& ScriptList(CMediaModel& media) { return media.Scripts; }

void ClearScripts(CMediaModel& media) { ScriptList(media).Clear(); }

bool LoadScripts(CMediaModel& media, CStream& stream) {
    return ScriptList(media).Load(stream, ScriptListVersion, ScriptListVersion);
}

bool SaveScripts(CMediaModel& media, CStream& stream) { return ScriptList(media).Save(stream, ScriptListVersion); }

}  // namespace transvane
