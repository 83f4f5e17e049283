#include "tests/app/AppTestSupport.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QItemSelectionModel>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "platform/Drives.h"
#include "tests/libsupport/PeerTools.h"

namespace ruvu::apptest {

Program::Program()
    : previous_(platform::InstallInteraction(&ui)), startDir_(platform::GetCurrentDirectory()) {
    main = std::make_unique<TMainform>();
    extract = new TExtract(main.get());
    add = new TAddForm(main.get());
    main->SetDialogs(extract, add);
    main->show();
}

Program::~Program() {
    main.reset();
    platform::InstallInteraction(previous_);
    // A test may move the start folder into its temporary folder, which goes away with it.
    platform::SetCurrentDirectory(startDir_);
}

std::vector<std::string> Program::BoxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : ui.boxes) {
        texts.push_back(box.text);
    }
    return texts;
}

std::string Program::LastBox() const {
    if (std::getenv("RUVU_TRACE_BOXES") != nullptr) {
        for (const auto& box : ui.boxes) {
            std::fprintf(stderr, "box: %s\n", box.text.c_str());
        }
    }
    return ui.boxes.empty() ? std::string() : ui.boxes.back().text;
}

void Program::SelectRows(int first, int last) {
    QAbstractItemView* grid = main->StringGrid1;
    const QModelIndex top = grid->model()->index(first, 0);
    const QModelIndex bottom = grid->model()->index(last, 3);
    grid->selectionModel()->select(QItemSelection(top, bottom),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void Program::Open(const std::string& hostPath) {
    ui.fileDialogAnswers.push_back(testsupport::WinPathOf(hostPath));
    main->ZIPOpenButClick();
}

void WhenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    auto shared = std::make_shared<std::function<void(QWidget*)>>(std::move(action));
    QObject::connect(timer, &QTimer::timeout, [timer, shared] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        (*shared)(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    });
    timer->start();
}

std::string MakeZip(const testsupport::TempFolder& temp, const std::string& archive,
                    const std::map<std::string, std::string>& files) {
    const std::string source = temp.MakeDir("zipsource-" + archive);
    std::vector<std::string> argv = {"zip", "-q", "-0", "-X", temp.Host(archive)};
    for (const auto& [name, content] : files) {
        temp.Write("zipsource-" + archive + "/" + name, content, 983711106);
        argv.push_back(name);
    }
    const testsupport::ToolResult result = testsupport::RunTool(argv, source);
    if (!result.Ok()) {
        throw std::runtime_error("zip failed: " + result.output);
    }
    return temp.Host(archive);
}

void DamageFile(const std::string& hostPath, const std::vector<std::string>& needles) {
    std::string bytes;
    {
        std::ifstream in(hostPath, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    for (const std::string& needle : needles) {
        const size_t at = bytes.find(needle);
        if (at == std::string::npos) {
            throw std::runtime_error("not in the file: " + needle);
        }
        bytes[at + needle.size() / 2] ^= 0x5A;
    }
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace ruvu::apptest
