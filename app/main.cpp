// Program start: the application, its three forms in order, the event loop, and the exit status.
#include <QApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/Addunit.h"
#include "app/QtInteraction.h"
#include "app/ScreenshotTour.h"
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

}  // namespace

int main(int argc, char** argv) {
    const bool hasDisplay = HasDisplay();
    if (!hasDisplay) {
        // No one can see a window: run offscreen, with every box and dialog on the console.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("RuvuvADU"));

    ruvu::QtInteraction qtInteraction;
    const QString platformName = QGuiApplication::platformName();
    const bool drawn =
        hasDisplay && platformName != QLatin1String("offscreen") && platformName != QLatin1String("minimal");
    if (drawn) {
        ruvu::platform::InstallInteraction(&qtInteraction);
    }

    std::vector<std::string> arguments(argv + 1, argv + argc);
    auto mainform = std::make_unique<ruvu::TMainform>(std::move(arguments));
    auto* extract = new ruvu::TExtract(mainform.get());
    auto* add = new ruvu::TAddForm(mainform.get());
    mainform->SetDialogs(extract, add);
    qtInteraction.SetMainWindow(mainform.get());

    if (const char* folder = std::getenv("RUVUVADU_SCREENSHOTS"); folder != nullptr && *folder != '\0') {
        const char* archive = std::getenv("RUVUVADU_SCREENSHOT_ARCHIVE");
        return ruvu::RunScreenshotTour(*mainform, *extract, *add, qtInteraction, folder,
                                       archive != nullptr ? archive : "");
    }

    mainform->show();
    QApplication::exec();
    mainform->FormDestroy();
    const int exitStatus = mainform->ExitStatus;
    mainform.reset();
    ruvu::platform::InstallInteraction(nullptr);
    return exitStatus;
}
