#include "app/ScreenshotTour.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/Addunit.h"
#include "app/AskOverWrite.h"
#include "app/BigCopyWindow.h"
#include "app/NextFloppy.h"
#include "app/QtInteraction.h"
#include "app/QtText.h"
#include "app/ZipPassDlg.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Drives.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

class Camera {
  public:
    explicit Camera(std::string folder) : folder_(std::move(folder)) {}

    // Shows a window, lets it lay itself out and paint, saves it, hides it again.
    void Take(QWidget& widget, const char* name, bool keepShown = false) {
        widget.show();
        widget.raise();
        Settle();
        Save(widget, name);
        if (!keepShown) {
            widget.hide();
        }
    }
    // The window with a strip above it that carries its caption, as a window manager would draw it.
    void Save(QWidget& widget, const char* name) {
        const std::string path = folder_ + "/" + name + ".png";
        const QPixmap content = widget.grab();
        constexpr int kStrip = 24;
        QPixmap picture(content.width(), content.height() + kStrip);
        picture.fill(QColor(0x3c, 0x5a, 0x8c));
        QPainter painter(&picture);
        painter.setPen(Qt::white);
        painter.drawText(QRect(8, 0, content.width() - 16, kStrip), Qt::AlignVCenter | Qt::AlignLeft,
                         widget.windowTitle());
        painter.drawPixmap(0, kStrip, content);
        painter.end();
        if (!picture.save(ToQ(path), "PNG")) {
            std::fprintf(stderr, "screenshot not saved: %s\n", path.c_str());
            failed_ = true;
        }
    }
    static void Settle() {
        for (int round = 0; round < 5; ++round) {
            QApplication::processEvents();
        }
    }
    bool Failed() const { return failed_; }

  private:
    std::string folder_;
    bool failed_ = false;
};

// Answers the next modal box after saving it.
void SaveNextModal(Camera& camera, const char* name) {
    QTimer::singleShot(300, [&camera, name] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            camera.Save(*modal, name);
            modal->close();
        }
    });
}

}  // namespace

int RunScreenshotTour(TMainform& mainform, TExtract& extract, TAddForm& add, QtInteraction& interaction,
                      const std::string& folder, const std::string& archive) {
    Camera camera(folder);
    mainform.show();
    Camera::Settle();
    const std::optional<std::string> archiveName = platform::HostToWindowsPath(archive);
    if (archiveName) {
        mainform.DozErozev1.SetZipFileName(*archiveName);
        mainform.StringGrid1->selectRow(1);
        mainform.TimeLabel->setText(QStringLiteral("00:01"));
        mainform.DozErozev1Message(nullptr, 0, "Ellenörzés start " + *archiveName);
    }
    camera.Take(mainform, "main", true);

    if (archiveName) {
        const std::string archiveFolder = platform::ExtractFileDir(*archiveName);
        add.DirectoryListBox1->SetDirectory(archiveFolder);
        extract.DirectoryListBox1->SetDirectory(archiveFolder);
    }
    add.AddDirButClick();
    add.SelectAllButClick();
    camera.Take(add, "add");
    camera.Take(extract, "extract");

    TPasswordDlg password("Password", "Enter Password ", 6, &mainform);
    camera.Take(password, "password");

    TFelulirhato overwrite(&mainform);
    overwrite.Prepare("Mentés 2001-03-04\nC:\\ADAT\\*.*\n", "Mentés 2001-02-25\nC:\\ADAT\\*.*\n",
                      "Darabolás Floppy-ra");
    camera.Take(overwrite, "overwrite");

    TFormNextFloppy nextFloppy(&mainform);
    nextFloppy.Prepare({"RuvuvADU", "Kérem a 2.Lemezt", "(összesen 3)", true, true});
    camera.Take(nextFloppy, "nextfloppy");

    TFormBigCopy bigCopy(&mainform);
    bigCopy.SetCaption("Darabolás Floppy-ra");
    bigCopy.SetPieceProgress(40);
    bigCopy.SetDiskMaximum(3);
    bigCopy.SetDiskPosition(1);
    camera.Take(bigCopy, "bigcopy");

    SaveNextModal(camera, "messagebox");
    interaction.MessageBox("DLL hiba: Error opening archive", "RuvuvADU", platform::MB_OK);
    SaveNextModal(camera, "question");
    interaction.MessageBox("Törölni a kijelölt fájlokat C:\\ADAT\\MINTA.ZIP-ből ?", "RuvuvADU",
                           platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2);

    mainform.FormDestroy();
    return camera.Failed() ? 1 : 0;
}

}  // namespace ruvu
