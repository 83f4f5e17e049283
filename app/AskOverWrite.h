// The overwrite question: the texts of two short files side by side, and whether the second may be
// replaced by the first. Created for one question and freed afterwards.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <string_view>

namespace ruvu {

class TFelulirhato : public QDialog {
    Q_OBJECT
  public:
    explicit TFelulirhato(QWidget* parent = nullptr);

    // Shows the two texts (the caller has read both files) under the caption and asks modally; true
    // when "&Rendben, Felülirható" closed the dialog.
    bool AskOverWrite(std::string_view firstText, std::string_view secondText, std::string_view caption);

    QPlainTextEdit* Memo1;
    QLabel* LabelIrany;
    QPlainTextEdit* Memo2;
    QLabel* Label1;
    QPushButton* BtnOK;
    QPushButton* BtnNem;

    // Fills the window without showing it (the screenshot tour shows it itself).
    void Prepare(std::string_view firstText, std::string_view secondText, std::string_view caption);
};

}  // namespace ruvu
