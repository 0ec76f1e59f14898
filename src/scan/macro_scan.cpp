// The scan driver: runs the catalogue, removes covered matches, orders them and sets the level.
#include "scan/macro_scan.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "macro/event_line.h"

namespace velotap {

namespace MacroScan {

namespace {

struct Overlap {
    std::string_view matched;
    std::string_view removed;
};

// A more specific match makes the general one redundant.
const std::vector<Overlap>& OverlapRules() {
    static const std::vector<Overlap> rules = {
        {"copy-paste-send", "copy-paste"},
        {"run-command", "system-keys"},
        {"start-launch", "system-keys"},
    };
    return rules;
}

bool Has(const std::vector<ScanMatch>& matches, std::string_view id) {
    return std::any_of(matches.begin(), matches.end(),
                       [id](const ScanMatch& m) { return m.id == id; });
}

bool IsDanger(const ScanMatch& match) {
    return match.severity == "DANGER";
}

// NaN would break the ordering; it sorts last among its severity.
double SortTime(const ScanMatch& match) {
    return std::isnan(match.atSec) ? HUGE_VAL : match.atSec;
}

}  // namespace

ScanResult ScanMacro(const std::vector<UnifiedEvent>& events) {
    ScanResult result;
    std::vector<KeyEv> keys = KeyDowns(events);
    if (keys.empty()) return result;

    std::vector<ScanMatch> matches;
    for (const Scenario& scenario : Scenarios()) {
        if (Has(matches, scenario.id)) continue;
        SeqResult found = scenario.detect(keys);
        if (found.matched) {
            matches.push_back(
                {scenario.id, scenario.severity, scenario.message, scenario.label, found.atSec});
        }
    }

    std::vector<std::string_view> removed;
    for (const Overlap& rule : OverlapRules()) {
        if (Has(matches, rule.matched)) removed.push_back(rule.removed);
    }
    std::erase_if(matches, [&removed](const ScanMatch& m) {
        return std::find(removed.begin(), removed.end(), m.id) != removed.end();
    });

    std::sort(matches.begin(), matches.end(),
              [](const ScanMatch& a, const ScanMatch& b) { return a.id < b.id; });
    std::stable_sort(matches.begin(), matches.end(), [](const ScanMatch& a, const ScanMatch& b) {
        if (IsDanger(a) != IsDanger(b)) return IsDanger(a);
        if (a.severity == b.severity) return SortTime(a) < SortTime(b);
        return false;
    });

    if (std::any_of(matches.begin(), matches.end(), IsDanger)) {
        result.level = "danger";
    } else if (!matches.empty()) {
        result.level = "caution";
    }
    result.matches = std::move(matches);
    return result;
}

std::string ScanResultToJson(const ScanResult& result) {
    std::string out = "{\"level\":\"" + result.level + "\",\"matches\":[";
    bool first = true;
    for (const ScanMatch& match : result.matches) {
        if (!first) out += ',';
        first = false;
        out += "{\"id\":\"" + match.id + "\",\"severity\":\"" + match.severity + "\",\"atSec\":";
        // JSON has no spelling for infinities or NaN; such a time can only come from a broken
        // caller, and must not make the whole document unreadable.
        if (std::isfinite(match.atSec)) {
            AppendGeneral6(out, match.atSec);
        } else {
            out += "null";
        }
        out += '}';
    }
    out += "]}";
    return out;
}

}  // namespace MacroScan

}  // namespace velotap
