#include "app/ZipPassDlg.h"

#include "app/QtText.h"
#include "app/WidgetSetup.h"
#include "engine/Messages.h"

namespace ruvu {

namespace {

constexpr int kButtonPitch = 124;

struct ButtonKind {
    int selectorBit;  // 0: always shown
    int32_t captionId;
    int modalResult;
    const char* name;
};
constexpr ButtonKind kButtons[] = {
    {0, msg::PasswordOk, platform::IDOK, "OKBtn"},
    {2, msg::PasswordCancel, platform::IDCANCEL, "CancelBtn"},
    {4, msg::PasswordCancelAll, platform::IDNOTOALL, "CancelAllBtn"},
    {8, msg::PasswordAbort, platform::IDABORT, "AbortBtn"},
};

}  // namespace

TPasswordDlg::TPasswordDlg(std::string_view caption, std::string_view prompt, int buttonSelector,
                           QWidget* parent)
    : QDialog(parent) {
    setObjectName("PasswordDlg");
    setWindowTitle(ToQ(caption));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    setFont(font);

    Prompt = Named<QLabel>("Prompt", ToQ(prompt), this);
    Prompt->setGeometry(20, 8, 297, 18);

    for (const ButtonKind& kind : kButtons) {
        if (kind.selectorBit != 0 && (buttonSelector & kind.selectorBit) == 0) {
            continue;
        }
        const int left = static_cast<int>(Buttons.size()) * kButtonPitch + 20;
        auto* button = Named<QPushButton>(kind.name, ToQ(LoadZipStr(kind.captionId)), this);
        button->setGeometry(left, 72, 114, 28);
        const int result = kind.modalResult;
        connect(button, &QPushButton::clicked, this, [this, result] { done(result); });
        Buttons.push_back(button);
    }
    Buttons.front()->setDefault(true);

    const int count = static_cast<int>(Buttons.size());
    PasswordEdit = Named<QLineEdit>("PasswordEdit", this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setMaxLength(80);
    PasswordEdit->setGeometry(20, 40, count * kButtonPitch - 10, PasswordEdit->sizeHint().height());
    PasswordEdit->setFocus();

    setFixedSize(count * kButtonPitch + 35, 137);
}

void TPasswordDlg::reject() {
    done(platform::IDCANCEL);
}

platform::PasswordAnswer TPasswordDlg::Ask(std::string_view caption, std::string_view prompt,
                                           int buttonSelector, QWidget* parent) {
    TPasswordDlg dialog(caption, prompt, buttonSelector, parent);
    platform::PasswordAnswer answer;
    answer.modalResult = dialog.exec();
    if (answer.modalResult == platform::IDOK) {
        answer.password = FromQ(dialog.PasswordEdit->text());
    }
    return answer;
}

}  // namespace ruvu
