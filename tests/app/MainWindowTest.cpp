// The main window: listing an archive into the grid, the labels, the message box, the progress bar,
// the elapsed time, and the archive file commands (open, new, delete).
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>
#include <ctime>

#include "app/QtTranslations.h"
#include "platform/DateFormat.h"
#include "platform/DosTime.h"
#include "platform/FileSystem.h"
#include "tests/app/AppTestSupport.h"
#include "tests/libsupport/PeerTools.h"

using namespace ruvu;
using ruvu::apptest::Program;

namespace {

std::string Text(const QLabel* label) {
    return label->text().toStdString();
}

// Keeps the program-wide formats of a test from leaking into the next one.
class FormatScope {
  public:
    FormatScope() : date_(platform::ShortDateFormat()), time_(platform::ShortTimeFormat()) {}
    ~FormatScope() {
        platform::SetShortDateFormat(date_);
        platform::SetShortTimeFormat(time_);
    }

  private:
    std::string date_;
    std::string time_;
};

// Every header and every cell of the grid reads in full, and the columns fit the grid: nothing to
// scroll sideways.
void ExpectColumnsReadInFull(TMainform& main) {
    QTableView* grid = main.StringGrid1;
    const QHeaderView* header = grid->horizontalHeader();
    const int headerMargin = 2 * grid->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    // A cell paints its text inside the style's margins, left of its grid line.
    const int cellMargin =
        2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    const QAbstractItemModel* model = grid->model();
    int total = 0;
    for (int column = 0; column < model->columnCount(); ++column) {
        const QString text = model->headerData(column, Qt::Horizontal).toString();
        QVERIFY2(header->fontMetrics().horizontalAdvance(text) + headerMargin <= grid->columnWidth(column),
                 qPrintable(text));
        for (int row = 0; column > 0 && row < model->rowCount(); ++row) {
            const QString cell = model->index(row, column).data().toString();
            QVERIFY2(grid->fontMetrics().horizontalAdvance(cell) + cellMargin <= grid->columnWidth(column),
                     qPrintable(cell));
        }
        total += grid->columnWidth(column);
    }
    QVERIFY(total <= grid->viewport()->width());
    QCOMPARE(grid->horizontalScrollBar()->maximum(), 0);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void startsWithTitlesControlsAndAnEmptyGrid() {
        Program program;
        TMainform& main = *program.main;
        QCOMPARE(main.windowTitle(), QStringLiteral("Talvo ZIP"));
        QCOMPARE(Text(main.ZipFName), std::string("<nincs>"));
        QCOMPARE(Text(main.FilesLabel), std::string("0"));
        QCOMPARE(Text(main.TimeLabel), std::string("00:00"));
        QCOMPARE(main.AddBut->toolTip(), QStringLiteral("Fájlok hozzáadása"));
        QCOMPARE(main.CloseBut->text(), QStringLiteral("&Kilépés"));
        QVERIFY(!main.VerboseCB->isChecked() && !main.TraceCB->isChecked());
        QCOMPARE(main.ExitStatus, 0);
        QVERIFY(main.ProgramDir.size() <= 80 && main.ProgramDir.back() == '\\');
        QCOMPARE(main.TempArchiveName(), main.ProgramDir + "_RUVUVADU.TMP");

        QAbstractItemModel* model = main.StringGrid1->model();
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(model->columnCount(), 4);
        const char* headers[] = {"Fájl név", "Tömöritett méret", "Eredeti méret", "Időpont"};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(),
                     QString::fromUtf8(headers[column]));
            QCOMPARE(model->index(0, column).data().toString(), QString());
        }
        QCOMPARE(main.StringGrid1->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(main.StringGrid1->selectionMode(), QAbstractItemView::ContiguousSelection);
        // Both libraries are held from the start.
        QVERIFY(program.ui.boxes.empty());
    }

