// The dialogs on their own and through the Qt interaction: the add dialog's list rules, the extract
// dialog's results, the password dialog's layout and results, the overwrite question, the disk
// prompt, message boxes, file dialogs, the hourglass, and the floppy copy windows end to end.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QtTest>
#include <filesystem>

#include "app/AskOverWrite.h"
#include "app/DialogResults.h"
#include "app/NextFloppy.h"
#include "app/QtInteraction.h"
#include "app/ZipPassDlg.h"
#include "platform/FloppyChanger.h"
#include "platform/TextCase.h"
#include "tests/app/AppTestSupport.h"

using namespace ruvu;
using ruvu::apptest::Program;
using ruvu::apptest::WhenModal;

namespace {

std::vector<std::string> Lines(const TAddForm& add) {
    return add.SelectedLines();
}

void SelectFiles(TFileListBox* files, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const auto found = files->findItems(QString::fromUtf8(name), Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        found.front()->setSelected(true);
    }
}

template <class W>
W* Child(QWidget* parent, const char* name) {
    return parent->findChild<W*>(QString::fromLatin1(name));
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void addDialogListRules() {
        Program program;
        TAddForm& add = *program.add;
        program.temp.Write("forrás/b.txt", "b");
        program.temp.Write("forrás/a.txt", "a");
        program.temp.Write("forrás/C.txt", "c");
        program.temp.Write("forrás/.hidden", "h");
        const std::string src = program.temp.Win("forrás");

        QVERIFY(add.DirectoryListBox1->SetDirectory(src));
        QCOMPARE(add.FileListBox1->count(), 3);  // sorted ignoring case, hidden files left out
        QCOMPARE(add.FileListBox1->item(2)->text(), QStringLiteral("C.txt"));
        SelectFiles(add.FileListBox1, {"b.txt", "a.txt"});
        Results().DialogCanceled = false;
        add.AddFileButClick();
        QVERIFY(Results().DialogCanceled);
        QCOMPARE(Lines(add), (std::vector<std::string>{src + "\\a.txt", src + "\\b.txt"}));
        QVERIFY(add.FileListBox1->selectedItems().isEmpty());

        // The same file again, also through another spelling of the folder (FORRÁS), adds nothing.
        QVERIFY(add.DirectoryListBox1->SetDirectory(platform::UpperCase(src)));
        SelectFiles(add.FileListBox1, {"a.txt"});
        add.AddFileButClick();
        QCOMPARE(Lines(add).size(), size_t{2});

        add.AddDirButClick();
        QCOMPARE(Lines(add).back(), platform::UpperCase(src) + "\\*.*");
        add.AddDirButClick();
        QCOMPARE(Lines(add).size(), size_t{3});
        QVERIFY(add.DirectoryListBox1->SetDirectory("C:\\"));
        add.AddDirButClick();
        QCOMPARE(Lines(add).back(), std::string("C:\\*.*"));

        // Removing with nothing selected changes nothing; selected lines go.
        add.RemoveButClick();
        QCOMPARE(Lines(add).size(), size_t{4});
        add.SelectedList->item(0)->setSelected(true);
        add.SelectedList->item(3)->setSelected(true);
        add.RemoveButClick();
        QCOMPARE(Lines(add), (std::vector<std::string>{src + "\\b.txt", platform::UpperCase(src) + "\\*.*"}));

        // Sorting ignores case and stays on; the button is done for the run.
        add.SortButClick();
        QVERIFY(!add.SortBut->isEnabled());
        QCOMPARE(Lines(add).front(), platform::UpperCase(src) + "\\*.*");
        QVERIFY(add.DirectoryListBox1->SetDirectory(src));
        SelectFiles(add.FileListBox1, {"C.txt", "a.txt"});
        add.AddFileButClick();
        QCOMPARE(Lines(add), (std::vector<std::string>{platform::UpperCase(src) + "\\*.*", src + "\\a.txt",
                                                       src + "\\b.txt", src + "\\C.txt"}));

        add.SelectAllButClick();
        QCOMPARE(add.FileListBox1->selectedItems().size(), 3);
        QCOMPARE(TAddForm::AppendSlash(""), std::string());
        QCOMPARE(TAddForm::AppendSlash("C:\\"), std::string("C:\\"));
    }

    void folderListShowsTheWayDownAndOpensOnClick() {
        Program program;
        program.temp.MakeDir("top/inner");
        program.temp.MakeDir("top/.secret");
        TDirectoryListBox* folders = program.extract->DirectoryListBox1;
        QVERIFY(folders->SetDirectory(program.temp.Win("top")));
        QCOMPARE(folders->Directory(), program.temp.Win("top"));
        QCOMPARE(folders->item(folders->count() - 1)->text().trimmed(), QStringLiteral("inner"));
        QCOMPARE(folders->currentItem()->text().trimmed(), QStringLiteral("top"));
        QVERIFY(!folders->SetDirectory(program.temp.Win("missing")));
        QCOMPARE(folders->Directory(), program.temp.Win("top"));

        QListWidgetItem* inner = folders->item(folders->count() - 1);
        QTest::mouseClick(folders->viewport(), Qt::LeftButton, {}, folders->visualItemRect(inner).center());
        QTRY_COMPARE(folders->Directory(), program.temp.Win("top/inner"));
        QCOMPARE(program.extract->DriveComboBox1->currentText(), QStringLiteral("C:"));
        QCOMPARE(program.add->DriveComboBox1->currentText(), QStringLiteral("c:"));
    }

    void bothDialogsReadTheirListsAgainEachTimeTheyAreShown() {
        Program program;
        program.temp.Write("work/old.txt", "o");
        const std::string work = program.temp.Win("work");
        TAddForm& add = *program.add;
        TExtract& extract = *program.extract;
        QVERIFY(add.DirectoryListBox1->SetDirectory(work));
        QVERIFY(extract.DirectoryListBox1->SetDirectory(work));
        SelectFiles(add.FileListBox1, {"old.txt"});
        // Made since the dialogs were last shown, by an extraction or outside the program.
        program.temp.Write("work/new.txt", "n");
        program.temp.MakeDir("work/Kibontva");
        auto lists = [](const QListWidget* list, const char* name) {
            return !list->findItems(QString::fromUtf8(name), Qt::MatchEndsWith).isEmpty();
        };

        WhenModal([&](QWidget*) {
            QCOMPARE(add.DirectoryListBox1->Directory(), work);
            QVERIFY(lists(add.DirectoryListBox1, "Kibontva"));
            QVERIFY(lists(add.FileListBox1, "new.txt"));
            QVERIFY(add.FileListBox1->findItems("old.txt", Qt::MatchExactly).front()->isSelected());
        });
        add.exec();
        WhenModal([&](QWidget*) {
            QCOMPARE(extract.DirectoryListBox1->Directory(), work);
            QVERIFY(lists(extract.DirectoryListBox1, "Kibontva"));
        });
        extract.exec();

        // A folder that went away gives way to the nearest one above it.
        QVERIFY(extract.DirectoryListBox1->SetDirectory(program.temp.Win("work/Kibontva")));
        std::filesystem::remove(program.temp.Host("work/Kibontva"));
        WhenModal([&](QWidget*) {
            QCOMPARE(extract.DirectoryListBox1->Directory(), work);
            QVERIFY(!lists(extract.DirectoryListBox1, "Kibontva"));
        });
        extract.exec();
    }

    void extractDialogResults() {
        Program program;
        TExtract& extract = *program.extract;
        program.temp.MakeDir("out");
        QCOMPARE(extract.RadioGroup1->ItemIndex(), 0);
        QCOMPARE(extract.RadioGroup2->ItemIndex(), 1);
        QCOMPARE(extract.RadioGroup3->ItemIndex(), 0);

        WhenModal([&](QWidget* dialog) {
            QCOMPARE(dialog, static_cast<QWidget*>(&extract));
            QVERIFY(Results().DialogCanceled);
            extract.DirectoryListBox1->SetDirectory(program.temp.Win("out"));
            QTest::mouseClick(extract.OKBut, Qt::LeftButton);
        });
        Results().DialogCanceled = true;
        extract.exec();
        QVERIFY(!Results().DialogCanceled);
        QCOMPARE(Results().ExtractDir, program.temp.Win("out"));
        QVERIFY(!Results().ExpandDirs);
        QVERIFY(Results().OverwriteFiles);
        QVERIFY(Results().AllFiles);

        WhenModal([&](QWidget*) {
            extract.RadioGroup1->SetItemIndex(1);
            extract.RadioGroup2->SetItemIndex(0);
            extract.RadioGroup3->SetItemIndex(1);
            extract.OKButClick();
        });
        extract.exec();
        QVERIFY(Results().ExpandDirs && !Results().OverwriteFiles && !Results().AllFiles);

        // The frame button leaves the folder and counts as cancelled; Cancel empties the folder.
        WhenModal([&](QWidget*) { extract.reject(); });
        extract.exec();
        QVERIFY(Results().DialogCanceled);
        QCOMPARE(Results().ExtractDir, program.temp.Win("out"));
        WhenModal([&](QWidget*) { QTest::mouseClick(extract.CancelBut, Qt::LeftButton); });
        extract.exec();
        QVERIFY(Results().DialogCanceled);
        QVERIFY(Results().ExtractDir.empty());
        // The choices stay for the next time.
        QCOMPARE(extract.RadioGroup3->ItemIndex(), 1);
    }

    void passwordDialogLayoutAndResults() {
        TPasswordDlg single("Password", "Enter Password ", 0);
        QCOMPARE(single.Buttons.size(), size_t{1});
        QCOMPARE(single.size(), QSize(159, 137));
        QCOMPARE(single.Buttons[0]->text(), QStringLiteral("&Ok"));

        TPasswordDlg all("Password", "Confirm Password ", 2 | 4 | 8);
        QCOMPARE(all.windowTitle(), QStringLiteral("Password"));
        QCOMPARE(all.size(), QSize(4 * 124 + 35, 137));
        QCOMPARE(all.Prompt->geometry(), QRect(20, 8, 297, 18));
        QCOMPARE(all.Prompt->text(), QStringLiteral("Confirm Password "));
        QCOMPARE(all.PasswordEdit->pos(), QPoint(20, 40));
        QCOMPARE(all.PasswordEdit->width(), 4 * 124 - 10);
        QCOMPARE(all.PasswordEdit->maxLength(), 80);
        QCOMPARE(all.PasswordEdit->echoMode(), QLineEdit::Password);
        const char* captions[] = {"&Ok", "&Cancel", "Cancel all", "Abort"};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(all.Buttons[i]->geometry(), QRect(i * 124 + 20, 72, 114, 28));
            QCOMPARE(all.Buttons[i]->text(), QString::fromLatin1(captions[i]));
        }
        QVERIFY(all.font().bold());
        QCOMPARE(all.font().pixelSize(), 12);

        // Through the interaction: each button's modal result; the text only with OK.
        QtInteraction interaction;
        const int expected[] = {platform::IDOK, platform::IDCANCEL, platform::IDNOTOALL, platform::IDABORT};
        for (int i = 0; i < 4; ++i) {
            WhenModal([i](QWidget* dialog) {
                auto* password = static_cast<TPasswordDlg*>(dialog);
                QTest::keyClicks(password->PasswordEdit, "titok");
                QTest::mouseClick(password->Buttons[static_cast<size_t>(i)], Qt::LeftButton);
            });
            const platform::PasswordAnswer answer =
                interaction.PasswordDialog("Password", "Enter Password ", 14);
            QCOMPARE(answer.modalResult, expected[i]);
            QCOMPARE(answer.password, std::string(i == 0 ? "titok" : ""));
        }
        WhenModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
        QCOMPARE(interaction.PasswordDialog("Password", "Enter Password ", 0).modalResult,
                 int{platform::IDCANCEL});
    }

