// The fixed catalogue of risky key scenarios, in the order they are run.
#include <utility>

#include "platform/run_box.h"
#include "scan/macro_scan.h"

namespace velotap {

namespace MacroScan {

namespace {

// Windows virtual-key codes used by the detectors.
constexpr uint32_t kBackspace = 8, kTab = 9, kEnter = 13, kEsc = 27, kPrintScreen = 44,
                   kDelete = 46, kA = 65, kC = 67, kG = 71, kI = 73, kL = 76, kR = 82, kS = 83,
                   kT = 84, kV = 86, kW = 87, kX = 88, kY = 89, kF4 = 115, kF6 = 117;

constexpr auto Ctrl = ModFamily::Ctrl;
constexpr auto Alt = ModFamily::Alt;
constexpr auto Shift = ModFamily::Shift;
constexpr auto Win = ModFamily::Win;

KeyPredicate Bare(uint32_t vk) {
    return Combo({}, vk);
}

using Detector = std::function<SeqResult(const std::vector<KeyEv>&)>;

Detector Sequence(std::vector<KeyPredicate> steps, std::optional<double> window = std::nullopt) {
    return [steps = std::move(steps), window](const std::vector<KeyEv>& keys) {
        return MatchSequence(keys, steps, window);
    };
}

Detector Count(KeyPredicate predicate, size_t count, double window) {
    return [predicate = std::move(predicate), count, window](const std::vector<KeyEv>& keys) {
        return CountWithin(keys, predicate, count, window);
    };
}

Detector AdminApprove() {
    KeyPredicate approve = AnyOf({Combo({Ctrl, Shift}, kEnter), Combo({Alt}, kY)});
    std::vector<KeyPredicate> viaRun = {Combo({Win}, kR), approve};
    std::vector<KeyPredicate> viaStart = {IsBareWinKey, IsTypedKey, approve};
    return [viaRun = std::move(viaRun), viaStart = std::move(viaStart)](const auto& keys) {
        SeqResult first = MatchSequence(keys, viaRun, std::nullopt);
        return first.matched ? first : MatchSequence(keys, viaStart, std::nullopt);
    };
}

Detector TypeAndSend() {
    constexpr double kEnterWithin = 10.0;
    return [enter = Bare(kEnter)](const std::vector<KeyEv>& keys) -> SeqResult {
        TypingBurst burst = FindTypingBurst(keys);
        if (!burst.found) return {};
        for (size_t j = burst.eighthIndex + 1; j < keys.size(); ++j) {
            if (keys[j].event->time - burst.firstSec > kEnterWithin) break;
            if (enter(*keys[j].event, keys[j].mods)) return {true, burst.firstSec};
        }
        return {};
    };
}

// Win+R, or whatever opens this desktop's command box.
KeyPredicate OpensRunBox() {
    std::vector<KeyPredicate> shortcuts;
    for (const RunBoxShortcut& s : RunBoxShortcuts()) {
        std::vector<ModFamily> held;
        if (s.ctrl) held.push_back(Ctrl);
        if (s.alt) held.push_back(Alt);
        if (s.shift) held.push_back(Shift);
        if (s.win) held.push_back(Win);
        shortcuts.push_back(Combo(std::move(held), s.vk));
    }
    return AnyOf(std::move(shortcuts));
}

SeqResult FirstWinShortcut(const std::vector<KeyEv>& keys) {
    for (const KeyEv& key : keys) {
        if (key.mods.win && ModFamilyOf(key.event->vk) == ModFamily::None) {
            return {true, key.event->time};
        }
    }
    return {};
}

std::vector<Scenario> BuildCatalogue() {
    const KeyPredicate copyOrCut = AnyOf({Combo({Ctrl}, kC), Combo({Ctrl}, kX)});
    const KeyPredicate paste = Combo({Ctrl}, kV);
    const KeyPredicate deleteKey = AnyOf({Bare(kDelete), Bare(kBackspace)});
    std::vector<Scenario> list;
    auto add = [&list](const char* id, const char* severity, const char* label, const char* message,
                       Detector detect) {
        list.push_back({id, severity, label, message, std::move(detect)});
    };

    add("run-command", "DANGER", "Opens Run and executes",
        "Opens the Windows Run box, types something and presses Enter. This can start programs or "
        "run commands on your PC.",
        Sequence({OpensRunBox(), IsTypedKey, Bare(kEnter)}));
    add("admin-approve", "DANGER", "Approves admin permission",
        "Tries to run something as administrator and may approve the permission prompt.",
        AdminApprove());
    add("power-menu", "DANGER", "Opens the power menu",
        "Opens the Windows power menu and picks an item such as Terminal or Task Manager.",
        Sequence({Combo({Win}, kX), AnyOf({Bare(kI), Bare(kA), Bare(kT), Bare(kG)})}));
    add("start-launch", "DANGER", "Searches and launches",
        "Searches the Start menu and launches whatever it finds.",
        Sequence({IsBareWinKey, IsTypedKey, Bare(kEnter)}));
    add("copy-paste-send", "DANGER", "Copies, pastes and sends",
        "Copies something, pastes it somewhere else and presses Enter. It could send private text "
        "such as passwords or messages.",
        Sequence({copyOrCut, paste, Bare(kEnter)}));
    add("screenshot-paste", "DANGER", "Screenshots and pastes",
        "Takes a screenshot and pastes it somewhere. It could share what is on your screen.",
        Sequence({AnyOf({Bare(kPrintScreen), Combo({Win, Shift}, kS), Combo({Alt}, kPrintScreen)}),
                  paste}));
    add("select-all-delete", "DANGER", "Selects all and deletes",
        "Selects everything and deletes it.", Sequence({Combo({Ctrl}, kA), deleteKey}));
    add("permanent-delete", "DANGER", "Permanently deletes",
        "Permanently deletes the selection and skips the Recycle Bin.",
        Sequence({Combo({Shift}, kDelete)}));
    add("wipe-and-save", "DANGER", "Replaces and overwrites a file",
        "Replaces a document's contents and saves over it.",
        Sequence({Combo({Ctrl}, kA), AnyOf({Bare(kDelete), Bare(kBackspace), IsTypedKey}),
                  Combo({Ctrl}, kS)}));
    add("open-address", "CAUTION", "Opens a web address", "Types a web address and opens it.",
        Sequence({AnyOf({Combo({Ctrl}, kL), Bare(kF6)}), IsTypedKey, Bare(kEnter)}, 30.0));
    add("copy-paste", "CAUTION", "Copies and pastes",
        "Copies something and pastes it into another place.", Sequence({copyOrCut, paste}, 60.0));
    add("type-and-send", "CAUTION", "Types and presses Enter",
        "Types text and presses Enter. It could send a message or submit a form.", TypeAndSend());
    add("close-windows", "CAUTION", "Closes windows",
        "Closes windows or tabs. You could lose unsaved work.",
        Count(AnyOf({Combo({Alt}, kF4), Combo({Ctrl}, kW)}), 2, 30.0));
    add("task-manager", "CAUTION", "Opens Task Manager",
        "Opens Task Manager or the security screen.",
        Sequence({AnyOf({Combo({Ctrl, Shift}, kEsc), Combo({Ctrl, Alt}, kDelete)})}));
    add("switch-windows", "CAUTION", "Switches windows",
        "Switches between your open windows, so its keys and clicks may land somewhere unexpected.",
        Count(Combo({Alt}, kTab), 3, 10.0));
    add("system-keys", "CAUTION", "Uses Windows shortcuts", "Uses Windows system shortcuts.",
        FirstWinShortcut);
    return list;
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> catalogue = BuildCatalogue();
    return catalogue;
}

}  // namespace MacroScan

}  // namespace velotap
