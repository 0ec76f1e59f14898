#include "profiles/macro_import.h"

#include <gtest/gtest.h>

#include <atomic>
#include <regex>
#include <thread>

#include "app/bindings.h"
#include "base/json.h"
#include "platform/fake/fake_file_dialogs.h"
#include "profiles/profile_settings.h"
#include "support/fake_page.h"
#include "support/subprocess.h"

namespace velotap {

namespace {

constexpr const char* kDefaults = "0,0,0,5,0,0,1,10,0,0,0,0,0,0,5,1,10,32,32,0";
// The importer's own tool settings, unlike any file's below.
constexpr const char* kImporter = "9,9,9,9,0,0,1,10,0,5,6,0,1,2,3,1,7,65,65|66,1";
constexpr const char* kGlobalLine =
    "0,0,0,5,0,0,1,10,0,0,0,1,1,1,1,0,1,0,500,119,118,0,117,0,0,0,5,1,10,120,32,32,0,0,0,121";
// Win+R, typing and Enter: the scanner flags it.
constexpr const char* kRiskyEvents =
    "3,1,0,0,0,91,1,0\r\n3,1.1,0,0,0,82,1,0\r\n3,1.2,0,0,0,82,0,0\r\n3,1.3,0,0,0,91,0,0\r\n"
    "3,2,0,0,0,67,1,0\r\n3,2.1,0,0,0,67,0,0\r\n3,3,0,0,0,13,1,0\r\n3,3.1,0,0,0,13,0,0\r\n";

class MacroImportTest : public testing::Test {
  protected:
    MacroImportTest() {
        LoadProfileSettings(state, kImporter);
        state.holdAuto.store(1);
        state.recorder.tloopMs.store(750);
        CopySettingsToProfile(profiles, state);
    }

    MacroImportContext Context() {
        return {profiles,
                state,
                held,
                dialogs,
                [] { return std::string(kGlobalLine); },
                [this](const std::string& script) { posted.push_back(script); }};
    }

    // Imports the file with this text through the dialog and returns importProfile's answer.
    std::string ImportText(const std::string& text, const std::string& fileName = "m.vtpmacro") {
        dialogs.openAnswers.push_back(dir.Write(fileName, text));
        MacroImportContext context = Context();
        return ImportProfile(context);
    }

    std::string PendingId() {
        MacroImportContext context = Context();
        return JsonLookup(GetPendingMacroImport(context), "pendingId");
    }

    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const Profile& p : profiles.profiles)
            names.push_back(p.name);
        return names;
    }

    TempDir dir;
    ProfileList profiles;
    EngineState state;
    HeldImport held;
    FakeFileDialogs dialogs;
    std::vector<std::string> posted;
};

}  // namespace

TEST_F(MacroImportTest, FileSettingsBecomeTheNewProfilesSettings) {
    struct Case {
        const char* file;
        const char* profileSettings;
        const char* liveAfter;
    } cases[] = {
        {"Stranger\r\nSETTINGS:1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67,0,0,1,"
         "88,0,4,68,69,69|70,1,1,1\r\n0,0.5,10,10,0,0,0\r\n",
         "1,2,3,77,1,1,0,9,1,100,200,0,0,1,88,0,4,69,69|70,1", kImporter},
        {"Old\nSETTINGS:1,2,3,77,1,1,0,9,1,100,200,0,0,0,0,1,3.0,1,500,65,66,0,67\n"
         "0,0.5,10,10,0,0,0\n",
         "1,2,3,77,1,1,0,9,1,100,200,0,1,2,3,1,7,65,65,0", kImporter},
        {"Bare\r\n0,0.5,10,10,0,0,0\r\n", kDefaults, kDefaults},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        LoadProfileSettings(state, kImporter);
        EXPECT_EQ(ImportText(c.file), R"({"outcome":"imported"})");
        const Profile& added = profiles.profiles.back();
        EXPECT_EQ(added.settings, c.profileSettings);
        ASSERT_EQ(added.macro.size(), 1u);
        EXPECT_EQ(added.macro[0], (UnifiedEvent{0, 0.5, 10, 10, 0, 0, false, 0}));
        EXPECT_EQ(profiles.currentIndex, static_cast<int32_t>(profiles.profiles.size() - 1));
        EXPECT_EQ(ProfileSettingsLine(state), c.liveAfter);
        // Hold modes and recorder settings never come from a file.
        EXPECT_EQ(state.holdAuto.load(), 1);
        EXPECT_EQ(state.recorder.tloopMs.load(), 750);
    }
    EXPECT_EQ(Names(), (std::vector<std::string>{kDefaultProfileName, "Stranger (Imported)",
                                                 "Old (Imported)", "Bare (Imported)"}));
    EXPECT_TRUE(posted.empty());
}

