// The archive operation commands end to end: the real dialogs, the real component and both run-time
// libraries, checked against the peer tools.
#include <QtTest>

#include "app/DialogResults.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/FloppyChanger.h"
#include "tests/app/AppTestSupport.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"

using namespace ruvu;
using ruvu::apptest::Program;
using ruvu::apptest::WhenModal;

namespace {

std::vector<std::string> GridNames(TMainform& main) {
    std::vector<std::string> names;
    for (int row = 0; row < main.DozErozev1.Count(); ++row) {
        names.push_back(main.GridModel().CellText(row, 0));
    }
    return names;
}

std::string FirstMemoLine(TMainform& main) {
    return main.Memo1->toPlainText().section('\n', 0, 0).toStdString();
}

// Answers the extract dialog with a folder and the three choices.
void ChooseExtraction(TExtract& extract, const std::string& folder, int dirNames, int overwrite, int which) {
    WhenModal([&extract, folder, dirNames, overwrite, which](QWidget*) {
        extract.DirectoryListBox1->SetDirectory(folder);
        extract.RadioGroup1->SetItemIndex(dirNames);
        extract.RadioGroup2->SetItemIndex(overwrite);
        extract.RadioGroup3->SetItemIndex(which);
        QTest::mouseClick(extract.OKBut, Qt::LeftButton);
    });
}

const std::map<std::string, std::string> kFiveFiles = {{"c.txt", "content of c"},
                                                       {"d1/a.txt", "content of a"},
                                                       {"d1/b.txt", "content of b"},
                                                       {"d2/e.txt", "content of e"},
                                                       {"f.txt", "content of f"}};

}  // namespace

class OperationsTest : public QObject {
    Q_OBJECT

  private slots:
    void addThroughTheDialogMakesNamesUnderTheStartFolderRelative() {
        Program program;
        TMainform& main = *program.main;
        program.temp.Write("src/a.txt", "alpha");
        program.temp.Write("src/b.txt", "beta");
        program.temp.Write("src/sub/c.txt", "gamma");
        main.StartDir = program.temp.Win();
        program.ui.fileDialogAnswers.push_back(program.temp.Win("new.zip"));
        main.NewZipBtnClick();

        WhenModal([&](QWidget* dialog) {
            QCOMPARE(dialog, static_cast<QWidget*>(program.add));
            QCOMPARE(dialog->geometry(), main.geometry());
            program.add->DirectoryListBox1->SetDirectory(program.temp.Win("src"));
            program.add->SelectAllButClick();
            QTest::mouseClick(program.add->AddFileBut, Qt::LeftButton);
            QTest::mouseClick(program.add->OKBut, Qt::LeftButton);
        });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("2 fájl beillesztve."));
        QCOMPARE(GridNames(main), (std::vector<std::string>{"a.txt", "b.txt"}));
        QCOMPARE(FirstMemoLine(main), "Fájl hozzáadás start " + program.temp.Win("new.zip"));
        QVERIFY(program.add->SelectedLines().empty());
        QCOMPARE(main.DozErozev1.AddOptions(), AddOpts{});
        QVERIFY(testsupport::UnzipTest(program.temp.Host("new.zip")).Ok());
        QCOMPARE(main.TimeLabel->text(), QStringLiteral("00:00"));

