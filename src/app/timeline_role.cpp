#include "app/timeline_role.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "app/data_folder.h"
#include "app/main_timeline.h"
#include "base/args.h"
#include "base/event.h"
#include "base/file_read.h"
#include "base/json.h"
#include "bridge/page_bridge.h"
#include "capture/tracker_status.h"
#include "engine/busy_notice.h"
#include "ipc/panels.h"
#include "platform/desktop.h"
#include "platform/file_replace.h"
#include "platform/instance_lock.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "timeline/edited_macro.h"
#include "timeline/timeline_exchange.h"
#include "timeline/timeline_placement.h"
#include "window/icon.h"
#include "window/main_window.h"
#include "window/page_assembly.h"

namespace velotap {

const char kTimelineCloseRequestedScript[] =
    "if (window.onTimelineCloseRequested) window.onTimelineCloseRequested();";
const char kTimelineMasterGoneScript[] =
    "if (window.onTimelineMasterGone) window.onTimelineMasterGone(); else "
    "window.tlCloseWindow('');";

namespace {

constexpr const char* kHandshakeFiles[] = {kTimelineLoadFile, kTimelineSaveFile,
                                           kTimelineResultFile};
constexpr const char kMissingPage[] =
    "<h2>Error loading the Timeline Editor (ui\\timeline.html is missing)</h2>";

std::string Trim(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

// Leftovers of an earlier editor are never taken for answers to this one.
void DeleteHandshakeFiles(const std::string& folder) {
    for (const char* name : kHandshakeFiles) {
        const std::string path = folder + "/" + name;
        std::remove(path.c_str());
        std::remove((path + ".tmp").c_str());
    }
}

// A poll: the file's answer for `nonce`, deleting the file it accepted; null otherwise.
std::string Poll(const std::string& path, size_t cap, const std::string& nonce,
                 std::optional<std::string> (*accept)(std::string_view, std::string_view)) {
    if (!IsTimelineNonce(nonce)) return "null";
    std::string text;
    if (ReadWholeFile(path, text, cap) != FileReadStatus::Ok) return "null";
    std::optional<std::string> answer = accept(text, nonce);
    if (!answer) return "null";
    std::remove(path.c_str());
    return *answer;
}

std::string Save(const std::string& args, const std::string& folder, const std::string& pipe) {
    const std::string text = Trim(args);
    if (text.size() < 2 || text.front() != '[' || text.back() != ']')
        return TimelineResultObject(false, "Malformed save request.");
    const std::string_view document = std::string_view(text).substr(1, text.size() - 2);
    const EditedMacro edited = ReadEditedMacro(document);
    if (!edited.error.empty()) return TimelineResultObject(false, "Not saved: " + edited.error);
    if (!ReplaceFileContents(folder + "/" + kTimelineSaveFile, document))
        return TimelineResultObject(false, "Couldn't write the edited macro to the data folder.");
    SendPipeCommand("applyTimelineEdit", edited.nonce, pipe);
    return TimelineResultObject(true, "");
}

std::string ReadPlacementText(const std::string& path) {
    std::string text;
    if (ReadWholeFile(path, text, 64) != FileReadStatus::Ok) return {};
    return text;
}

void RestorePlacement(WindowHost& host, const std::string& path) {
    const std::string text = ReadPlacementText(path);
    std::optional<Rect> area = host.WorkAreaNearest();
    std::optional<Rect> frame = host.FrameRect();
    if (text.empty() || !area || !frame) return;
    if (std::optional<EditorPlacement> p = EditorPlacementFromText(text, *area, *frame)) {
        host.MoveResize(p->frame);
        if (p->maximize) host.Maximize();
    }
}

// The driven program lets its editor be driven too, on the address the test gives it; otherwise
// an inspector address inherited from the main process must not open this page to anyone.
bool ChooseEditorAutomation() {
    std::optional<std::string> own = EnvironmentVariable("VELOTAP_EDITOR_INSPECTOR_SERVER");
    const bool inherited = EnvironmentVariable("WEBKIT_INSPECTOR_SERVER").has_value();
    if (own && !own->empty() && inherited) {
        SetEnvironmentValue("WEBKIT_INSPECTOR_SERVER", *own);
        return true;
    }
    UnsetEnvironmentVariable("WEBKIT_INSPECTOR_SERVER");
    return false;
}

// Every 2 s: is a main window still there? When it is gone the editor closes, or, with unsaved
// edits, tells the page once and leaves the closing to the user.
class MasterWatch {
  public:
    MasterWatch(WindowHost& host, TimelineEditorState& state)
        : desktop_(ConnectDesktop()), thread_([this, &host, &state] { Run(host, state); }) {}
    ~MasterWatch() { Stop(); }
    void Stop() {
        stop_.Set();
        if (thread_.joinable()) thread_.join();
    }

  private:
    void Run(WindowHost& host, TimelineEditorState& state) {
        while (WaitAny({&stop_}, std::chrono::seconds(2)) < 0) {
            if (!desktop_ || desktop_->FindTopLevel([](const std::string& title) {
                    return IsMainWindowTitle(title);
                })) {
                continue;
            }
            host.Dispatch([&host, &state] {
                if (state.dirty.exchange(false)) {
                    host.Eval(kTimelineMasterGoneScript);
                } else {
                    host.Close();
                }
            });
            return;
        }
    }

    std::unique_ptr<Desktop> desktop_;
    Event stop_{EventReset::Manual};
    std::thread thread_;
};

}  // namespace

std::string TimelineAutomationScript(bool busy, int64_t sequence) {
    const std::string n = std::to_string(sequence);
    return std::string("if (window.onTimelineAutomation) window.onTimelineAutomation(") +
           (busy ? "true" : "false") + ", '" + n +
           "'); else if (window.tlAckAutomation) window.tlAckAutomation('" + n + "');";
}

std::vector<Binding> TimelineEditorBindings(TimelineEditorState& state, WindowHost& host,
                                            ThemeStore& themes, const std::string& pipeName) {
    const std::string folder = themes.dataFolder;
    std::vector<Binding> b;
    b.push_back({"getSharedTheme", [&themes](const std::string&) {
                     return JsonEscape(ReadThemeTxt(themes.themeTxtPath));
                 }});
    b.push_back(
        {"getCustomThemes", [&themes](const std::string&) { return CustomThemesJson(themes); }});
    b.push_back({"tlGetStatus", [folder](const std::string&) {
                     std::string text;
                     const bool read =
                         ReadWholeFile(folder + "/status.txt", text) == FileReadStatus::Ok;
                     return StatusFromFileText(read ? &text : nullptr);
                 }});
    b.push_back({"tlRequestLoad", [pipeName](const std::string& args) {
                     const std::string nonce = FlattenArgs(args);
                     if (IsTimelineNonce(nonce)) SendPipeCommand("timelineExport", nonce, pipeName);
                     return std::string();
                 }});
    b.push_back({"tlReadLoad", [folder](const std::string& args) {
                     return Poll(folder + "/" + kTimelineLoadFile, kTimelineLoadCap,
                                 FlattenArgs(args), AcceptTimelineLoad);
                 }});
    b.push_back({"tlSave", [folder, pipeName](const std::string& args) {
                     return Save(args, folder, pipeName);
                 }});
    b.push_back({"tlReadResult", [folder](const std::string& args) {
                     return Poll(folder + "/" + kTimelineResultFile, kTimelineResultCap,
                                 FlattenArgs(args), AcceptTimelineResult);
                 }});
    b.push_back({"tlAckAutomation", [pipeName](const std::string& args) {
                     const std::string token = FlattenArgs(args);
                     if (IsTimelineAckToken(token)) SendPipeCommand("timelineAck", token, pipeName);
                     return std::string();
                 }});
    b.push_back({"tlGetAutomation", [&state](const std::string&) {
                     return std::string(state.busy.load() ? "true" : "false");
                 }});
    b.push_back({"tlSetDirty", [&state](const std::string& args) {
                     state.dirty.exchange(FlattenArgs(args) == "1");
                     return std::string();
                 }});
    b.push_back({"tlCloseWindow", [&state, &host](const std::string&) {
                     state.dirty.exchange(false);
                     host.Close();
                     return std::string();
                 }});
    return b;
}

int RunTimelineEditorWindow() {
    bool heldElsewhere = false;
    std::unique_ptr<InstanceLock> lock = TryAcquireInstanceLock(kTimelineEditorLock, heldElsewhere);
    if (heldElsewhere) {
        BringEditorForward();
        return 0;
    }
    const std::string dataFolder = GetDataFolder();
    const std::string executableFolder = ExecutableFolder();
    ThemeStore themes(dataFolder);
    RescanThemes(themes);
    DeleteHandshakeFiles(dataFolder);

    WindowHostOptions options;
    options.automation = ChooseEditorAutomation();
    options.title = kTimelineEditorTitle;
    options.width = kTimelineEditorWidth;
    options.height = kTimelineEditorHeight;
    options.minWidth = kTimelineEditorMinWidth;
    options.minHeight = kTimelineEditorMinHeight;
    std::string error;
    std::unique_ptr<WindowHost> host = CreateWindowHost(options, error);
    if (!host) {
        ShowErrorBox("Velotap", error);
        return 1;
    }
    WindowHost& window = *host;
    window.SetIcons(DrawAppIcon(32), DrawAppIcon(16));
    const std::string placementPath = dataFolder + "/" + kTimelinePlacementFile;
    RestorePlacement(window, placementPath);

    TimelineEditorState state;
    MasterWatch watch(window, state);
    window.OnCloseRequested([&] {
        if (state.dirty.load()) {
            window.Eval(kTimelineCloseRequestedScript);
            return false;
        }
        watch.Stop();
        if (std::optional<WindowPlacement> p = window.Placement())
            ReplaceFileContents(placementPath, EditorPlacementText(p->normal, p->maximized));
        return true;
    });
    window.OnWindowMessage([&](uint32_t message, uint64_t wparam, int64_t lparam) {
        if (message != kBusyNoticeMessage) return false;
        state.busy.exchange(wparam != 0);
        window.Eval(TimelineAutomationScript(wparam != 0, lparam));
        return true;
    });

    PageBridge bridge(window);
    for (const std::string& name : BindAll(bridge, TimelineEditorBindings(state, window, themes)))
        ShowErrorBox("Velotap", "The page function " + name + " is bound twice.");

    const std::string pagePath = executableFolder + "/ui/timeline.html";
    if (std::string html; ReadWholeFile(pagePath, html) == FileReadStatus::Ok) {
        window.SetHtml(AssemblePage(std::move(html), UiFolderReader(executableFolder)));
    } else {
        window.SetHtml(kMissingPage);
    }
    window.Run();
    watch.Stop();
    DeleteHandshakeFiles(dataFolder);
    return 0;
}

}  // namespace velotap
