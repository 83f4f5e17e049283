// The component frame: texts, exceptions, reporting, progress dispatch, properties and their
// setters, the wait cursor and temporary names.
#include <gtest/gtest.h>

#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

using platform::MB_OK;

TEST(MessageTable, HoldsEveryTextExactly) {
    EXPECT_EQ(BuiltInZipStrCount(), 160u);
    EXPECT_EQ(BuiltInZipStr(msg::PasswordMismatch), "Error - passwords do NOT match\nPassword ignored");
    EXPECT_EQ(BuiltInZipStr(msg::Copying), "Copying: ");
    EXPECT_EQ(BuiltInZipStr(msg::ListUnknownError), "Unknown error in List() function\n");
    EXPECT_EQ(BuiltInZipStr(msg::InsertDiskOf), "Please insert disk volume %.1d of %.1d");
    EXPECT_EQ(BuiltInZipStr(msg::StepLoadingDirectory), "*Loading Directory");
    EXPECT_EQ(BuiltInZipStr(msg::TraceGetNewDisk), "Trace : GetNewDisk Opening: %s");
    EXPECT_EQ(BuiltInZipStr(10114), "");  // a gap in the numbering
    EXPECT_EQ(BuiltInZipStr(9999), "");
    EXPECT_EQ(LoadZipStrFmt(msg::InsertDiskOf, {2, 3}), "Please insert disk volume 2 of 3");
    EXPECT_EQ(LoadZipStrFmt(msg::NthDiskOfSet, {4}),
              "This is the 4th disk in a backup set,\nplease insert the last disk of this set");
    EXPECT_EQ(LoadZipStrDef(12345, "fallback"), "fallback");
}

TEST(MessageTable, HookIsAskedFirstAndTableFillsTheRest) {
    SetZipStrHook([](int32_t id, std::string& text) {
        if (id == msg::NotActive) {
            text = "nem aktív";
        }
    });
    EXPECT_EQ(LoadZipStr(msg::NotActive), "nem aktív");
    EXPECT_EQ(LoadZipStr(msg::BusyPleaseWait), " Busy, Please wait");
    SetZipStrHook({});
    EXPECT_EQ(LoadZipStr(msg::NotActive), "not Active");
}

TEST(FormatText, FillsSpecifiersAndSurvivesBadFormats) {
    EXPECT_EQ(FormatText("%d of %.3d, %s%%", {7, 5, "x"}), "7 of 005, x%");
    EXPECT_EQ(FormatText("%5s|%-3d|%x", {"ab", 4, 255}), "   ab|4  |ff");
    EXPECT_EQ(FormatText("missing %s and %d", {}), "missing  and ");
    EXPECT_EQ(FormatText("%d", {"text"}), "text");
    EXPECT_EQ(FormatText("odd %q %", {1}), "odd %q %");
}

TEST(EDozErozevTest, ConstructorsFillTextsAndFallbacks) {
    const std::string fallback = "\nZidAraRU.res is probably not linked to the executable";
    EDozErozev byId(msg::NotActive, false);
    EXPECT_EQ(byId.Message(), "not Active");
    EXPECT_FALSE(byId.DisplayMsg());
    EXPECT_EQ(byId.ResId(), msg::NotActive);
    EXPECT_EQ(EDozErozev(12345, true).Message(), "id = 12345 " + fallback);

    EDozErozev withArgs(msg::IndexOutOfRange, {3, 2});
    EXPECT_EQ(withArgs.Message(), "Index (3) outside range 1..2");
    EXPECT_TRUE(withArgs.DisplayMsg());
    EXPECT_EQ(EDozErozev(12345, {1}).Message(), "id = 12345 " + fallback);

    EXPECT_EQ(EDozErozev(msg::NthDiskOfSet, DiskArg{3}).Message(),
              "This is the 3th disk in a backup set,\nplease insert the last disk of this set");
    EXPECT_EQ(EDozErozev(12345, DiskArg{4}).Message(), "id = 12345 [disk = 4]" + fallback);
    EXPECT_EQ(EDozErozev(msg::InvalidDrive, DriveArg{"1:\\"}).Message(), "Not a valid drive: 1:\\");
    EXPECT_EQ(EDozErozev(12345, DriveArg{"A:"}).Message(), "id = 12345 [drive = A:]" + fallback);

    EDozErozev byText("plain text", false);
    EXPECT_EQ(byText.Message(), "plain text");
    EXPECT_EQ(byText.ResId(), 0);
    EXPECT_FALSE(byText.DisplayMsg());
}

