#include "app/extrunit.h"

#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/DialogResults.h"
#include "app/WidgetSetup.h"
#include "platform/Drives.h"

namespace ruvu {

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent), buttons_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int index = 0; index < items.size(); ++index) {
        auto* button = new QRadioButton(items[index]);
        buttons_->addButton(button, index);
        layout->addWidget(button);
    }
}

void TRadioGroup::SetItemIndex(int index) {
    if (QAbstractButton* button = buttons_->button(index)) {
        button->setChecked(true);
    }
}

TExtract::TExtract(QWidget* parent) : QDialog(parent) {
    setObjectName("Extract");
    setWindowTitle(QStringLiteral("Kibontás bázis könyvtára"));
    resize(525, 418);

    DriveComboBox1 = Named<TDriveComboBox>("DriveComboBox1", true);
    DirectoryListBox1 = Named<TDirectoryListBox>("DirectoryListBox1");
    RadioGroup1 = Named<TRadioGroup>("RadioGroup1", QStringLiteral("ZIP -ben tárol könyvtárba?"),
                                     QStringList{QStringLiteral("Nem"), QStringLiteral("Igen")});
    RadioGroup2 = Named<TRadioGroup>("RadioGroup2", QStringLiteral("Ha már van felülirni?"),
                                     QStringList{QStringLiteral("Nem"), QStringLiteral("Igen")});
    RadioGroup3 = Named<TRadioGroup>(
        "RadioGroup3", QStringLiteral("Kibontani"),
        QStringList{QStringLiteral("Minden fájlt"), QStringLiteral("A kiválasztott fájlokat")});
    OKBut = Named<QPushButton>("OKBut", QStringLiteral("&Rendben"));
    CancelBut = Named<QPushButton>("CancelBut", QStringLiteral("&Mégsem"));
    OKBut->setDefault(true);

    RadioGroup1->SetItemIndex(0);
    RadioGroup2->SetItemIndex(1);
    RadioGroup3->SetItemIndex(0);

    DriveComboBox1->SetDirList(DirectoryListBox1);
    DirectoryListBox1->SetDriveList(DriveComboBox1);
    DirectoryListBox1->SetDirectory(platform::GetCurrentDirectory());

    auto* folders = new QVBoxLayout;
    folders->addWidget(DriveComboBox1);
    folders->addWidget(DirectoryListBox1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(OKBut);
    buttons->addWidget(CancelBut);

    auto* choices = new QVBoxLayout;
    choices->addWidget(RadioGroup1);
    choices->addWidget(RadioGroup2);
    choices->addWidget(RadioGroup3);
    choices->addStretch(1);
    choices->addLayout(buttons);

    auto* columns = new QHBoxLayout(this);
    columns->addLayout(folders, 1);
    columns->addLayout(choices, 1);

    connect(OKBut, &QPushButton::clicked, this, &TExtract::OKButClick);
    connect(CancelBut, &QPushButton::clicked, this, &TExtract::CancelButClick);
}

void TExtract::showEvent(QShowEvent* event) {
    Results().DialogCanceled = true;
    DriveComboBox1->Refresh();
    DirectoryListBox1->Refresh();
    QDialog::showEvent(event);
}

void TExtract::OKButClick() {
    DialogResults& results = Results();
    results.DialogCanceled = false;
    results.ExtractDir = DirectoryListBox1->Directory();
    results.ExpandDirs = RadioGroup1->ItemIndex() != 0;
    results.OverwriteFiles = RadioGroup2->ItemIndex() != 0;
    results.AllFiles = RadioGroup3->ItemIndex() == 0;
    accept();
}

void TExtract::CancelButClick() {
    Results().ExtractDir.clear();
    reject();
}

}  // namespace ruvu