TEST_F(MacroImportTest, RepeatedImportsGetNumberedNames) {
    for (int i = 0; i < 3; ++i)
        ImportText("Walk\r\n0,0.5,10,10,0,0,0,0\r\n");
    MacroImportContext context = Context();
    // A file handed over keeps its own name.
    const std::string path = dir.Write("h.vtpmacro", "Walk (Imported)\r\n");
    EXPECT_EQ(ImportMacroPath(context, path, ImportSource::HandedOver).kind,
              ImportOutcome::Kind::Imported);
    EXPECT_EQ(Names(), (std::vector<std::string>{kDefaultProfileName, "Walk (Imported)",
                                                 "Walk (Imported) (2)", "Walk (Imported) (3)",
                                                 "Walk (Imported) (4)"}));
}

TEST_F(MacroImportTest, StartupFileKeepsItsNameAndAlertsWhenUnreadable) {
    MacroImportContext context = Context();
    EXPECT_EQ(ImportStartupMacro(context, dir.Write("a.vtpmacro", "\r\n")), kMacroUnreadableAlert);
    EXPECT_EQ(ImportStartupMacro(context, dir.File("gone.vtpmacro")), kMacroUnreadableAlert);
    EXPECT_EQ(
        ImportStartupMacro(context, dir.Write("b.vtpmacro", std::string("Run\n") + kRiskyEvents)),
        "");
    EXPECT_EQ(profiles.profiles.size(), 1u);
    ConfirmMacroImport(context, PendingId());
    EXPECT_EQ(Names(), (std::vector<std::string>{kDefaultProfileName, "Run"}));
}

TEST_F(MacroImportTest, RefusedAndUnreadableFilesChangeNothing) {
    struct Case {
        const char* fileName;  // null: the dialog is cancelled; "-": a file that does not exist
        const char* text;
        const char* answer;
    } cases[] = {
        {nullptr, "", R"({"outcome":"cancelled"})"},
        {"old.MCR", "Walk\r\n",
         R"({"outcome":"error","message":".mcr files are no longer supported. Re-export that )"
         R"(profile as .vtpmacro from whatever version of Velotap created it, then import that )"
         R"(instead."})"},
        {"-", "", R"({"outcome":"error","message":"Couldn't open that macro file."})"},
        {"noname.vtpmacro", "\r\n0,0.5,10,10,0,0,0\r\n",
         R"({"outcome":"error","message":"That macro file is missing its profile name."})"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        MacroImportContext context = Context();
        std::string answer;
        if (c.fileName == nullptr) {
            answer = ImportProfile(context);
        } else if (std::string(c.fileName) == "-") {
            dialogs.openAnswers.push_back(dir.File("missing.vtpmacro"));
            answer = ImportProfile(context);
        } else {
            answer = ImportText(c.text, c.fileName);
        }
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(profiles.profiles.size(), 1u);
        EXPECT_EQ(GetPendingMacroImport(context), R"({"outcome":"none"})");
    }
    ASSERT_EQ(dialogs.openRequests.size(), 4u);
    EXPECT_EQ(dialogs.openRequests[0].filters[0].name, "Velotap Macro (*.vtpmacro)");
    EXPECT_EQ(dialogs.openRequests[0].filters[1].pattern, "*.*");
}

// The settings chord Win+R once; a tool event starts the key spammer; a command typed slowly and
// Enter follow. Played, that runs the command: it waits for review like any risky macro.
TEST_F(MacroImportTest, KeySpammerStartedByTheMacroIsScannedWithTheFilesTargets) {
    const std::string events =
        "5,0.5,0,0,0,2,1,0\r\n3,2,0,0,0,67,1,0\r\n3,2.1,0,0,0,67,0,0\r\n3,4,0,0,0,77,1,0\r\n"
        "3,4.1,0,0,0,77,0,0\r\n3,6,0,0,0,68,1,0\r\n3,6.1,0,0,0,68,0,0\r\n3,8,0,0,0,13,1,0\r\n";
    auto file = [&](const char* targets) {
        return std::string(
                   "Chord\r\nSETTINGS:0,0,0,5,0,0,1,10,0,1,1,1,1,1,1,0,1,0,500,119,118,0,117,"
                   "0,0,0,5,0,1,120,") +
               targets + ",1,0,0,121\r\n" + events;
    };
    EXPECT_EQ(JsonLookup(ImportText(file("91,91|82")), "level"), "danger");
    EXPECT_EQ(ImportText(file("16,16|65")), R"({"outcome":"imported"})");
}

