// The main window's side of the command-line mode on the offscreen platform: what its arguments open
// at creation and run at activation (once per process), an error that ends a run, and the two floppy
// commands, with a scripted interaction and the virtual floppy changer.
#include <QtTest>
#include <filesystem>

#include "app/Addunit.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Modules.h"
#include "splitter/BigCopyUnit.h"
#include "tests/app/AppTestSupport.h"
#include "tests/cli/CliFixture.h"

using namespace ruvu;
using namespace ruvu::clitest;
namespace fs = std::filesystem;

namespace {

class Window {
  public:
    Window() { platform::SetCurrentDirectory("C:\\WORK"); }
    ~Window() { main.reset(); }

    void Create(const std::vector<std::string>& arguments) {
        main = std::make_unique<TMainform>(arguments);
        main->SetDialogs(new TExtract(main.get()), new TAddForm(main.get()));
        main->OnStaysOpen = [this] { ++staysOpen; };
    }
    // Shows the window and waits until the arguments' run has ended one way or the other.
    bool ShowAndRun() {
        main->show();
        return QTest::qWaitFor([this] { return staysOpen > 0 || main->Timer1->isActive(); }, 30000);
    }
    // Every disk prompt puts the next disk into the drive, counting from 1.
    void InsertNextDiskAtEachPrompt() {
        prompts = 0;
        ui.onNextFloppy =
            [this](const platform::NextFloppyRequest&) -> std::optional<platform::NextFloppyAnswer> {
            drives.changer.Insert(std::to_string(++prompts));
            return std::nullopt;
        };
    }
    // Splits an archive of drive C onto two floppies as A:\BIG.SPL and puts the first one back.
    void SplitOntoTwoDisks(const std::string& winSource) {
        drives.CreateDisks(2);
        InsertNextDiskAtEachPrompt();
        bool failed = false;
        RecordingBigCopyWindow window;
        BigCopy(winSource, "A:\\BIG.SPL", "Darabolás", failed, window);
        QVERIFY(!failed && prompts == 2);
        drives.changer.Insert("1");
        InsertNextDiskAtEachPrompt();
    }
    std::vector<std::string> BoxTexts() const { return clitest::BoxTexts(ui); }

    DriveLayout drives;
    WorkingDirectoryGuard cwd;
    // D: reaches the test program's folder, where the window keeps its temporary archive.
    testsupport::ScopedDriveMap map{drives.DriveMap() + ";D=/"};
    platform::ScriptedInteraction ui;
    platform::ScopedInteraction installed{ui};
    std::unique_ptr<TMainform> main;
    int staysOpen = 0;
    int prompts = 0;
};

std::string BigArchive(Window& window) {
    window.drives.temp.MakeDir("c/DATA");
    return apptest::MakeZip(window.drives.temp, "c/DATA/big.zip",
                            {{"big.bin", testsupport::RandomBytes(1600000, 9)}});
}

}  // namespace

class WindowRunTest : public QObject {
    Q_OBJECT

