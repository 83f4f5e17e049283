// The disk prompt of the floppy copy workflow: the request, the total below it, the box that asks for
// the floppy to be wiped first, "Rendben" and "Megszakitás". No title-bar buttons; created for one
// request.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include "platform/Interaction.h"

namespace ruvu {

class TFormNextFloppy : public QDialog {
    Q_OBJECT
  public:
    explicit TFormNextFloppy(QWidget* parent = nullptr);

    // Fills the dialog from the request without showing it.
    void Prepare(const platform::NextFloppyRequest& request);
    // Shows it modally: IDOK for "Rendben", IDABORT otherwise, with the box's state.
    platform::NextFloppyAnswer Ask(const platform::NextFloppyRequest& request);

    QLabel* Label1;
    QLabel* Label2;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QCheckBox* CBElotorles;

  public slots:
    void reject() override;
};

}  // namespace ruvu