TEST_F(MacroImportTest, RiskyImportWaitsForTheRightId) {
    const std::string answer = ImportText(std::string("Risky\r\n") + kRiskyEvents);
    const std::string id = PendingId();
    EXPECT_TRUE(std::regex_match(id, std::regex("[0-9a-f]{32}"))) << id;
    EXPECT_EQ(answer,
              R"({"outcome":"pending","pendingId":")" + id +
                  R"(","level":"danger","matches":[{"severity":"DANGER","message":"Searches the )"
                  R"(Start menu and launches whatever it finds.","atSec":1},{"severity":"DANGER",)"
                  R"("message":"Opens the Windows Run box, types something and presses Enter. )"
                  R"(This can start programs or run commands on your PC.","atSec":1.1}]})");
    MacroImportContext context = Context();
    EXPECT_EQ(GetPendingMacroImport(context), answer);
    EXPECT_EQ(profiles.profiles.size(), 1u);

    // Stale, partial or differently cased ids leave it held.
    for (std::string other : {std::string("0123"), id.substr(1), id + "0", std::string()}) {
        ConfirmMacroImport(context, other);
        CancelMacroImport(context, other);
    }
    EXPECT_EQ(GetPendingMacroImport(context), answer);
    EXPECT_EQ(profiles.profiles.size(), 1u);
    EXPECT_TRUE(posted.empty());

    ConfirmMacroImport(context, id);
    EXPECT_EQ(Names(), (std::vector<std::string>{kDefaultProfileName, "Risky (Imported)"}));
    EXPECT_EQ(profiles.currentIndex, 1);
    EXPECT_EQ(profiles.profiles[1].macro.size(), 8u);
    EXPECT_EQ(posted, (std::vector<std::string>{kProfileImportedScript}));
    EXPECT_EQ(GetPendingMacroImport(context), R"({"outcome":"none"})");
    ConfirmMacroImport(context, id);  // already taken
    EXPECT_EQ(profiles.profiles.size(), 2u);
    EXPECT_EQ(posted.size(), 1u);
}

TEST_F(MacroImportTest, CancelDiscardsAndANewerImportReplacesTheHeldOne) {
    MacroImportContext context = Context();
    ImportText(std::string("First\r\n") + kRiskyEvents);
    const std::string first = PendingId();
    ImportText(std::string("Second\r\n") + kRiskyEvents);
    const std::string second = PendingId();
    EXPECT_NE(first, second);

    ConfirmMacroImport(context, first);
    EXPECT_EQ(profiles.profiles.size(), 1u);
    CancelMacroImport(context, second);
    EXPECT_EQ(GetPendingMacroImport(context), R"({"outcome":"none"})");
    ConfirmMacroImport(context, second);
    EXPECT_EQ(profiles.profiles.size(), 1u);
    EXPECT_TRUE(posted.empty());

    ImportText(std::string("Third\r\n") + kRiskyEvents);
    ConfirmMacroImport(context, PendingId());
    EXPECT_EQ(Names(), (std::vector<std::string>{kDefaultProfileName, "Third (Imported)"}));
}

TEST(MacroImportDocuments, PendingDocument) {
    std::vector<MacroScan::ScanMatch> matches{
        {"a", "DANGER", R"(Says "hi" \ bye)", "A", 12.5},
        {"b", "CAUTION", "Plain.", "B", 3.0},
        {"c", "CAUTION", "Tiny.", "C", 0.1234567},
        {"d", "CAUTION", "Late.", "D", 1234567.0},
    };
    EXPECT_EQ(PendingDocument("00ff", "danger", matches),
              R"({"outcome":"pending","pendingId":"00ff","level":"danger","matches":[)"
              R"({"severity":"DANGER","message":"Says \"hi\" \\ bye","atSec":12.5},)"
              R"({"severity":"CAUTION","message":"Plain.","atSec":3},)"
              R"({"severity":"CAUTION","message":"Tiny.","atSec":0.123457},)"
              R"({"severity":"CAUTION","message":"Late.","atSec":1.23457e+06}]})");
    EXPECT_EQ(PendingDocument("1", "none", {}),
              R"({"outcome":"pending","pendingId":"1","level":"none","matches":[]})");
    EXPECT_EQ(ErrorOutcome("Bad \"x\"\n"), R"({"outcome":"error","message":"Bad \"x\"\n"})");
}