    void overwriteQuestionAndDiskPrompt() {
        QtInteraction interaction;
        bool asked = false;
        WhenModal([&](QWidget* dialog) {
            auto* question = static_cast<TFelulirhato*>(dialog);
            asked = true;
            QCOMPARE(question->windowTitle(), QStringLiteral("Darabolás Floppy-ra"));
            QCOMPARE(question->Memo1->toPlainText(), QStringLiteral("régi\nsor"));
            QCOMPARE(question->Memo2->toPlainText(), QStringLiteral("új"));
            QCOMPARE(question->LabelIrany->text(), QStringLiteral(">>>>"));
            QCOMPARE(question->Label1->text(), QStringLiteral("Felülirható?"));
            QVERIFY(!(question->windowFlags() & Qt::WindowCloseButtonHint));
            QTest::mouseClick(question->BtnOK, Qt::LeftButton);
        });
        QVERIFY(interaction.OverwriteQuestion("Darabolás Floppy-ra", "régi\nsor", "új"));
        QVERIFY(asked);
        WhenModal([](QWidget* dialog) {
            QTest::mouseClick(static_cast<TFelulirhato*>(dialog)->BtnNem, Qt::LeftButton);
        });
        QVERIFY(!interaction.OverwriteQuestion("x", "a", "b"));
        WhenModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
        QVERIFY(!interaction.OverwriteQuestion("x", "a", "b"));

        WhenModal([](QWidget* dialog) {
            auto* prompt = static_cast<TFormNextFloppy*>(dialog);
            QCOMPARE(prompt->windowTitle(), QStringLiteral("RuvuvADU"));
            QCOMPARE(prompt->Label1->text(), QStringLiteral("Kérem a 2.Lemezt"));
            QCOMPARE(prompt->Label2->text(), QStringLiteral("(összesen 3)"));
            QVERIFY(prompt->CBElotorles->isVisible() && prompt->CBElotorles->isChecked());
            prompt->CBElotorles->setChecked(false);
            QTest::mouseClick(prompt->BitBtn1, Qt::LeftButton);
        });
        platform::NextFloppyAnswer answer =
            interaction.NextFloppyDialog({"RuvuvADU", "Kérem a 2.Lemezt", "(összesen 3)", true, true});
        QCOMPARE(answer.modalResult, int{platform::IDOK});
        QVERIFY(!answer.eraseBoxChecked);

        WhenModal([](QWidget* dialog) {
            auto* prompt = static_cast<TFormNextFloppy*>(dialog);
            QVERIFY(!prompt->CBElotorles->isVisible());
            QCOMPARE(prompt->BitBtn2->text(), QStringLiteral("Megszakitás"));
            QTest::mouseClick(prompt->BitBtn2, Qt::LeftButton);
        });
        answer = interaction.NextFloppyDialog({"RuvuvADU", "Kérem a 1.Lemezt", "", false, false});
        QCOMPARE(answer.modalResult, int{platform::IDABORT});
    }

