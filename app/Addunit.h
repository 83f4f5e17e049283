// The add dialog: gathers, from any drive and folder, the files and whole folders to add, and three
// options. It only collects; the add command reads the list and the boxes afterwards. Created once at
// start, it keeps its list, boxes and folder between uses.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <string_view>
#include <vector>

#include "app/DriveFolderLists.h"

namespace ruvu {

class TAddForm : public QDialog {
    Q_OBJECT
  public:
    explicit TAddForm(QWidget* parent = nullptr);

    // The folder with one "\" appended, unless it is empty or already ends with one.
    static std::string AppendSlash(std::string_view folder);

    // The buttons' handlers.
    void AddFileButClick();
    void AddDirButClick();
    void RemoveButClick();
    void SelectAllButClick();
    void SortButClick();
    void OKButClick();
    void CancelButClick();

    // The chosen lines, in list order.
    std::vector<std::string> SelectedLines() const;
    void ClearSelectedList() { SelectedList->clear(); }

    TDriveComboBox* DriveComboBox1;
    TDirectoryListBox* DirectoryListBox1;
    QPushButton* SelectAllBut;
    TFileListBox* FileListBox1;
    QLabel* Label2;
    QCheckBox* DirNameCB;
    QCheckBox* RecurseCB;
    QCheckBox* EncryptCB;
    QPushButton* AddDirBut;
    QPushButton* AddFileBut;
    QPushButton* RemoveBut;
    QPushButton* OKBut;
    QPushButton* CancelBut;
    QLabel* Label1;
    QPushButton* SortBut;
    QListWidget* SelectedList;

  protected:
    // Every showing reads the drives, folders and files again, in the folder the user was in.
    void showEvent(QShowEvent* event) override;

  private:
    // Appends a line unless the list holds it already (letter case ignored); in sorted order once
    // the list was sorted.
    void AddLine(const std::string& line);
    void ScrollToLast();

    bool sorted_ = false;
};

}  // namespace ruvu
