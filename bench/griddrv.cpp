// griddrv: opens an archive in the program's main window, as a person's open command does, and
// times how long the grid takes to show the listing, so that bench/run can watch it.
//
//   griddrv ARCHIVE   prints "entries N listing_ms L grid_ms G"
//
// L runs from the open command to the engine's listing end (its directory update); G from there to
// the grid filled and laid out: the model reset, the column widths set, every pending event
// processed and the grid's rows painted. The window is the program's own, shown on the platform
// QT_QPA_PLATFORM names (offscreen in the bench), with the file dialog answered by a script. The exit
// status is 0 when the grid shows every entry of the archive.
#include <QApplication>
#include <QEvent>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/Addunit.h"
#include "app/QtText.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts the paints of a widget.
class PaintCounter : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
    int paints = 0;
};

// Qt's notes about the platform are dropped, its errors kept.
void QtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", qPrintable(message));
    }
}

double Milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

int Run(const std::string& hostPath) {
    const std::optional<std::string> archive = ruvu::platform::HostToWindowsPath(hostPath);
    if (!archive) {
        std::fprintf(stderr, "griddrv: no drive reaches %s\n", hostPath.c_str());
        return 1;
    }
    ruvu::platform::ScriptedInteraction ui;
    ruvu::platform::Interaction* previous = ruvu::platform::InstallInteraction(&ui);
    auto main = std::make_unique<ruvu::TMainform>();
    auto* extract = new ruvu::TExtract(main.get());
    auto* add = new ruvu::TAddForm(main.get());
    main->SetDialogs(extract, add);
    main->show();
    for (int round = 0; round < 5; ++round) {
        QApplication::processEvents();
    }

    // The window's own directory update handler fills the grid; the listing ends where it is called.
    Clock::time_point listed{};
    auto fill = main->DozErozev1.OnDirUpdate;
    main->DozErozev1.OnDirUpdate = [&listed, &fill](ruvu::TObject* sender) {
        listed = Clock::now();
        fill(sender);
    };
    PaintCounter counter;
    main->StringGrid1->viewport()->installEventFilter(&counter);

    ui.fileDialogAnswers.push_back(*archive);
    const Clock::time_point clicked = Clock::now();
    main->ZIPOpenButClick();
    // The reset, the layout and the paints are posted events and timers; the grid is shown when its
    // viewport has painted and two more rounds of events bring no further paint (or, failing that,
    // after a few seconds).
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    for (int quiet = 0; quiet < 2 && Clock::now() < deadline;) {
        const int paints = counter.paints;
        QApplication::processEvents();
        quiet = counter.paints > 0 && counter.paints == paints ? quiet + 1 : 0;
    }
    const Clock::time_point shown = Clock::now();

    const int entries = main->DozErozev1.Count();
    const QTableView* grid = main->StringGrid1;
    const bool filled = listed != Clock::time_point{} && counter.paints > 0 && entries > 0 &&
                        grid->model()->rowCount() == entries && grid->rowAt(0) == 0 &&
                        ruvu::FromQ(grid->model()->index(0, 0).data().toString()) ==
                            main->DozErozev1.Entries().front().FileName;
    for (const auto& box : ui.boxes) {
        std::fprintf(stderr, "griddrv: box: %s\n", box.text.c_str());
    }
    if (filled) {
        std::printf("entries %d listing_ms %.1f grid_ms %.1f\n", entries, Milliseconds(clicked, listed),
                    Milliseconds(listed, shown));
    } else {
        std::fprintf(stderr, "griddrv: the grid does not show the archive's entries\n");
    }
    main->FormDestroy();
    main.reset();
    ruvu::platform::InstallInteraction(previous);
    return filled ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: griddrv ARCHIVE\n", stderr);
        return 2;
    }
    qInstallMessageHandler(QtErrors);
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    return Run(argv[1]);
}
