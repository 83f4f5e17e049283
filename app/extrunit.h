// The extract dialog: the base folder and three choices before an extraction. Created once at start;
// it keeps every choice for the rest of the run. Its results go to the program-wide DialogResults.
#pragma once

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QPushButton>
#include <QStringList>

#include "app/DriveFolderLists.h"

namespace ruvu {

// A titled group of radio buttons, one of them chosen.
class TRadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    TRadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return buttons_->checkedId(); }
    void SetItemIndex(int index);

  private:
    QButtonGroup* buttons_;
};

class TExtract : public QDialog {
    Q_OBJECT
  public:
    explicit TExtract(QWidget* parent = nullptr);

    void OKButClick();
    void CancelButClick();

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    TRadioGroup* RadioGroup1;
    TRadioGroup* RadioGroup2;
    TRadioGroup* RadioGroup3;
    QPushButton* OKBut;
    QPushButton* CancelBut;

  protected:
    // Every showing starts as cancelled until OK is pressed, with the drives and folders read again.
    void showEvent(QShowEvent* event) override;
};

}  // namespace ruvu
