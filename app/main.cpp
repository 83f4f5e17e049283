// Program start: --help and --version, the application, its three forms in order, the event loop, and
// the exit status. Without a display nothing may wait for a person who is not there: the program
// runs offscreen, asks its questions on the terminal and ends when no run is left to do.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Addunit.h"
#include "app/ProgramArguments.h"
#include "app/QtInteraction.h"
#include "app/QtTranslations.h"
#include "app/ScreenshotTour.h"
#include "app/Usage.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Interaction.h"

namespace {

bool HasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return true;
        }
    }
    return false;
}

void Write(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

// On the terminal only the program's own texts and questions are to be read: Qt's notes about the
// offscreen platform are dropped, its errors kept.
void TerminalMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        Write(stderr, message.toLocal8Bit().toStdString() + "\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && arguments.front() == "--help") {
        Write(stdout, ruvu::UsageText());
        return 0;
    }
    if (!arguments.empty() && arguments.front() == "--version") {
        Write(stdout, ruvu::VersionText());
        return 0;
    }
    const bool hasDisplay = HasDisplay();
    if (!hasDisplay && arguments.empty()) {
        Write(stderr, ruvu::NoDisplayText());
        Write(stderr, ruvu::UsageText());
        return 0;
    }
    if (!hasDisplay) {
        // No one can see a window: run offscreen, with every box and dialog on the console.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(TerminalMessages);
    }
    // Qt sees the program name only: every argument is the program's own, also one that looks like
    // a Qt option ("-style", "-session").
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("RuvuvADU"));
    // The menu entry and the icon of the installed program (none where it is not installed).
    QGuiApplication::setDesktopFileName(QStringLiteral("hu.ruvuvadu.RuvuvADU"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("ruvuvadu")));
    ruvu::InstallQtTranslations(&application);

    ruvu::QtInteraction qtInteraction;
    const QString platformName = QGuiApplication::platformName();
    const bool drawn =
        hasDisplay && platformName != QLatin1String("offscreen") && platformName != QLatin1String("minimal");
    if (drawn) {
        ruvu::platform::InstallInteraction(&qtInteraction);
    }

    auto mainform = std::make_unique<ruvu::TMainform>(arguments);
    auto* extract = new ruvu::TExtract(mainform.get());
    auto* add = new ruvu::TAddForm(mainform.get());
    mainform->SetDialogs(extract, add);
    qtInteraction.SetMainWindow(mainform.get());

    if (const char* folder = std::getenv("RUVUVADU_SCREENSHOTS"); folder != nullptr && *folder != '\0') {
        const char* archive = std::getenv("RUVUVADU_SCREENSHOT_ARCHIVE");
        return ruvu::RunScreenshotTour(*mainform, *extract, *add, qtInteraction, folder,
                                       archive != nullptr ? archive : "");
    }

    if (!hasDisplay) {
        mainform->OnStaysOpen = [form = mainform.get(), &arguments] {
            // Without an error, only a list file that does not exist leaves a requested run undone.
            if (form->ExitStatus == 0 && ruvu::ArgumentRunKind(arguments) != ruvu::ArgumentRun::None) {
                form->ExitStatus = 2;
            }
            Write(stderr, ruvu::NoDisplayText());
            QTimer::singleShot(0, form, &QWidget::close);
        };
    }
    mainform->show();
    QApplication::exec();
    mainform->FormDestroy();
    const int exitStatus = mainform->ExitStatus;
    mainform.reset();
    ruvu::platform::InstallInteraction(nullptr);
    return ruvu::ProcessExitCode(exitStatus);
}