    void opensAnArchiveIntoTheGridInArchiveOrder() {
        Program program;
        FormatScope formats;
        platform::SetShortDateFormat("yyyy/mm/dd");
        platform::SetShortTimeFormat("hh:nn");
        const std::string archive = apptest::MakeZip(
            program.temp, "list.zip", {{"b.txt", "bbbbbbbbbb"}, {"sub/a.txt", "aaa"}, {"c.txt", ""}});
        program.Open(archive);

        const auto& dialog = program.ui.fileDialogs.back();
        QVERIFY(!dialog.save);
        QCOMPARE(dialog.request.title, std::string("Meglévő ZIP fájl megnyitása"));
        QCOMPARE(dialog.request.filter, std::string("ZIP Files (*.ZIP, *.EXE *.SPL)|*.zip;*.spl;*.exe"));

        TMainform& main = *program.main;
        QCOMPARE(Text(main.FilesLabel), std::string("3"));
        QCOMPARE(Text(main.ZipFName), testsupport::WinPathOf(archive));
        EntryTableModel& grid = main.GridModel();
        QCOMPARE(grid.rowCount(), 3);
        // zip stores the names in the order given: sorted by the fixture's map.
        QCOMPARE(grid.CellText(0, 0), std::string("b.txt"));
        QCOMPARE(grid.CellText(2, 0), std::string("sub\\a.txt"));
        QCOMPARE(grid.CellText(0, 1), std::string("10"));
        QCOMPARE(grid.CellText(0, 2), std::string("10"));
        const uint32_t stamp = main.DozErozev1.Entries()[0].DosDateTime;
        const platform::DosDateTimeParts parts = platform::DecodeDosDateTime(stamp);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d/%02d/%02d  %02d:%02d", parts.year, parts.month,
                      parts.day, parts.hour, parts.minute);
        QCOMPARE(grid.CellText(0, 3), std::string(expected));