TEST(MacroImportDocuments, PendingIdsAreTheTopBitsOf32Outputs) {
    std::mt19937_64 a(7), b(7);
    std::string expected;
    for (int i = 0; i < 32; ++i)
        expected += "0123456789abcdef"[b() >> 60];
    EXPECT_EQ(NewPendingId(a), expected);

    HeldImport one, two;  // each seeded from the random device
    const std::string x = NewPendingId(one.idSource);
    EXPECT_TRUE(std::regex_match(x, std::regex("[0-9a-f]{32}"))) << x;
    EXPECT_NE(x, NewPendingId(two.idSource));
    EXPECT_NE(x, NewPendingId(one.idSource));
}

TEST_F(MacroImportTest, ExportWritesTheCurrentProfileWithoutHoldingTheLock) {
    profiles.profiles.push_back(
        {"Route \"7\"",
         "",
         {{0, 0.25, 3, -4, 0, 0, false, 0}, {3, 1234.5678, 0, 0, 0, 65, true, 0}}});
    profiles.currentIndex = 1;
    const std::string path = dir.File("out.vtpmacro");
    dialogs.saveAnswers.push_back(path);
    std::atomic<bool> lockFree{false};
    dialogs.whileOpen = [&] {
        std::thread other([&] {
            if (profiles.lock.try_lock()) {
                lockFree = true;
                profiles.lock.unlock();
            }
        });
        other.join();
    };
    MacroImportContext context = Context();
    EXPECT_EQ(ExportProfile(context), "");
    EXPECT_TRUE(lockFree);
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    EXPECT_EQ(dialogs.saveRequests[0].defaultExtension, "vtpmacro");
    EXPECT_EQ(ReadWholeFile(path), std::string("Route \"7\"\r\nSETTINGS:") + kGlobalLine +
                                       "\r\n0,0.25,3,-4,0,0,0,0\r\n3,1234.57,0,0,0,65,1,0\r\n");

    // The file imports back as a copy with the exporter's tool settings.
    dialogs.openAnswers.push_back(path);
    EXPECT_EQ(ImportProfile(context), R"({"outcome":"imported"})");
    EXPECT_EQ(profiles.profiles.back().name, "Route \"7\" (Imported)");
    EXPECT_EQ(profiles.profiles.back().settings, kDefaults);
    EXPECT_EQ(profiles.profiles.back().macro[1].time, 1234.57);

    // Cancelled: nothing written.
    const size_t before = ReadWholeFile(path).size();
    EXPECT_EQ(ExportProfile(context), "");
    EXPECT_EQ(ReadWholeFile(path).size(), before);
}

TEST_F(MacroImportTest, ExportFailuresAreReported) {
    MacroImportContext context = Context();
    dialogs.saveAnswers.push_back(dir.File("no-such-folder/out.vtpmacro"));
    EXPECT_EQ(ExportProfile(context), R"("Couldn't save that macro file.")");
}

TEST_F(MacroImportTest, ImportDuringRecordingLeavesTheRecordingProfileCurrent) {
    state.recording.store(1);
    EXPECT_EQ(ImportText("Bare\r\n0,0.5,10,10,0,0,0\r\n"), R"({"outcome":"imported"})");
    EXPECT_EQ(profiles.currentIndex, 0);
    EXPECT_EQ(profiles.profiles.back().settings, kDefaults);
    EXPECT_EQ(ProfileSettingsLine(state), kImporter);
}

TEST_F(MacroImportTest, BoundFunctionsFlattenTheirArguments) {
    FakePage page;
    BindAll(page.bridge, MacroImportBindings(Context()));
    EXPECT_EQ(page.bridge.BoundNames(),
              (std::vector<std::string>{"exportProfile", "importProfile", "confirmMacroImport",
                                        "cancelMacroImport", "getPendingMacroImport"}));
    dialogs.openAnswers.push_back(dir.Write("r.vtpmacro", std::string("R\r\n") + kRiskyEvents));
    const std::string pending = page.Call("importProfile");
    EXPECT_EQ(page.Call("getPendingMacroImport"), pending);
    EXPECT_EQ(page.Call("confirmMacroImport", "[\"" + PendingId() + "\"]"), "");
    EXPECT_EQ(profiles.profiles.size(), 2u);
    EXPECT_EQ(page.Call("getPendingMacroImport"), R"({"outcome":"none"})");
    EXPECT_EQ(page.Call("importProfile"), R"({"outcome":"cancelled"})");
}

}  // namespace velotap
