#include "app/Addunit.h"

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "app/DialogResults.h"
#include "app/QtText.h"
#include "app/WidgetSetup.h"
#include "platform/Drives.h"
#include "platform/TextCase.h"

namespace ruvu {

TAddForm::TAddForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AddForm");
    setWindowTitle(QStringLiteral("Fájlok hozzáadása"));
    resize(620, 440);

    DriveComboBox1 = Named<TDriveComboBox>("DriveComboBox1", false);
    DirectoryListBox1 = Named<TDirectoryListBox>("DirectoryListBox1");
    SelectAllBut = Named<QPushButton>("SelectAllBut", QStringLiteral("Mindet kijelöl"));
    FileListBox1 = Named<TFileListBox>("FileListBox1");
    Label2 = Named<QLabel>("Label2", QStringLiteral("Beállitások"));
    DirNameCB = Named<QCheckBox>("DirNameCB", QStringLiteral("Könyvtár név tárolva"));
    RecurseCB = Named<QCheckBox>("RecurseCB", QStringLiteral("Alkönyvtárakból is"));
    EncryptCB = Named<QCheckBox>("EncryptCB", QStringLiteral("Titkositás"));
    AddDirBut = Named<QPushButton>("AddDirBut", QStringLiteral("&Könyvtárr  ==>"));
    AddFileBut = Named<QPushButton>("AddFileBut", QStringLiteral("&Fájl ==>"));
    RemoveBut = Named<QPushButton>("RemoveBut", QStringLiteral("&Ezt mégse... <=="));
    OKBut = Named<QPushButton>("OKBut", QStringLiteral("&Rendben"));
    CancelBut = Named<QPushButton>("CancelBut", QStringLiteral("&Mégse"));
    Label1 = Named<QLabel>("Label1", QStringLiteral("Hozzáadni"));
    SortBut = Named<QPushButton>("SortBut", QStringLiteral("&Sorbarendez"));
    SelectedList = Named<QListWidget>("SelectedList");
    SelectedList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (QWidget* widget :
         {static_cast<QWidget*>(Label2), static_cast<QWidget*>(AddDirBut), static_cast<QWidget*>(AddFileBut),
          static_cast<QWidget*>(RemoveBut), static_cast<QWidget*>(Label1)}) {
        MakeBold(widget);
    }
    OKBut->setDefault(true);

    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetDriveList(DriveComboBox1);
    DirectoryListBox1->SetFileList(FileListBox1);
    DirectoryListBox1->SetDirectory(platform::GetCurrentDirectory());

    auto* sources = new QVBoxLayout;
    sources->addWidget(DriveComboBox1);
    sources->addWidget(DirectoryListBox1, 1);
    sources->addWidget(FileListBox1, 1);
    sources->addWidget(SelectAllBut);

    auto* options = new QVBoxLayout;
    options->addWidget(Label2);
    options->addWidget(DirNameCB);
    options->addWidget(RecurseCB);
    options->addWidget(EncryptCB);
    options->addSpacing(16);
    options->addWidget(AddDirBut);
    options->addWidget(AddFileBut);
    options->addWidget(RemoveBut);
    options->addStretch(1);
    options->addWidget(OKBut);
    options->addWidget(CancelBut);

    auto* chosen = new QVBoxLayout;
    chosen->addWidget(Label1);
    chosen->addWidget(SelectedList, 1);
    chosen->addWidget(SortBut);

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(sources, 3);
    columns->addLayout(options, 2);
    columns->addLayout(chosen, 4);

    connect(AddFileBut, &QPushButton::clicked, this, &TAddForm::AddFileButClick);
    connect(AddDirBut, &QPushButton::clicked, this, &TAddForm::AddDirButClick);
    connect(RemoveBut, &QPushButton::clicked, this, &TAddForm::RemoveButClick);
    connect(SelectAllBut, &QPushButton::clicked, this, &TAddForm::SelectAllButClick);
    connect(SortBut, &QPushButton::clicked, this, &TAddForm::SortButClick);
    connect(OKBut, &QPushButton::clicked, this, &TAddForm::OKButClick);
    connect(CancelBut, &QPushButton::clicked, this, &TAddForm::CancelButClick);
}

void TAddForm::showEvent(QShowEvent* event) {
    DriveComboBox1->Refresh();
    DirectoryListBox1->Refresh();
    QDialog::showEvent(event);
}

std::string TAddForm::AppendSlash(std::string_view folder) {
    std::string result(folder);
    if (!result.empty() && result.back() != '\\') {
        result += '\\';
    }
    return result;
}

void TAddForm::AddLine(const std::string& line) {
    int insertAt = SelectedList->count();
    for (int row = 0; row < SelectedList->count(); ++row) {
        const std::string existing = FromQ(SelectedList->item(row)->text());
        if (platform::SameText(existing, line)) {
            return;
        }
        if (sorted_ && insertAt == SelectedList->count() && platform::CompareText(line, existing) < 0) {
            insertAt = row;
        }
    }
    SelectedList->insertItem(insertAt, ToQ(line));
}

void TAddForm::ScrollToLast() {
    if (SelectedList->count() > 0) {
        SelectedList->scrollToItem(SelectedList->item(SelectedList->count() - 1));
    }
}

void TAddForm::AddFileButClick() {
    Results().DialogCanceled = true;
    const std::string folder = AppendSlash(DirectoryListBox1->Directory());
    for (int row = 0; row < FileListBox1->count(); ++row) {
        QListWidgetItem* item = FileListBox1->item(row);
        if (item->isSelected()) {
            AddLine(folder + FromQ(item->text()));
            item->setSelected(false);
        }
    }
    ScrollToLast();
}

void TAddForm::AddDirButClick() {
    Results().DialogCanceled = true;
    AddLine(AppendSlash(DirectoryListBox1->Directory()) + "*.*");
    ScrollToLast();
}

void TAddForm::RemoveButClick() {
    for (int row = SelectedList->count() - 1; row >= 0; --row) {
        if (SelectedList->item(row)->isSelected()) {
            delete SelectedList->takeItem(row);
        }
    }
}

void TAddForm::SelectAllButClick() {
    for (int row = 0; row < FileListBox1->count(); ++row) {
        FileListBox1->item(row)->setSelected(true);
    }
}

void TAddForm::SortButClick() {
    std::vector<std::string> lines = SelectedLines();
    std::stable_sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
        return platform::CompareText(a, b) < 0;
    });
    SelectedList->clear();
    for (const std::string& line : lines) {
        SelectedList->addItem(ToQ(line));
    }
    sorted_ = true;
    SortBut->setEnabled(false);
}

void TAddForm::OKButClick() {
    Results().DialogCanceled = false;
    accept();
}

void TAddForm::CancelButClick() {
    Results().DialogCanceled = true;
    reject();
}

std::vector<std::string> TAddForm::SelectedLines() const {
    std::vector<std::string> lines;
    for (int row = 0; row < SelectedList->count(); ++row) {
        lines.push_back(FromQ(SelectedList->item(row)->text()));
    }
    return lines;
}

}  // namespace ruvu
