#include "app/AskOverWrite.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "app/QtText.h"
#include "app/WidgetSetup.h"
#include "platform/Interaction.h"

namespace ruvu {

TFelulirhato::TFelulirhato(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("Felulirhato");
    setWindowTitle(QStringLiteral("Felulirhato"));
    resize(601, 252);

    Memo1 = Named<QPlainTextEdit>("Memo1");
    Memo2 = Named<QPlainTextEdit>("Memo2");
    for (QPlainTextEdit* memo : {Memo1, Memo2}) {
        memo->setReadOnly(true);
        memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    LabelIrany = Named<QLabel>("LabelIrany", QStringLiteral(">>>>"));
    MakeBold(LabelIrany, 16);
    Label1 = Named<QLabel>("Label1", QStringLiteral("Felülirható?"));
    MakeBold(Label1);
    BtnOK = Named<QPushButton>("BtnOK", QStringLiteral("&Rendben, Felülirható"));
    BtnNem = Named<QPushButton>("BtnNem", QStringLiteral("&Mégsem, nem irható felül"));
    BtnNem->setDefault(true);

    auto* texts = new QHBoxLayout;
    texts->addWidget(Memo1, 1);
    texts->addWidget(LabelIrany);
    texts->addWidget(Memo2, 1);

    auto* answer = new QHBoxLayout;
    answer->addWidget(Label1);
    answer->addStretch(1);
    answer->addWidget(BtnOK);
    answer->addWidget(BtnNem);

    auto* rows = new QVBoxLayout(this);
    rows->addLayout(texts, 1);
    rows->addLayout(answer);

    connect(BtnOK, &QPushButton::clicked, this, [this] { done(platform::IDYES); });
    connect(BtnNem, &QPushButton::clicked, this, [this] { done(platform::IDNO); });
}

void TFelulirhato::Prepare(std::string_view firstText, std::string_view secondText,
                           std::string_view caption) {
    setWindowTitle(ToQ(caption));
    Memo1->setPlainText(ToQ(firstText));
    Memo2->setPlainText(ToQ(secondText));
}

bool TFelulirhato::AskOverWrite(std::string_view firstText, std::string_view secondText,
                                std::string_view caption) {
    Prepare(firstText, secondText, caption);
    return exec() == platform::IDYES;
}

}  // namespace ruvu
