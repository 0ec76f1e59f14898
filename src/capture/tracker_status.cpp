#include "capture/tracker_status.h"

#include "base/json.h"
#include "platform/key_names.h"

namespace velotap {

const char kIdleTrackerStatus[] =
    "{\"state\":\"Idle\",\"count\":0,\"restore\":[],\"hkRec\":\"\",\"hkPlay\":\"\",\"hkAuto\":\"\","
    "\"hkKeySpam\":\"\",\"keySpamTargets\":[],\"keySpamChord\":false,\"ksCap\":0,"
    "\"reassigning\":\"\",\"panelHover\":false,\"autoClicking\":false,\"keySpamming\":false}";

namespace {

const char* Bool(bool value) {
    return value ? "true" : "false";
}

void Member(std::string& out, const char* key, const std::string& rawValue) {
    if (out.size() > 1) out += ',';
    out += '"';
    out += key;
    out += "\":";
    out += rawValue;
}

}  // namespace

std::string KeyDisplayName(KeyNameSource* names, uint32_t code) {
    switch (code) {
        case 192:
            return "`";
        case 1:
            return "Left Mouse";
        case 2:
            return "Right Mouse";
        case 4:
            return "Middle Mouse";
        case 5:
            return "Mouse 4 (Side)";
        case 6:
            return "Mouse 5 (Side)";
        default:
            break;
    }
    std::string name = names ? names->LayoutName(code) : std::string();
    if (name.size() > 128) name.resize(128);
    if (name.empty()) return "Key[" + std::to_string(code) + "]";
    return name;
}

std::string TrackerStatusDocument(const EngineState& e, const HotkeySlots& slots,
                                  const TrackerExtras& x, KeyNameSource* names) {
    auto keyName = [names](const Int& slot) {
        return JsonEscape(KeyDisplayName(names, static_cast<uint32_t>(slot.load())));
    };
    std::string out = "{";
    const char* state = e.recording.load() ? "Recording" : e.playing.load() ? "Playing" : "Idle";
    Member(out, "state", std::string("\"") + state + "\"");
    Member(out, "count", std::to_string(x.count));
    std::string restore = "[";
    for (const std::string& panel : x.restore) {
        if (restore.size() > 1) restore += ',';
        restore += JsonEscape(panel);
    }
    Member(out, "restore", restore + "]");
    Member(out, "hkRec", keyName(slots.recording));
    Member(out, "hkPlay", keyName(slots.playback));
    Member(out, "hkAuto", keyName(slots.clickSpammer));
    Member(out, "hkKeySpam", keyName(slots.keySpammer));
    Member(out, "hkUnlock", keyName(slots.unlock));
    Member(out, "lockOn", Bool(x.lockOn));
    Member(out, "unlocked", Bool(x.unlocked));
    std::string targets = "[";
    const int32_t n = e.targets.Count();
    for (int32_t i = 0; i < n; ++i) {
        if (i > 0) targets += ',';
        targets += keyName(e.targets.codes[static_cast<size_t>(i)]);
    }
    Member(out, "keySpamTargets", targets + "]");
    Member(out, "keySpamChord", Bool(e.keySpam.chord.load() != 0));
    Member(out, "ksCap", "-1");
    Member(out, "reassigning", JsonEscape(SlotName(e.pendingSlot.load())));
    Member(out, "panelHover", Bool(x.panelHover));
    Member(out, "autoClicking", Bool(e.clickSpamming.load() != 0));
    Member(out, "keySpamming", Bool(e.keySpamming.load() != 0));
    Member(out, "canUndoContinue", Bool(x.canUndoContinue));
    return out + "}";
}

std::string StatusFromFileText(const std::string* text) {
    if (!text) return kIdleTrackerStatus;
    std::string line = text->substr(0, text->find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line.empty() ? std::string(kIdleTrackerStatus) : line;
}

}  // namespace velotap