    void messageBoxesButtonsIconsAndAnswers() {
        QtInteraction interaction;
        WhenModal([](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QVERIFY(box != nullptr);
            QCOMPARE(box->windowTitle(), QStringLiteral("RuvuvADU"));
            QCOMPARE(box->text(), QStringLiteral("1 fájl beillesztve."));
            QCOMPARE(box->icon(), QMessageBox::NoIcon);
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->buttons().front()->text(), QStringLiteral("OK"));
            box->buttons().front()->click();
        });
        QCOMPARE(interaction.MessageBox("1 fájl beillesztve.", "RuvuvADU", platform::MB_OK),
                 int{platform::IDOK});

        WhenModal([](QWidget* dialog) {
            auto* box = qobject_cast<QMessageBox*>(dialog);
            QCOMPARE(box->icon(), QMessageBox::Question);
            QCOMPARE(box->defaultButton()->text(), QStringLiteral("Nem"));
            Child<QPushButton>(box, "Button6")->click();
        });
        QCOMPARE(
            interaction.MessageBox("Törölni?", "RuvuvADU",
                                   platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2),
            int{platform::IDYES});
        // Escape gives the safe answer.
        WhenModal([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });
        QCOMPARE(interaction.MessageBox("Törölni?", "RuvuvADU", platform::MB_YESNO), int{platform::IDNO});
        QCOMPARE(interaction.MessageBox("x", "y", 0xE), 0);