        // The date column follows a later change of the program's short date format.
        platform::SetShortDateFormat("dd.mm.yyyy");
        std::snprintf(expected, sizeof expected, "%02d.%02d.%04d  %02d:%02d", parts.day, parts.month,
                      parts.year, parts.hour, parts.minute);
        QCOMPARE(grid.CellText(0, 3), std::string(expected));
        QVERIFY(program.ui.boxes.empty());
    }

    void headersDatesAndMethodsReadInFullAtTheDefaultSize() {
        FormatScope formats;
        {
            // No locale of the user's own: the program's formats are the Hungarian ones.
            setenv("LC_ALL", "C", 1);
            platform::SetShortDateFormat(platform::LocaleShortDateFormat());
            platform::SetShortTimeFormat(platform::LocaleShortTimeFormat());
            unsetenv("LC_ALL");
        }
        Program program;
        const std::string archive = apptest::MakeZip(program.temp, "dates.zip", {{"x.txt", "x"}});
        program.Open(archive);
        TMainform& main = *program.main;
        QCOMPARE(main.size(), QSize(649, 455));
        QTest::qWait(20);

        const platform::DosDateTimeParts parts =
            platform::DecodeDosDateTime(main.DozErozev1.Entries()[0].DosDateTime);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%04d. %02d. %02d.  %d:%02d", parts.year, parts.month,
                      parts.day, parts.hour, parts.minute);
        QCOMPARE(main.GridModel().CellText(0, 3), std::string(expected));
        QCOMPARE(main.StringGrid1->model()->columnCount(), 4);
        ExpectColumnsReadInFull(main);

        // Entries of other methods bring a fifth column naming them; it fits beside the others, with
        // the longest name 7z writes.
        const std::string folder = program.temp.MakeDir("methods");
        program.temp.Write("methods/a.txt", std::string(3000, 'a'));
        program.temp.Write("methods/b.txt", std::string(3000, 'b'));
        program.temp.Write("methods/c.txt", std::string(3000, 'c'));
        for (const char* command :
             {"7z a -tzip -bd -mm=Deflate m.zip a.txt", "7z a -tzip -bd -mm=BZip2 m.zip b.txt",
              "7z a -tzip -bd -mm=Deflate64 -mem=AES256 -pjelszo m.zip c.txt"}) {
            QVERIFY(testsupport::RunTool({"sh", "-c", std::string(command) + " > /dev/null"}, folder).Ok());
        }
        program.Open(program.temp.Host("methods/m.zip"));
        QTest::qWait(20);
        QAbstractItemModel* model = main.StringGrid1->model();
        QCOMPARE(model->columnCount(), 5);
        QCOMPARE(model->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Módszer"));
        QCOMPARE(main.GridModel().CellText(0, 4), std::string());
        QCOMPARE(main.GridModel().CellText(1, 4), std::string("BZip2"));
        QCOMPARE(main.GridModel().CellText(2, 4), std::string("AES-256 Deflate64"));
        ExpectColumnsReadInFull(main);

        // A plain archive again: four columns, sized as before.
        program.Open(archive);
        QTest::qWait(20);
        QCOMPARE(main.StringGrid1->model()->columnCount(), 4);
        ExpectColumnsReadInFull(main);
    }

    void dateColumnIsShortDateTwoSpacesShortTime() {
        FormatScope formats;
        platform::SetShortDateFormat("yyyy-mm-dd");
        platform::SetShortTimeFormat("h:nn");
        const uint32_t stamp = platform::EncodeDosDateTime({2001, 3, 4, 13, 5, 6});
        QCOMPARE(EntryTableModel::DateText(platform::DosDateTimeToUnix(stamp)),
                 std::string("2001-03-04  13:05"));
        platform::SetShortDateFormat("d/m/yy");
        QCOMPARE(EntryTableModel::DateText(
                     platform::DosDateTimeToUnix(platform::EncodeDosDateTime({1999, 12, 9, 7, 0, 0}))),
                 std::string("9/12/99  7:00"));
    }

    void fileThatIsNoArchiveIsReportedAndNothingStaysOpen() {
        Program program;
        const std::string good = apptest::MakeZip(program.temp, "good.zip", {{"x.txt", "x"}, {"y.txt", "y"}});
        const std::string bad = program.temp.Write("notes.zip", std::string(5000, 'n'));
        program.Open(good);
        QCOMPARE(program.main->GridModel().rowCount(), 2);

        program.Open(bad);
        TMainform& main = *program.main;
        QVERIFY(!program.ui.boxes.empty());
        QVERIFY(main.DozErozev1.ZipFileName().empty());
        QCOMPARE(main.GridModel().rowCount(), 1);
        QCOMPARE(main.GridModel().CellText(0, 0), std::string());
        QCOMPARE(Text(main.FilesLabel), std::string("0"));
        QCOMPARE(testsupport::ReadFileBytes(bad), std::string(5000, 'n'));
        QVERIFY(!main.CommandRunning());

        // Nothing is open, so nothing can be added to the file that failed.
        program.ui.boxes.clear();
        main.AddButClick();
        QCOMPARE(program.LastBox(), std::string("Nincs megnyitva ZIP fájl!"));
        QCOMPARE(testsupport::ReadFileBytes(bad), std::string(5000, 'n'));
    }

    void aFileDroppedOnTheWindowOpensAsTheOpenCommandOpensIt() {
        Program program;
        TMainform& main = *program.main;
        const std::string archive =
            apptest::MakeZip(program.temp, "dropped.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
        const std::string other = apptest::MakeZip(program.temp, "other.zip", {{"c.txt", "c"}});
        const auto drop = [&main](const QList<QUrl>& urls) {
            QMimeData data;
            data.setUrls(urls);
            QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&main, &enter);
            QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&main, &dropped);
            QCoreApplication::processEvents();
            return enter.isAccepted() && dropped.isAccepted();
        };
        const auto url = [](const std::string& path) {
            return QUrl::fromLocalFile(QString::fromStdString(path));
        };
        QVERIFY(drop({url(archive)}));
        QCOMPARE(main.DozErozev1.ZipFileName(), testsupport::WinPathOf(archive));
        QCOMPARE(Text(main.ZipFName), testsupport::WinPathOf(archive));
        QCOMPARE(main.GridModel().rowCount(), 2);

        // Only one file is taken: not two at once, a folder or a web address.
        QVERIFY(!drop({url(other), url(archive)}));
        QVERIFY(!drop({url(program.temp.Path())}));
        QVERIFY(!drop({QUrl(QStringLiteral("https://example.org/x.zip"))}));
        QCOMPARE(main.DozErozev1.ZipFileName(), testsupport::WinPathOf(archive));
        QVERIFY(program.ui.fileDialogs.empty());
        QVERIFY(program.ui.boxes.empty());
    }

    void qtsOwnButtonsSpeakHungarian() {
        QObject owner;
        QVERIFY(InstallQtTranslations(&owner));
        QDialogButtonBox box(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Mégse"));
    }

    void messagesGoToTheMemoAndPositiveCodesToABoxAndTheExitStatus() {
        Program program;
        TMainform& main = *program.main;
        main.DozErozev1Message(nullptr, 0, "first line");
        QVERIFY(program.ui.boxes.empty());
        main.DozErozev1Message(nullptr, 3, "Error opening archive");
        QCOMPARE(main.Memo1->toPlainText(), QStringLiteral("first line\nError opening archive"));
        QCOMPARE(program.LastBox(), std::string("DLL hiba: Error opening archive"));
        QCOMPARE(program.ui.boxes.back().flags, uint32_t{platform::MB_OK});
        QCOMPARE(main.ExitStatus, 3);
        main.DozErozev1Message(nullptr, -1, "warning only");
        QCOMPARE(main.ExitStatus, 3);
        QCOMPARE(program.ui.boxes.size(), size_t{1});

        // A full box says so once and drops the lines that do not fit.
        main.SetMemoCapacity(3);
        main.DozErozev1Message(nullptr, 0, "third");
        main.DozErozev1Message(nullptr, 0, "lost");
        main.DozErozev1Message(nullptr, 0, "lost too");
        QCOMPARE(program.LastBox(), std::string("Memo Full - Túl so fájl..."));
        QCOMPARE(program.ui.boxes.size(), size_t{2});
        QVERIFY(!main.Memo1->toPlainText().contains(QStringLiteral("lost")));
    }

    void progressBarCountsBlocksOf32KiB() {
        Program program;
        TMainform& main = *program.main;
        const int pendingBefore = program.ui.pendingEventCalls;
        auto report = [&main](ProgressType type, int32_t size) {
            main.DozErozev1Progress(nullptr, type, "f", size);
        };

        report(ptItemStart, 40000);
        QCOMPARE(main.Progress().maximum, 1);
        QCOMPARE(main.Progress().steps, 0);
        report(ptItemProgress, 32768);
        QCOMPARE(main.Progress().steps, 0);
        QCOMPARE(main.ProgressBar1->value(), 0);

        report(ptItemStart, 32767);
        QCOMPARE(main.Progress().maximum, 1);
        QCOMPARE(main.Progress().steps, 1);
        QCOMPARE(main.ProgressBar1->value(), main.ProgressBar1->maximum());

        report(ptItemStart, 100000);
        QCOMPARE(main.Progress().maximum, 3);
        QCOMPARE(main.Progress().position, 1);
        report(ptItemProgress, 32768);
        report(ptItemProgress, 32768);
        QCOMPARE(main.Progress().position, 3);
        report(ptItemProgress, 32768);
        QCOMPARE(main.Progress().position, 3);
        QCOMPARE(main.ProgressBar1->value(), main.ProgressBar1->maximum());
        report(ptTotalSize, 5);
        QCOMPARE(main.Progress().position, 3);

        report(ptItemEnd, 0);
        QCOMPARE(main.Progress().minimum, 1);
        QCOMPARE(main.Progress().maximum, 10);
        QCOMPARE(main.Progress().position, 1);
        QCOMPARE(main.ProgressBar1->value(), 0);
        // Every report lets the window work.
        QCOMPARE(program.ui.pendingEventCalls - pendingBefore, 9);
    }

    void elapsedTextShowsMinutesAndSeconds() {
        QCOMPARE(TMainform::ElapsedText(1000, 62999), std::string("01:01"));
        QCOMPARE(TMainform::ElapsedText(0, 600000), std::string("10:00"));
        QCOMPARE(TMainform::ElapsedText(5, 60004), std::string("00:59"));
        QCOMPARE(TMainform::ElapsedText(0, 6000000), std::string("100:00"));
        // The tick counter wraps at 2^32.
        QCOMPARE(TMainform::ElapsedText(0xFFFFFC18u, 2000), std::string("00:03"));
    }

    void zipNameGetsAHintOnlyWhenTooWide() {
        Program program;
        TMainform& main = *program.main;
        main.ShowZipName("C:\\A.ZIP");
        QCOMPARE(main.ZipFName->toolTip(), QString());
        const std::string longName = "C:\\" + std::string(400, 'N') + ".ZIP";
        main.ShowZipName(longName);
        QCOMPARE(Text(main.ZipFName), longName);
        QCOMPARE(main.ZipFName->toolTip().toStdString(), longName);
        main.ShowZipName("C:\\B.ZIP");
        QCOMPARE(main.ZipFName->toolTip(), QString());
    }

    void newArchiveNameRules() {
        Program program;
        TMainform& main = *program.main;
        auto create = [&](const std::string& name) {
            program.ui.fileDialogAnswers.push_back(name);
            main.NewZipBtnClick();
        };

        create(program.temp.Win("NEW"));
        QCOMPARE(main.DozErozev1.ZipFileName(), program.temp.Win("NEW") + ".zip");
        QCOMPARE(Text(main.ZipFName), program.temp.Win("NEW") + ".zip");
        QCOMPARE(main.GridModel().rowCount(), 1);
        const auto& dialog = program.ui.fileDialogs.back();
        QVERIFY(dialog.save);
        QCOMPARE(dialog.request.title, std::string("Új ZIP Fájl létrehozása"));
        QCOMPARE(dialog.request.filter, std::string("ZIP Files (*.ZIP)|*.zip"));
        QVERIFY(dialog.request.fileName.empty());
        QVERIFY(program.ui.boxes.empty());

        program.temp.MakeDir("MY.DIR");
        create(program.temp.Win("MY.DIR/NEW"));
        QCOMPARE(program.LastBox(), std::string("Hiba: csak ZIP kiterjesztés lehet!"));
        create(program.temp.Win("X.EXE"));
        QCOMPARE(program.LastBox(), std::string("SFX készités elött ZIP fájlt kell létrehozni"));
        QCOMPARE(main.DozErozev1.ZipFileName(), program.temp.Win("NEW") + ".zip");

        // An existing file is replaced only after Yes.
        const std::string old = apptest::MakeZip(program.temp, "OLD.zip", {{"k.txt", "keep"}});
        program.ui.boxAnswers.push_back(platform::IDNO);
        create(program.temp.Win("OLD.zip"));
        QCOMPARE(program.LastBox(), "Overwrite Existing File: " + program.temp.Win("OLD.zip") + "?");
        QVERIFY(platform::FileExists(program.temp.Win("OLD.zip")));
        QCOMPARE(main.DozErozev1.ZipFileName(), program.temp.Win("NEW") + ".zip");

        program.ui.boxAnswers.push_back(platform::IDYES);
        create(program.temp.Win("OLD.zip"));
        QVERIFY(!platform::FileExists(program.temp.Win("OLD.zip")));
        QCOMPARE(main.DozErozev1.ZipFileName(), program.temp.Win("OLD.zip"));
        QCOMPARE(Text(main.FilesLabel), std::string("0"));

        // Cancel changes nothing.
        program.ui.fileDialogAnswers.push_back(std::nullopt);
        main.NewZipBtnClick();
        QCOMPARE(main.DozErozev1.ZipFileName(), program.temp.Win("OLD.zip"));
    }

    void deleteArchiveFileAsksFirst() {
        Program program;
        TMainform& main = *program.main;
        const std::string archive = apptest::MakeZip(program.temp, "gone.zip", {{"a.txt", "a"}});
        program.Open(archive);
        const std::string name = testsupport::WinPathOf(archive);

        program.ui.boxAnswers.push_back(platform::IDNO);
        main.DeleteZIPButClick();
        QCOMPARE(program.LastBox(), "Törölni akarja: " + name + "?");
        QVERIFY(program.ui.boxes.back().flags & platform::MB_YESNO);
        QVERIFY(platform::FileExists(name));
        QCOMPARE(Text(main.ZipFName), name);
        QCOMPARE(Text(main.FilesLabel), std::string("1"));

        program.ui.boxAnswers.push_back(platform::IDYES);
        main.DeleteZIPButClick();
        QVERIFY(!platform::FileExists(name));
        QCOMPARE(Text(main.ZipFName), std::string("<none>"));
        QCOMPARE(Text(main.FilesLabel), std::string("0"));
        QCOMPARE(main.GridModel().rowCount(), 1);
        QVERIFY(main.DozErozev1.ZipFileName().empty());

        main.DeleteZIPButClick();
        QCOMPARE(program.LastBox(), std::string("Zip fájl nem található: <none>"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
