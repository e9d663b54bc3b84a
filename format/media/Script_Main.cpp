#include "format/media/Script_Main.h"

#include "format/media/Media_Model.h"

namespace transvane {

namespace {
constexpr std::int32_t ScriptListVersion = 400;
}

CResourceList<CScript>& ScriptList() { return MediaModel().Scripts; }

void ClearScripts() { ScriptList().Clear(); }

bool LoadScripts(CStream& stream) { return ScriptList().Load(stream, ScriptListVersion, ScriptListVersion); }

bool SaveScripts(CStream& stream) { return ScriptList().Save(stream, ScriptListVersion); }

}  // namespace transvane
