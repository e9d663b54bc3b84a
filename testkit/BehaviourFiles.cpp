#include "testkit/BehaviourFiles.h"

namespace {

template <class T, class WriteRecord>
void WriteSlots(CStream& stream, std::int32_t tag, const std::vector<CTestSlot<T>>& slots,
                WriteRecord writeRecord) {
    stream.WriteInt(tag);
    stream.WriteInt(static_cast<std::int32_t>(slots.size()));
    for (const CTestSlot<T>& slot : slots) {
        stream.WriteBool(slot.has_value());
        if (!slot)
            continue;
        stream.WriteString(slot->first);
        writeRecord(stream, slot->second);
    }
}

void WriteAction400(CStream& stream, const CTestAction400& action) {
    stream.WriteInt(400);
    stream.WriteInt(action.Number);
    stream.WriteInt(action.Selector);
    stream.WriteBool(action.ActionFlag);
    stream.WriteInt(action.Count.value_or(static_cast<std::int32_t>(action.Arguments.size())));
    for (const std::string& argument : action.Arguments)
        stream.WriteString(argument);
}

void WriteAction440(CStream& stream, const CTestAction440& action) {
    stream.WriteInt(440);
    stream.WriteInt(action.LibraryId);
    stream.WriteInt(action.ActionId);
    stream.WriteInt(action.DefValue1);
    stream.WriteBool(action.DefFlag1);
    stream.WriteBool(action.DefFlag2);
    stream.WriteBool(action.DefFlag3);
    stream.WriteInt(action.DefValue2);
    stream.WriteString(action.DefText1);
    stream.WriteString(action.DefText2);
    stream.WriteInt(action.DefValue3);
    stream.WriteInt(action.KindCount.value_or(static_cast<std::int32_t>(action.ArgumentKinds.size())));
    for (std::int32_t kind : action.ArgumentKinds)
        stream.WriteInt(kind);
    stream.WriteInt(action.Selector);
    stream.WriteBool(action.ActionFlag);
    stream.WriteInt(action.ArgumentCount.value_or(static_cast<std::int32_t>(action.Arguments.size())));
    for (const std::string& argument : action.Arguments)
        stream.WriteString(argument);
    stream.WriteBool(action.TailFlag);
}

}  // namespace

void WriteAction(CStream& stream, const CTestAction& action) {
    if (const auto* old = std::get_if<CTestAction400>(&action))
        WriteAction400(stream, *old);
    else if (const auto* newer = std::get_if<CTestAction440>(&action))
        WriteAction440(stream, *newer);
    else
        stream.WriteInt(std::get<CTestActionTag>(action).Tag);
}

void WriteEvent(CStream& stream, const CTestEvent& event) {
    stream.WriteInt(event.Tag);
    if (event.Tag != 400)
        return;
    stream.WriteInt(event.Count.value_or(static_cast<std::int32_t>(event.Actions.size())));
    for (const CTestAction& action : event.Actions)
        WriteAction(stream, action);
}

void WriteObject(CStream& stream, const CTestObject& object) {
    stream.WriteInt(object.Tag);
    if (object.Tag != 400 && object.Tag != 430)
        return;
    stream.WriteInt(object.SpriteIndex);
    stream.WriteBool(object.ObjectFlag1);
    stream.WriteBool(object.ObjectFlag2);
    stream.WriteInt(object.ObjectValue);
    stream.WriteBool(object.ObjectFlag3);
    stream.WriteInt(object.RelatedObjectIndex);
    stream.WriteInt(object.SecondSpriteIndex);
    std::int32_t lastRow = 8;
    if (object.Tag == 430) {
        lastRow = object.LastRow;
        stream.WriteInt(lastRow);
    }
    for (std::int32_t row = 0; row <= lastRow; ++row) {
        if (static_cast<std::size_t>(row) < object.Rows.size())
            for (const auto& [number, event] : object.Rows[static_cast<std::size_t>(row)]) {
                stream.WriteInt(number);
                WriteEvent(stream, event);
            }
        stream.WriteInt(-1);
    }
}

void WriteTimeLine(CStream& stream, const CTestTimeLine& timeLine) {
    stream.WriteInt(timeLine.Tag);
    if (timeLine.Tag != 500)
        return;
    stream.WriteInt(static_cast<std::int32_t>(timeLine.Entries.size()));
    for (const auto& [moment, event] : timeLine.Entries) {
        stream.WriteInt(moment);
        WriteEvent(stream, event);
    }
}

void WritePath(CStream& stream, const CTestPath& path) {
    stream.WriteInt(path.Tag);
    if (path.Tag != 420)
        return;
    stream.WriteInt(path.ConnectionKind);
    stream.WriteInt(path.EndAction);
    stream.WriteInt(path.SmoothingDepth);
    stream.WriteInt(path.Count.value_or(static_cast<std::int32_t>(path.Points.size())));
    for (const CTestPath::Point& point : path.Points) {
        stream.WriteReal(point.X);
        stream.WriteReal(point.Y);
        stream.WriteReal(point.Speed);
    }
}

void WriteObjectsSection(CStream& stream, const std::vector<CTestSlot<CTestObject>>& slots, std::int32_t tag) {
    WriteSlots(stream, tag, slots, WriteObject);
}

void WriteTimeLinesSection(CStream& stream, const std::vector<CTestSlot<CTestTimeLine>>& slots,
                           std::int32_t tag) {
    WriteSlots(stream, tag, slots, WriteTimeLine);
}

void WritePathsSection(CStream& stream, const std::vector<CTestSlot<CTestPath>>& slots, std::int32_t tag) {
    WriteSlots(stream, tag, slots, WritePath);
}

void WriteUsedLibrariesSection(CStream& stream, const std::vector<std::string>& names, std::int32_t version) {
    stream.WriteInt(version);
    stream.WriteInt(static_cast<std::int32_t>(names.size()));
    for (const std::string& name : names)
        stream.WriteString(name);
}

CTestAction440 ConvertedAction(std::int32_t actionId, std::vector<std::string> arguments,
                               std::int32_t selector, bool actionFlag) {
    CTestAction440 action;
    action.LibraryId = 1;
    action.ActionId = actionId;
    action.Selector = selector;
    action.ActionFlag = actionFlag;
    arguments.resize(8, "0");
    action.TailFlag = arguments[7] == "1";
    action.Arguments = std::move(arguments);
    return action;
}
