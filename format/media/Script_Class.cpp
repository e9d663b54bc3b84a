#include "format/media/Script_Class.h"

namespace transvane {

namespace {
constexpr std::int32_t ScriptVersion = 400;
}

void CScript::Clear() { ScriptText.clear(); }

bool CScript::Load(CStream& stream) {
    Clear();
    if (stream.ReadInt() != ScriptVersion)
        return false;
    ScriptText = stream.ReadString();
    return true;
}

bool CScript::Save(CStream& stream) const {
    stream.WriteInt(ScriptVersion);
    stream.WriteString(ScriptText);
    return true;
}

}  // namespace transvane