TEST(Reporting, MessagesGoToBoxAndEventUnlessUnattended) {
    Harness h;
    h.zip.SetApplicationTitle("Teszt");
    h.Engine().ShowZipMessage(12345, "extra");
    const std::string missing =
        "ZidAraRU.res is probably not linked to the executable\nMissing String ID is: 12345 extra";
    ASSERT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.boxes[0].text, missing);
    EXPECT_EQ(h.ui.boxes[0].caption, "Teszt");
    EXPECT_EQ(h.ui.boxes[0].flags, uint32_t{MB_OK});
    ASSERT_EQ(h.messages.size(), 1u);
    EXPECT_EQ(h.messages[0], std::make_pair(12345, missing));
    EXPECT_EQ(h.zip.ErrCode(), 12345);
    EXPECT_EQ(h.Engine().LastMessage, missing);

    h.Engine().ShowExceptionError(EDozErozev(msg::UserCanceled, false));
    EXPECT_EQ(h.ui.boxes.size(), 1u);  // the exception asked for no box
    EXPECT_EQ(h.zip.ErrCode(), msg::UserCanceled);

    h.Engine().Options.Unattended = true;
    h.Engine().ShowZipMessage(msg::ZipOpenError);
    h.Engine().ShowExceptionError(EDozErozev(msg::NotValidZip, true));
    EXPECT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.MessageIds(),
              (std::vector<int32_t>{12345, msg::UserCanceled, msg::ZipOpenError, msg::NotValidZip}));
}

TEST(Properties, DefaultsAndSetterRules) {
    Harness h;
    TDozErozev& z = h.zip;
    EXPECT_TRUE(z.Active());
    EXPECT_EQ(z.AddCompLevel(), 9);
    EXPECT_EQ(z.AddStoreSuffixes(), AddStoreExts::Range(assGIF, assJAR));
    EXPECT_FALSE(z.AddStoreSuffixes().Contains(assEXE));
    EXPECT_EQ(z.CodePage(), cpAuto);
    EXPECT_EQ(z.HowToDelete(), htdAllowUndo);
    EXPECT_EQ(z.PasswordReqCount(), 1u);
    EXPECT_EQ(z.MinFreeVolumeSize(), 65536);
    EXPECT_TRUE(z.ConfirmErase());
    EXPECT_EQ(z.SFXPath(), "ZEZIZEZ.BIN");
    EXPECT_EQ(z.SFXOverWriteMode(), OvrConfirm);
    EXPECT_EQ(z.ErrCode(), -1);
    EXPECT_EQ(z.Count(), 0);

    z.SetPasswordReqCount(40);
    EXPECT_EQ(z.PasswordReqCount(), 15u);
    z.SetVersionInfo("2.00");
    EXPECT_EQ(z.VersionInfo(), "1.77");

    z.SetSFXOptions({SFXCheckSize});
    EXPECT_TRUE(z.SFXOptions().Empty());
    z.SetSFXOptions({SFXAskFiles, SFXAutoRun, SFXNoSuccessMsg});
    EXPECT_EQ(z.Engine().SFX.OptionsWord, 0x0002 | 0x0008 | 0x0010);
    EXPECT_EQ(z.SFXOptions(), (SFXOpts{SFXAskFiles, SFXAutoRun, SFXNoSuccessMsg}));
    z.Engine().SFX.OptionsWord = 0x0501;  // as read from an executable
    EXPECT_EQ(z.SFXOptions(), SFXOpts{SFXAskCmdLine});

    z.SetSFXMessage("\x01Kibontás?");
    EXPECT_EQ(z.SFXMessage(), "Kibontás?");
    EXPECT_EQ(z.Engine().SFX.MessageStyle, 0x41u);
    z.SetSFXMessage("\x02Igen?");
    EXPECT_EQ(z.Engine().SFX.MessageStyle, 0x24u);
    z.SetSFXMessage("Sima");
    EXPECT_EQ(z.Engine().SFX.MessageStyle, 0u);

    const std::pair<OvrOpts, uint8_t> modes[] = {{OvrAlways, 0}, {OvrNever, 1}, {OvrConfirm, 2}};
    for (auto [mode, code] : modes) {
        z.SetSFXOverWriteMode(mode);
        EXPECT_EQ(z.Engine().SFX.OverwriteByte, code);
        EXPECT_EQ(z.SFXOverWriteMode(), mode);
    }
    z.Engine().SFX.OverwriteByte = 7;
    EXPECT_EQ(z.SFXOverWriteMode(), OvrConfirm);

    z.SetErrCode(42);
    EXPECT_EQ(z.ErrCode(), 42);
    z.SetActive(false);
    EXPECT_EQ(z.ErrCode(), msg::NotActive);
    z.SetActive(true);
    EXPECT_EQ(z.ErrCode(), 42);

    z.SetCancel(true);
    EXPECT_TRUE(z.Cancel());
    EXPECT_EQ(z.Engine().Cancel, 1);
}