        interaction.SetScreenCursor(platform::Cursor::HourGlass);
        QVERIFY(QApplication::overrideCursor() != nullptr);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        // A question asked meanwhile gets the arrow; the hourglass comes back after it.
        Qt::CursorShape whileAsking = Qt::WaitCursor;
        WhenModal([&whileAsking](QWidget* dialog) {
            whileAsking = QApplication::overrideCursor()->shape();
            static_cast<QDialog*>(dialog)->reject();
        });
        interaction.MessageBox("x", "y", platform::MB_OK);
        QCOMPARE(whileAsking, Qt::ArrowCursor);
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        interaction.SetScreenCursor(platform::Cursor::Default);
        QVERIFY(QApplication::overrideCursor() == nullptr);
        QCOMPARE(interaction.ScreenCursor(), platform::Cursor::Default);
    }

    void fileDialogsSpeakWindowsPaths() {
        testsupport::TempFolder temp;
        temp.Write("docs/A.ZIP", "x");
        QCOMPARE(QtNameFilters("ZIP Files (*.ZIP, *.EXE *.SPL)|*.zip;*.spl;*.exe|Minden fájl|*.*"),
                 (QStringList{
                     QStringLiteral("ZIP Files (*.ZIP, *.EXE *.SPL) (*.zip *.ZIP *.spl *.SPL *.exe *.EXE)"),
                     QStringLiteral("Minden fájl (*.*)")}));

        QtInteraction interaction;
        WhenModal([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QVERIFY(files != nullptr);
            QCOMPARE(files->windowTitle(), QStringLiteral("Meglévő ZIP fájl megnyitása"));
            QCOMPARE(files->directory().absolutePath().toStdString(), temp.Host("docs"));
            QCOMPARE(files->fileMode(), QFileDialog::ExistingFile);
            files->selectFile(QStringLiteral("A.ZIP"));
            static_cast<QDialog*>(files)->accept();
        });
        platform::FileDialogRequest request{"Meglévő ZIP fájl megnyitása", "ZIP Files|*.zip",
                                            temp.Win("docs"), "", ""};
        QCOMPARE(interaction.OpenFileDialog(request), std::optional<std::string>(temp.Win("docs/A.ZIP")));

        WhenModal([&](QWidget* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            QCOMPARE(files->acceptMode(), QFileDialog::AcceptSave);
            files->selectFile(QString::fromStdString(temp.Host("docs/A.ZIP")));
            static_cast<QDialog*>(files)->accept();
        });
        // No question about the existing file: the commands ask themselves.
        request.title = "Új ZIP Fájl létrehozása";
        QCOMPARE(interaction.SaveFileDialog(request), std::optional<std::string>(temp.Win("docs/A.ZIP")));
        WhenModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
        QCOMPARE(interaction.SaveFileDialog(request), std::nullopt);
    }

    void floppyCopyDrawsItsWindowsThroughTheQtInteraction() {
        Program program;
        const std::string floppy = program.temp.MakeDir("floppy");
        testsupport::ScopedDriveMap drives("C=/;A=floppy:" + floppy);
        platform::FloppyChanger changer(floppy);
        changer.CreateDisk("D1");
        changer.Insert("D1");
        const std::string source = program.temp.Write("BACKUP.ZIP", std::string(3000, 'z'));

        QtInteraction interaction;
        platform::ScopedInteraction scope(interaction);
        std::string request;
        std::string finished;
        bool progressShown = false;
        WhenModal([&](QWidget* dialog) {
            auto* prompt = qobject_cast<TFormNextFloppy*>(dialog);
            QVERIFY(prompt != nullptr);
            request = prompt->Label1->text().toStdString();
            QVERIFY(prompt->CBElotorles->isVisible());
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (window->objectName() == QLatin1String("FormBigCopy") && window->isVisible()) {
                    progressShown = window->windowTitle() == QStringLiteral("Darabolás Floppy-ra");
                }
            }
            QTest::mouseClick(prompt->BitBtn1, Qt::LeftButton);
            // The end of the copy is told in a message box of its own.
            WhenModal([&](QWidget* box) {
                if (auto* message = qobject_cast<QMessageBox*>(box)) {
                    finished = message->text().toStdString();
                }
            });
        });
        program.main->AbortRun = false;
        program.main->RunBigCopy(testsupport::WinPathOf(source), "A:\\BACKUP.SPL", "Darabolás Floppy-ra");
        QCOMPARE(request, std::string("Kérem a 1.Lemezt"));
        QCOMPARE(finished, std::string("Másolás Floppy-ra kész."));
        QVERIFY(progressShown);
        QVERIFY(!program.main->AbortRun);
        QVERIFY(testsupport::ReadFileBytes(changer.DiskFolder("D1") + "/BACKUP.SPL").size() > 3000);
        QVERIFY(!program.main->CommandRunning());
    }
};

QTEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