        // A whole folder with its subfolders and stored folder names, relative to the start folder.
        WhenModal([&](QWidget*) {
            program.add->DirNameCB->setChecked(true);
            program.add->RecurseCB->setChecked(true);
            program.add->AddDirButClick();
            program.add->OKButClick();
        });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("3 fájl beillesztve."));
        QCOMPARE(GridNames(main),
                 (std::vector<std::string>{"a.txt", "b.txt", "src\\a.txt", "src\\b.txt", "src\\sub\\c.txt"}));
        QCOMPARE(main.DozErozev1.AddOptions(), (AddOpts{AddDirNames, AddRecurseDirs}));
        QCOMPARE(QString::fromStdString(platform::GetCurrentDirectory()),
                 QString::fromStdString(main.StartDir));
        QVERIFY(testsupport::UnzipTest(program.temp.Host("new.zip")).Ok());
    }

    void startFolderPrefixRule() {
        const std::vector<std::string> lines = {"C:\\WORK\\SUB\\A.TXT", "D:\\X\\B.TXT", "c:\\work\\C.TXT",
                                                "C:\\WORK\\*.*", "C:\\WORKS\\D.TXT"};
        QCOMPARE(AddSpecifications(lines, "C:\\WORK"),
                 (std::vector<std::string>{"SUB\\A.TXT", "D:\\X\\B.TXT", "c:\\work\\C.TXT", "*.*",
                                           "C:\\WORKS\\D.TXT"}));
        QCOMPARE(AddSpecifications({"C:\\SUB\\A.TXT"}, "C:\\"), (std::vector<std::string>{"SUB\\A.TXT"}));
        // Long names are kept whole.
        const std::string deep = "C:\\WORK\\" + std::string(250, 'n') + "\\X.TXT";
        QCOMPARE(AddSpecifications({deep}, "C:\\WORK\\"), (std::vector<std::string>{deep.substr(8)}));
    }

    void addDialogCancelKeepsTheListAndAnEmptyListIsReported() {
        Program program;
        TMainform& main = *program.main;
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs megnyitva ZIP fájl!"));

        program.temp.Write("src/a.txt", "alpha");
        program.ui.fileDialogAnswers.push_back(program.temp.Win("c.zip"));
        main.NewZipBtnClick();
        program.ui.boxes.clear();

        WhenModal([&](QWidget*) {
            program.add->DirectoryListBox1->SetDirectory(program.temp.Win("src"));
            program.add->SelectAllButClick();
            program.add->AddFileButClick();
            QTest::mouseClick(program.add->CancelBut, Qt::LeftButton);
        });
        main.AddButClick();
        QVERIFY(program.ui.boxes.empty());
        QCOMPARE(program.add->SelectedLines().size(), size_t{1});

        // The frame button right after adding a line counts as cancel ...
        WhenModal([&](QWidget*) {
            program.add->AddDirButClick();
            program.add->reject();
        });
        main.AddButClick();
        QVERIFY(program.ui.boxes.empty());
        QCOMPARE(program.add->SelectedLines().size(), size_t{2});
        QVERIFY(!platform::FileExists(program.temp.Win("c.zip")));

        // ... and before touching anything as OK.
        WhenModal([&](QWidget*) { program.add->reject(); });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("1 fájl beillesztve."));

        WhenModal([&](QWidget*) { program.add->OKButClick(); });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs fájl kijelölve!"));
    }

    void addEncryptedAsksForThePasswordTwiceAndAddsNothingWithoutOne() {
        Program program;
        TMainform& main = *program.main;
        program.temp.Write("src/secret.txt", "the secret text");
        program.ui.fileDialogAnswers.push_back(program.temp.Win("enc.zip"));
        main.NewZipBtnClick();
        program.ui.passwordAnswers = {{platform::IDOK, "titok"}, {platform::IDOK, "titok"}};
        WhenModal([&](QWidget*) {
            program.add->EncryptCB->setChecked(true);
            program.add->DirectoryListBox1->SetDirectory(program.temp.Win("src"));
            program.add->SelectAllButClick();
            program.add->AddFileButClick();
            program.add->OKButClick();
        });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("1 fájl beillesztve."));
        QCOMPARE(program.ui.passwordPrompts.size(), size_t{2});
        QVERIFY(main.DozErozev1.Entries().at(0).Encrypted);
        QVERIFY(testsupport::UnzipTest(program.temp.Host("enc.zip"), "titok").Ok());

        // A confirmation that does not match: nothing is added, least of all in plain text.
        const std::string before = testsupport::ReadFileBytes(program.temp.Host("enc.zip"));
        program.temp.Write("src/other.txt", "another secret");
        program.ui.passwordAnswers = {{platform::IDOK, "titok"}, {platform::IDOK, "tikot"}};
        WhenModal([&](QWidget*) {
            program.add->DirectoryListBox1->SetDirectory(program.temp.Win("src"));
            program.add->SelectAllButClick();
            program.add->AddFileButClick();
            program.add->OKButClick();
        });
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("0 fájl beillesztve."));
        QCOMPARE(main.DozErozev1.Count(), 1);
        QVERIFY(testsupport::ReadFileBytes(program.temp.Host("enc.zip")) == before);
    }

    void extractAllOrTheSelectedRowsWithEachChoice() {
        Program program;
        TMainform& main = *program.main;
        const std::string archive = apptest::MakeZip(program.temp, "five.zip", kFiveFiles);
        program.Open(archive);
        QCOMPARE(GridNames(main),
                 (std::vector<std::string>{"c.txt", "d1\\a.txt", "d1\\b.txt", "d2\\e.txt", "f.txt"}));

        // Every entry, into the stored folders, overwriting.
        program.temp.Write("all/c.txt", "old");
        ChooseExtraction(*program.extract, program.temp.Win("all"), 1, 1, 0);
        main.ExtractButClick();
        QCOMPARE(program.LastBox(), std::string("5 fájl kibontva."));
        QCOMPARE(FirstMemoLine(main), "Kibontás start " + testsupport::WinPathOf(archive));
        QCOMPARE(testsupport::ReadFileBytes(program.temp.Host("all/d1/b.txt")), std::string("content of b"));
        QCOMPARE(testsupport::ReadFileBytes(program.temp.Host("all/c.txt")), std::string("content of c"));
        QCOMPARE(main.DozErozev1.ExtrBaseDir(), program.temp.Win("all"));
        QCOMPARE(main.DozErozev1.ExtrOptions(), (ExtrOpts{ExtrDirNames, ExtrOverWrite}));

        // The selected rows only, without folders, keeping a file that exists.
        program.temp.Write("flat/b.txt", "old b");
        program.SelectRows(1, 2);
        ChooseExtraction(*program.extract, program.temp.Win("flat"), 0, 0, 1);
        main.ExtractButClick();
        QCOMPARE(main.DozErozev1.ExtrOptions(), ExtrOpts{});
        QCOMPARE(testsupport::ReadFileBytes(program.temp.Host("flat/a.txt")), std::string("content of a"));
        QCOMPARE(testsupport::ReadFileBytes(program.temp.Host("flat/b.txt")), std::string("old b"));
        QVERIFY(!program.temp.Exists("flat/c.txt") && !program.temp.Exists("flat/d1"));
        QCOMPARE(program.LastBox(), std::string("1 fájl kibontva."));

        // Selected rows chosen with nothing selected, and a cancelled dialog.
        main.StringGrid1->clearSelection();
        ChooseExtraction(*program.extract, program.temp.Win("flat"), 0, 1, 1);
        main.ExtractButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs fájl kijelölve!"));
        const size_t boxes = program.ui.boxes.size();
        WhenModal([&](QWidget*) { QTest::mouseClick(program.extract->CancelBut, Qt::LeftButton); });
        main.ExtractButClick();
        QCOMPARE(program.ui.boxes.size(), boxes);
    }

    void extractNeedsAnExistingArchive() {
        Program program;
        program.main->ExtractButClick();
        QCOMPARE(program.LastBox(), std::string("Hiba: fájl nem található: <nincs>"));
        program.ui.fileDialogAnswers.push_back(program.temp.Win("empty.zip"));
        program.main->NewZipBtnClick();
        program.main->ExtractButClick();
        QCOMPARE(program.LastBox(), "Hiba: fájl nem található: " + program.temp.Win("empty.zip"));
        program.main->DeleteButClick();
        QCOMPARE(program.LastBox(), std::string("Nem lett fájl törölve."));
        program.main->TestButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs mit tesztelni."));
    }

    void deleteEntriesWithNoAndYes() {
        Program program;
        TMainform& main = *program.main;
        const std::string archive = apptest::MakeZip(program.temp, "del.zip", kFiveFiles);
        program.Open(archive);
        const std::string name = testsupport::WinPathOf(archive);
        program.SelectRows(1, 3);

        program.ui.boxAnswers.push_back(platform::IDNO);
        main.DeleteButClick();
        QCOMPARE(program.LastBox(), "Törölni a kijelölt fájlokat " + name + "-ből ?");
        QCOMPARE(main.DozErozev1.Count(), 5);

        program.ui.boxAnswers.push_back(platform::IDYES);
        main.DeleteButClick();
        QCOMPARE(program.LastBox(), std::string("3 fájl törölve."));
        QCOMPARE(FirstMemoLine(main), "Fájl törlés ZIP-ből start " + name);
        QCOMPARE(GridNames(main), (std::vector<std::string>{"c.txt", "f.txt"}));
        QCOMPARE(main.FilesLabel->text(), QStringLiteral("2"));
        QVERIFY(testsupport::UnzipTest(archive).Ok());

        program.ui.boxAnswers.push_back(platform::IDYES);
        main.DeleteButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs fájl kijelölve!"));
        QCOMPARE(main.DozErozev1.Count(), 2);
    }

    void testReportsDamagedEntries() {
        Program program;
        TMainform& main = *program.main;
        std::map<std::string, std::string> files;
        for (int i = 0; i < 10; ++i) {
            files["file" + std::to_string(i) + ".txt"] =
                "payload number " + std::to_string(i) + " of the test";
        }
        const std::string archive = apptest::MakeZip(program.temp, "ten.zip", files);
        program.Open(archive);
        main.DozErozev1.SetExtrOptions({ExtrDirNames});

        main.TestButClick();
        QCOMPARE(program.LastBox(), std::string("Minden fájl (10) ellenörizve. OK"));
        QCOMPARE(FirstMemoLine(main), "Ellenörzés start " + testsupport::WinPathOf(archive));
        QCOMPARE(main.DozErozev1.ExtrOptions(), (ExtrOpts{ExtrDirNames, ExtrTest}));

        apptest::DamageFile(archive, {"payload number 3 of", "payload number 7 of"});
        main.TestButClick();
        QCOMPARE(program.LastBox(), std::string("HIBA: 2 fájl sérült!"));
        QCOMPARE(main.DozErozev1.Count(), 10);
    }

    void aSetOnFloppiesIsOpenedExtractedAndTestedWithTheDiskPrompts() {
        Program program;
        TMainform& main = *program.main;
        testsupport::ScopedDriveMap drives("C=/;A=floppy:" + program.temp.Host("floppy"));
        platform::FloppyChanger changer(program.temp.Host("floppy"));
        for (const char* disk : {"d1", "d2", "d3"}) {
            changer.CreateDisk(disk);
        }
        changer.Insert("d1");
        program.ui.onBox = [&changer](const platform::ScriptedInteraction::Box& box) {
            const size_t volume = box.text.find("volume ");
            if (volume != std::string::npos) {
                changer.Insert("d" + box.text.substr(volume + 7, 1));
            } else if (box.text.starts_with("Please insert last disk")) {
                changer.Insert("d2");
            }
            return 0;
        };
        const std::string one = testsupport::RandomBytes(900000, 1);
        const std::string two = testsupport::RandomBytes(900000, 2);
        program.temp.Write("src/one.bin", one);
        program.temp.Write("src/two.bin", two);
        // A set of two disks, written by the component.
        TDozErozev& zip = main.DozErozev1;
        zip.SetZipFileName("A:\\BACKUP.ZIP");
        zip.SetRootDir(program.temp.Win("src"));
        zip.SetAddOptions({AddDiskSpan});
        zip.SetAddCompLevel(0);
        zip.FSpecArgs() = {"*.*"};
        QCOMPARE(zip.Add(), 0);
        QCOMPARE(changer.Label("d2"), std::string("PKBACK# 002"));

        // Opened with the first disk in the drive, as a person would.
        changer.Insert("d1");
        program.ui.boxes.clear();
        program.ui.fileDialogAnswers.push_back("A:\\BACKUP.ZIP");
        main.ZIPOpenButClick();
        QCOMPARE(GridNames(main), (std::vector<std::string>{"one.bin", "two.bin"}));
        program.temp.MakeDir("out");
        ChooseExtraction(*program.extract, program.temp.Win("out"), 1, 1, 0);
        main.ExtractButClick();
        QCOMPARE(program.LastBox(), std::string("2 fájl kibontva."));
        QVERIFY(testsupport::ReadFileBytes(program.temp.Host("out/one.bin")) == one);
        QVERIFY(testsupport::ReadFileBytes(program.temp.Host("out/two.bin")) == two);
        QCOMPARE(
            program.BoxTexts(),
            (std::vector<std::string>{
                "Please insert last disk\nin drive: A:\\", "Please insert disk volume 1 of 2\nin drive: A:\\",
                "Please insert disk volume 2 of 2\nin drive: A:\\", "2 fájl kibontva."}));
        main.TestButClick();
        QCOMPARE(program.LastBox(), std::string("Minden fájl (2) ellenörizve. OK"));
    }

    void aSetOfPartFilesIsOpenedThroughItsLastPartAndExtracted() {
        Program program;
        TMainform& main = *program.main;
        const std::string one = testsupport::RandomBytes(150000, 3);
        const std::string two = testsupport::RandomBytes(150000, 4);
        program.temp.Write("src/one.bin", one);
        program.temp.Write("src/two.bin", two);
        TDozErozev& zip = main.DozErozev1;
        zip.SetZipFileName(program.temp.Win("set.zip"));
        zip.SetRootDir(program.temp.Win("src"));
        zip.SetAddOptions({AddDiskSpan});
        zip.SetAddCompLevel(0);
        zip.SetMaxVolumeSize(100000);
        zip.FSpecArgs() = {"*.*"};
        QCOMPARE(zip.Add(), 0);

        program.ui.boxes.clear();
        program.Open(program.temp.Host("set004.zip"));
        QCOMPARE(GridNames(main), (std::vector<std::string>{"one.bin", "two.bin"}));
        program.temp.MakeDir("out");
        ChooseExtraction(*program.extract, program.temp.Win("out"), 1, 1, 0);
        main.ExtractButClick();
        QCOMPARE(program.BoxTexts(), std::vector<std::string>{"2 fájl kibontva."});
        QVERIFY(testsupport::ReadFileBytes(program.temp.Host("out/one.bin")) == one);
        QVERIFY(testsupport::ReadFileBytes(program.temp.Host("out/two.bin")) == two);
    }

    void nothingClickedDuringAnOperationStartsAnother() {
        Program program;
        TMainform& main = *program.main;
        const std::string archive = apptest::MakeZip(program.temp, "busy.zip", kFiveFiles);
        program.Open(archive);
        const size_t dialogs = program.ui.fileDialogs.size();
        int clicks = 0;
        program.ui.onPendingEvents = [&] {
            if (clicks++ > 0) {
                return;
            }
            QVERIFY(main.CommandRunning());
            main.TestButClick();
            main.AddButClick();
            main.ExtractButClick();
            main.DeleteButClick();
            main.DeleteZIPButClick();
            main.NewZipBtnClick();
            main.ZIPOpenButClick();
            main.CloseButClick();
        };
        program.ui.boxAnswers.assign(10, platform::IDYES);
        main.TestButClick();
        program.ui.onPendingEvents = nullptr;

        QVERIFY(clicks > 0);
        QCOMPARE(program.BoxTexts(), (std::vector<std::string>{"Minden fájl (5) ellenörizve. OK"}));
        QCOMPARE(program.ui.fileDialogs.size(), dialogs);
        QVERIFY(platform::FileExists(testsupport::WinPathOf(archive)));
        QVERIFY(main.isVisible());
        QCOMPARE(main.DozErozev1.Count(), 5);
    }
};

QTEST_MAIN(OperationsTest)
#include "OperationsTest.moc"