  private slots:
    void aSingleArchiveArgumentIsOpenedAndTheWindowStaysOpen() {
        Window window;
        apptest::MakeZip(window.drives.temp, "c/WORK/arch.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
        window.Create({"arch.zip"});
        QCOMPARE(window.main->DozErozev1.Count(), 2);
        QCOMPARE(window.main->FilesLabel->text(), QStringLiteral("2"));
        QVERIFY(window.ShowAndRun());
        QCOMPARE(window.staysOpen, 1);
        QVERIFY(!window.main->Timer1->isActive());
        QVERIFY(window.BoxTexts().empty());
    }

    void aLoneLowerCaseCommandLetterOpensAndRunsNothing() {
        Window window;
        window.drives.WriteOnC("WORK/f1.txt", "one");
        window.Create({"a"});
        QCOMPARE(window.main->DozErozev1.ZipFileName(), std::string());
        QVERIFY(window.ShowAndRun());
        QCOMPARE(window.staysOpen, 1);
        QCOMPARE(std::distance(fs::directory_iterator(window.drives.OnC("WORK")), fs::directory_iterator()),
                 1);
    }

    void theArgumentsRunOnceAlsoWhenTheWindowIsActivatedAgain() {
        Window window;
        window.drives.WriteOnC("WORK/f1.txt", "one");
        const std::string list = window.drives.WriteOnC("WORK/list.txt", "A ARCH F1.TXT\n");
        window.Create({"@list.txt"});
        QVERIFY(window.ShowAndRun());
        QVERIFY(window.main->Timer1->isActive());
        window.main->Timer1->stop();
        QVERIFY(fs::exists(window.drives.OnC("WORK/ARCH.zip")));
        QVERIFY(!fs::exists(list));
        QCOMPARE(window.main->ExitStatus, 0);

        // A box closing or a click in the last second activates the window again.
        window.drives.WriteOnC("WORK/list.txt", "D ARCH.ZIP\n");
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(window.main.get(), &activate);
        QCoreApplication::processEvents();
        QVERIFY(fs::exists(window.drives.OnC("WORK/ARCH.zip")));
        QVERIFY(fs::exists(list));
        QVERIFY(!window.main->Timer1->isActive());
    }

    void anErrorEndsTheRunAndLeavesTheListFileAndTheWindow() {
        Window window;
        window.drives.WriteOnC("WORK/keep.txt", "kept");
        const std::string list = window.drives.WriteOnC("WORK/list.txt", "CD C:\\NOWHERE\r\nD KEEP.TXT\r\n");
        window.Create({"@list.txt"});
        QVERIFY(window.ShowAndRun());
        QCOMPARE(window.staysOpen, 1);
        QVERIFY(!window.main->Timer1->isActive());
        QCOMPARE(window.ui.boxes.size(), size_t(1));
        QVERIFY(window.ui.boxes[0].text.find("C:\\NOWHERE") != std::string::npos);
        QCOMPARE(window.main->ExitStatus, 1);
        QVERIFY(fs::exists(window.drives.OnC("WORK/keep.txt")));
        QVERIFY(fs::exists(list));
    }

    void aSplitPieceArgumentIsJoinedIntoTheTemporaryArchiveAndOpened() {
        Window window;
        BigArchive(window);
        window.SplitOntoTwoDisks("C:\\DATA\\BIG.ZIP");
        if ((platform::ProgramDir() + "_RUVUVADU.TMP").size() > kTokenLimit) {
            QSKIP("the build folder's path is too long for a command token");
        }
        window.Create({"a:\\big.spl"});
        QCOMPARE(window.prompts, 2);
        const std::string temp = window.main->TempArchiveName();
        QCOMPARE(window.main->DozErozev1.ZipFileName(), temp);
        QCOMPARE(window.main->DozErozev1.Count(), 1);
        QVERIFY(window.BoxTexts().empty());
        QVERIFY(platform::FileExists(temp));
        window.main.reset();
        QVERIFY(!platform::FileExists(temp));
    }

    void openingASplitPieceJoinsItFirst() {
        Window window;
        const std::string source = BigArchive(window);
        window.SplitOntoTwoDisks("C:\\DATA\\BIG.ZIP");
        window.Create({});
        window.drives.temp.MakeDir("c/PROG");
        window.main->ProgramDir = "C:\\PROG\\";
        window.ui.fileDialogAnswers.push_back("A:\\BIG.SPL");
        window.main->ZIPOpenButClick();
        QCOMPARE(window.main->DozErozev1.ZipFileName(), std::string("C:\\PROG\\_RUVUVADU.TMP"));
        QCOMPARE(window.main->DozErozev1.Count(), 1);
        QCOMPARE(testsupport::ReadFileBytes(window.drives.OnC("PROG/_RUVUVADU.TMP")),
                 testsupport::ReadFileBytes(source));
    }

    void aProgramFolderThatCannotBeWrittenJoinsIntoTheUserCache() {
        Window window;
        const std::string source = BigArchive(window);
        window.SplitOntoTwoDisks("C:\\DATA\\BIG.ZIP");
        const QByteArray oldCache = qgetenv("XDG_CACHE_HOME");
        const auto restore = qScopeGuard([&oldCache] { qputenv("XDG_CACHE_HOME", oldCache); });
        qputenv("XDG_CACHE_HOME", QByteArray::fromStdString(window.drives.OnC("cache")));
        window.Create({});
        window.main->ProgramDir = "C:\\GONE\\";  // as an installed program's folder, not writable
        window.ui.fileDialogAnswers.push_back("A:\\BIG.SPL");
        window.main->ZIPOpenButClick();
        const std::string temp = "C:\\cache\\ruvuvadu\\_RUVUVADU.TMP";
        QCOMPARE(window.main->DozErozev1.ZipFileName(), temp);
        QCOMPARE(testsupport::ReadFileBytes(window.drives.OnC("cache/ruvuvadu/_RUVUVADU.TMP")),
                 testsupport::ReadFileBytes(source));
        window.main.reset();
        QVERIFY(!platform::FileExists(temp));
        QVERIFY(fs::is_empty(window.drives.OnC("cache/ruvuvadu")));
    }

    void aJoinThatFailsSaysWhyAndLeavesTheOpenArchiveAsItWas() {
        Window window;
        // As an argument: an empty floppy holds no first piece.
        window.drives.CreateDisks(3);
        window.drives.changer.Insert("3");
        window.Create({"a:\\big.spl"});
        QCOMPARE(window.BoxTexts(), std::vector<std::string>{"Hiba: fájl nem található: a:\\big.spl"});
        QCOMPARE(window.main->DozErozev1.ZipFileName(), std::string());
        QCOMPARE(window.main->ExitStatus, 1);  // the command-line mode's status, as before

        BigArchive(window);
        window.SplitOntoTwoDisks("C:\\DATA\\BIG.ZIP");
        window.Create({});
        window.drives.temp.MakeDir("c/PROG");
        window.main->ProgramDir = "C:\\PROG\\";
        window.ui.boxes.clear();
        window.ui.fileDialogAnswers.push_back("A:\\BIG.SPL");
        window.main->ZIPOpenButClick();
        QCOMPARE(window.main->DozErozev1.ZipFileName(), std::string("C:\\PROG\\_RUVUVADU.TMP"));
        const std::string joined = testsupport::ReadFileBytes(window.drives.OnC("PROG/_RUVUVADU.TMP"));

        // The joined archive is open when the next join fails: at a wrong disk (the first one again
        // when the second is asked for), then at a cancelled prompt. Each says why, and the open
        // archive stays whole and open.
        const std::string wrongDisk = "Hiba: fájl nem található: A:\\BIG.001";
        const std::string cancelled = "Beolvasás Floppy-ról megszakítva.";
        window.ui.onNextFloppy = [&window](const platform::NextFloppyRequest&) {
            window.drives.changer.Insert("1");
            return std::optional<platform::NextFloppyAnswer>();
        };
        for (const std::string& reason : {wrongDisk, cancelled}) {
            if (reason == cancelled) {
                window.ui.onNextFloppy = [](const platform::NextFloppyRequest&) {
                    return std::optional<platform::NextFloppyAnswer>(
                        platform::NextFloppyAnswer{platform::IDABORT, false});
                };
            }
            window.drives.changer.Insert("1");
            window.ui.fileDialogAnswers.push_back("A:\\BIG.SPL");
            window.main->ZIPOpenButClick();
            QCOMPARE(window.BoxTexts(), std::vector<std::string>{reason});
            window.ui.boxes.clear();
            QCOMPARE(window.main->DozErozev1.ZipFileName(), std::string("C:\\PROG\\_RUVUVADU.TMP"));
            QCOMPARE(window.main->FilesLabel->text(), QStringLiteral("1"));
            QVERIFY(testsupport::ReadFileBytes(window.drives.OnC("PROG/_RUVUVADU.TMP")) == joined);
            QCOMPARE(window.main->ExitStatus, 0);
            QCOMPARE(
                std::distance(fs::directory_iterator(window.drives.OnC("PROG")), fs::directory_iterator()),
                1);
        }
    }

    void splitBtnCopiesTheOpenArchiveOntoFloppiesFromTheProgramFolder() {
        Window window;
        BigArchive(window);
        window.Create({});
        window.main->SplitBtn->click();
        QCOMPARE(window.BoxTexts(), std::vector<std::string>{"Nincs megnyitva ZIP fájl!"});
        QVERIFY(window.ui.fileDialogs.empty());

        window.drives.temp.MakeDir("c/PROG");
        window.main->ProgramDir = "C:\\PROG\\";
        window.main->DozErozev1.SetZipFileName("C:\\DATA\\BIG.ZIP");
        window.drives.CreateDisks(2);
        window.InsertNextDiskAtEachPrompt();
        window.ui.fileDialogAnswers.push_back("a:\\big.spl");
        window.main->SplitBtn->click();
        QCOMPARE(window.prompts, 2);
        QCOMPARE(window.ui.fileDialogs.size(), size_t(1));
        QVERIFY(window.ui.fileDialogs[0].save);
        QCOMPARE(window.ui.fileDialogs[0].request.title, std::string("Darabolás floppy-ra"));
        QCOMPARE(window.ui.fileDialogs[0].request.initialDir, std::string("a:\\"));
        QCOMPARE(window.drives.DiskFiles("1"), std::set<std::string>{"BIG.SPL"});
        QCOMPARE(window.drives.DiskFiles("2"), std::set<std::string>{"BIG.001"});
        QVERIFY(!window.main->AbortRun);
        QCOMPARE(platform::GetCurrentDirectory(), window.main->StartDir);

        // A person who cancels a disk prompt and goes on working leaves the program with status 0:
        // only the command-line mode and component errors decide it.
        window.ui.onNextFloppy = [](const platform::NextFloppyRequest&) {
            return std::optional<platform::NextFloppyAnswer>(
                platform::NextFloppyAnswer{platform::IDABORT, false});
        };
        window.ui.fileDialogAnswers.push_back("a:\\big.spl");
        window.main->SplitBtn->click();
        QCOMPARE(window.ui.nextFloppyRequests.size(), size_t(3));
        QCOMPARE(window.main->ExitStatus, 0);
    }
};

QTEST_MAIN(WindowRunTest)
#include "WindowRunTest.moc"
