#include "app/NextFloppy.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>

#include "app/QtText.h"
#include "app/WidgetSetup.h"

namespace ruvu {

TFormNextFloppy::TFormNextFloppy(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("FormNextFloppy");
    setWindowTitle(QStringLiteral("RuvuvADU"));

    Label1 = Named<QLabel>("Label1");
    QFont larger = Label1->font();
    larger.setPixelSize(18);
    Label1->setFont(larger);
    Label2 = Named<QLabel>("Label2");
    BitBtn1 = Named<QPushButton>("BitBtn1", style()->standardIcon(QStyle::SP_DialogOkButton),
                                 QStringLiteral("Rendben"));
    BitBtn2 = Named<QPushButton>("BitBtn2", style()->standardIcon(QStyle::SP_DialogCancelButton),
                                 QStringLiteral("Megszakitás"));
    BitBtn1->setDefault(true);
    CBElotorles = Named<QCheckBox>("CBElotorles", QStringLiteral("Floppyn lévő minden eddigi adat törlése"));
    MakeBold(CBElotorles);
    CBElotorles->setChecked(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(5 + 6, 5 + 6, 5 + 6, 5 + 6);
    rows->addWidget(Label1);
    rows->addWidget(Label2);
    rows->addLayout(buttons);
    rows->addWidget(CBElotorles);
    rows->setSizeConstraint(QLayout::SetFixedSize);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { done(platform::IDOK); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { done(platform::IDABORT); });
}

void TFormNextFloppy::reject() {
    done(platform::IDABORT);
}

void TFormNextFloppy::Prepare(const platform::NextFloppyRequest& request) {
    if (!request.caption.empty()) {
        setWindowTitle(ToQ(request.caption));
    }
    Label1->setText(ToQ(request.request));
    Label2->setText(ToQ(request.total));
    CBElotorles->setChecked(request.eraseBoxChecked);
    CBElotorles->setVisible(request.eraseBoxShown);
}

platform::NextFloppyAnswer TFormNextFloppy::Ask(const platform::NextFloppyRequest& request) {
    Prepare(request);
    platform::NextFloppyAnswer answer;
    answer.modalResult = exec() == platform::IDOK ? platform::IDOK : platform::IDABORT;
    answer.eraseBoxChecked = CBElotorles->isChecked();
    return answer;
}

}  // namespace ruvu