TEST(Properties, ExtAddStoreSuffixesAreNormalised) {
    Harness h;
    TDozErozev& z = h.zip;
    z.SetExtAddStoreSuffixes("doc;.TXT");
    EXPECT_EQ(z.ExtAddStoreSuffixes(), ".doc:.txt:");
    EXPECT_TRUE(z.AddStoreSuffixes().Contains(assEXT));
    z.SetExtAddStoreSuffixes(";A,,b:");
    EXPECT_EQ(z.ExtAddStoreSuffixes(), ".:.a:.:.b:");
    z.SetExtAddStoreSuffixes("");
    EXPECT_EQ(z.ExtAddStoreSuffixes(), "");
    EXPECT_FALSE(z.AddStoreSuffixes().Contains(assEXT));
    EXPECT_TRUE(z.AddStoreSuffixes().Contains(assJAR));
}

TEST(ProgressDetailsTest, PercentagesTruncateInTheirArithmetic) {
    TProgressDetails d;
    EXPECT_EQ(d.ItemPerCent(), 0u);
    d.ItemSize = 1000;
    d.ItemDone = 999;
    EXPECT_EQ(d.ItemPerCent(), 99u);
    d.ItemSize = 4000000000u;
    d.ItemDone = 3999999999u;
    EXPECT_EQ(d.ItemPerCent(), 99u);
    d.ItemSize = 0;
    EXPECT_EQ(d.ItemPerCent(), 0u);
    EXPECT_EQ(d.TotalPerCent(), 0);
    d.TotalSize = 3;
    d.TotalDone = 2;
    EXPECT_EQ(d.TotalPerCent(), 66);
    d.TotalSize = int64_t{1} << 40;
    d.TotalDone = int64_t{1} << 39;
    EXPECT_EQ(d.TotalPerCent(), 50);
}

// Records the events of the progress dispatch as text lines.
struct ProgressLog {
    explicit ProgressLog(TDozErozev& zip) {
        zip.OnProgress = [this](TObject*, ProgressType type, const std::string& name, int32_t size) {
            lines.push_back("progress " + std::to_string(type) + " '" + name + "' " + std::to_string(size));
        };
        zip.OnItemProgress = [this](TObject*, const std::string& item, uint32_t total, int32_t perCent) {
            lines.push_back("item '" + item + "' " + std::to_string(total) + " " + std::to_string(perCent));
        };
        zip.OnTotalProgress = [this](TObject*, int32_t total, int32_t perCent) {
            lines.push_back("total " + std::to_string(total) + " " + std::to_string(perCent));
        };
        zip.OnProgressDetails = [this](TObject* sender, const TProgressDetails& d) {
            lines.push_back("details " + std::to_string(d.LastKind) + (sender == owner ? " owner" : ""));
        };
        zip.OnTick = [this](TObject*) { lines.push_back("tick"); };
    }
    std::vector<std::string> Take() { return std::exchange(lines, {}); }

    std::vector<std::string> lines;
    const TObject* owner = nullptr;
};

TEST(Reporting, ProgressKindsDriveTheEventsAndDetails) {
    TObject owner;
    platform::ScriptedInteraction ui;
    platform::ScopedInteraction scope(ui);
    TDozErozev zip(&owner);
    ProgressLog log(zip);
    log.owner = &owner;
    TZipBase& engine = zip.Engine();
    const TProgressDetails& d = engine.Details;

    engine.ReportProgress(pkItemCount, 0, 2, {});
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"details 3", "progress 3 '' 2"}));
    EXPECT_EQ(d.TotalCount, 2);
    engine.ReportProgress(pkTotalBytes, 0, 3000, {});
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"details 4 owner", "progress 4 '' 3000"}));
    engine.ReportProgress(pkItemStart, 0, 1000, "a.txt");
    EXPECT_EQ(log.Take(),
              (std::vector<std::string>{"progress 0 'a.txt' 1000", "details 0", "item 'a.txt' 1000 0"}));
    EXPECT_EQ(d.ItemNumber, 1);
    engine.ReportProgress(pkItemBytes, 0, 999, {}, 400);
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"progress 1 '' 999", "details 1", "item 'a.txt' 999 99",
                                                    "total 3000 33"}));
    EXPECT_EQ(d.BytesWritten, 400);
    engine.ReportProgress(pkItemEnd, 0, 0, {});
    EXPECT_EQ(log.Take(),
              (std::vector<std::string>{"progress 2 '' 0", "details 2", "item '' 0 101", "total 0 101"}));
    engine.ReportProgress(pkEngineItemStart, stepLoadingDirectory, 10, "ignored");
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"progress 5 'ignored' 10", "details 5",
                                                    "item '*Loading Directory' 10 0"}));
    engine.ReportProgress(pkEngineItemBytes, stepLoadingDirectory, 5, {});
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"progress 6 '*Loading Directory' 5", "details 6",
                                                    "item '*Loading Directory' 10 50"}));
    engine.ReportProgress(pkEngineItemStart, 77, 1, "own name");
    EXPECT_EQ(d.ItemName, "own name");  // 11477 has no text
    engine.ReportProgress(pkTick, 0, 0, {});
    engine.ReportProgress(pkAfterCallbackOnly, 0, 0, {});
    EXPECT_EQ(log.Take().back(), "tick");
    EXPECT_EQ(ui.pendingEventCalls, 10);
}

TEST(Reporting, MessageKindKeepsTheLowByteAsErrCode) {
    Harness h;
    TZipBase& engine = h.Engine();
    engine.ReportProgress(pkMessage, 0, 0, "info");
    EXPECT_EQ(h.messages.back(), std::make_pair(0, std::string("info")));
    EXPECT_EQ(engine.ErrCode, -1);
    engine.ReportProgress(pkMessage, 0x1FE, 0, "bad");
    EXPECT_EQ(engine.ErrCode, -2);
    EXPECT_EQ(engine.FullErrCode, 0x1FE);
    EXPECT_EQ(engine.LastMessage, "bad");
    engine.ExceptionText = " #7 \"boom\"";
    engine.ReportProgress(pkMessage, 0x209, 0, "handler failed");
    EXPECT_EQ(engine.ErrCode, 9);
    EXPECT_EQ(h.messages.back(), std::make_pair(0x209, std::string("Exception in Event  #7 \"boom\"")));
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST(Reporting, AfterCallbackCanCancelInsteadOfPumpingEvents) {
    TObject owner;
    platform::ScriptedInteraction ui;
    platform::ScopedInteraction scope(ui);
    TDozErozev zip(&owner);
    const TObject* sender = nullptr;
    zip.OnAfterCallback = [&](TObject* s, bool& abort) {
        sender = s;
        abort = true;
    };
    zip.Engine().ReportProgress(pkTick, 0, 0, {});
    EXPECT_EQ(sender, &owner);
    EXPECT_TRUE(zip.Cancel());
    EXPECT_EQ(ui.pendingEventCalls, 0);

    zip.Engine().ShuttingDown = true;
    zip.Engine().ShowZipMessage(msg::ZipOpenError);
    zip.Engine().ReportProgress(pkTick, 0, 0, {});
    EXPECT_EQ(ui.boxes.size(), 1u);  // the box still shows; no event is raised
}

TEST(WaitCursor, NestedPairsRestoreTheOuterCursorOnce) {
    Harness h;
    h.ui.SetScreenCursor(platform::Cursor::Default);
    h.ui.cursorChanges.clear();
    TZipBase& engine = h.Engine();
    engine.EndWaitCursor();  // unmatched: nothing
    engine.StartWaitCursor();
    engine.StartWaitCursor();
    engine.EndWaitCursor();
    EXPECT_EQ(h.ui.ScreenCursor(), platform::Cursor::HourGlass);
    engine.EndWaitCursor();
    engine.EndWaitCursor();
    EXPECT_EQ(h.ui.cursorChanges,
              (std::vector<platform::Cursor>{platform::Cursor::HourGlass, platform::Cursor::Default}));
}

TEST(TempNames, MadeInTempDirWithTheGivenExtension) {
    TempDir dir;
    Harness h;
    TZipBase& engine = h.Engine();
    const std::string folder = platform::ExcludeTrailingBackslash(*platform::HostToWindowsPath(dir.Path()));
    engine.Options.TempDir = folder;
    const std::string name = engine.MakeTempFileName({}, {});
    EXPECT_EQ(engine.Options.TempDir, folder + "\\");
    EXPECT_EQ(platform::ExtractFilePath(name), folder + "\\");
    EXPECT_TRUE(platform::ExtractFileName(name).starts_with("zip"));
    EXPECT_EQ(platform::ExtractFileExt(name), ".zip");
    EXPECT_FALSE(platform::FileExists(name));
    EXPECT_FALSE(platform::FileExists(platform::ChangeFileExt(name, ".TMP")));

    const std::string other = engine.MakeTempFileName("spl", ".$$$");
    EXPECT_TRUE(platform::ExtractFileName(other).starts_with("spl"));
    EXPECT_EQ(platform::ExtractFileExt(other), ".$$$");
    EXPECT_NE(other, name);

    engine.Options.TempDir = folder + "\\missing";
    EXPECT_EQ(engine.MakeTempFileName({}, {}), "");
}

}  // namespace
}  // namespace ruvu::enginetest
