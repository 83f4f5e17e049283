// The main window: it owns the archive component, lists the open archive in the grid, shows the
// component's messages and progress, and carries the toolbar of archive file and archive operation
// commands. Every box it shows goes through the installed interaction.
//
// The command-line mode lives here too: the archive or ".SPL" piece the arguments name is opened when
// the window is created, a list file or a command line runs once, at the first activation (or as
// soon as the shown window gets to its event loop, when no activation comes), and Timer1 then closes
// the window; the floppy commands compose a "c" command for the command executor (CommandRunner.h).
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandRunner.h"
#include "app/EntryTableModel.h"
#include "app/ProgressBlocks.h"
#include "engine/DozErozev.h"
#include "splitter/BigCopyWindow.h"

namespace ruvu {

class TAddForm;
class TExtract;

class TMainform : public QWidget, public TObject {
    Q_OBJECT
  public:
    // arguments: the program's arguments without the program name.
    explicit TMainform(std::vector<std::string> arguments = {}, QWidget* parent = nullptr);
    ~TMainform() override;
    // Window destruction: deletes the temporary archive and releases both libraries (once). The
    // caller then ends the process with ExitStatus.
    void FormDestroy();

    // The dialogs the commands show; created after this window and living as long.
    void SetDialogs(TExtract* extract, TAddForm* add);

    // "mm:ss" of the milliseconds between two ticks; minutes are not capped.
    static std::string ElapsedText(uint32_t startTick, uint32_t endTick);
    // Name shown for the archive; when it is wider than the label the label also gets it as hint.
    void ShowZipName(std::string_view text);
    void FillGrid();

    // The component's events.
    void DozErozev1DirUpdate(TObject* Sender);
    void DozErozev1Message(TObject* Sender, int32_t ErrCode, const std::string& Message);
    void DozErozev1Progress(TObject* Sender, ProgressType ProgrType, const std::string& Filename,
                            int32_t FileSize);

    // The toolbar commands. A click while a command or operation runs is ignored.
    void ZIPOpenButClick();
    // A file dropped on the window (a host path) is opened as the open command opens its choice.
    void OpenDroppedFile(const std::string& hostPath);
    void NewZipBtnClick();
    void DeleteZIPButClick();
    void AddButClick();
    void ExtractButClick();
    void DeleteButClick();
    void TestButClick();
    void SplitBtnClick();
    void CloseButClick();

    // Runs the floppy copy workflow with a progress window (drawn when the Qt interaction is
    // installed, written to standard error otherwise); failures set AbortRun.
    void RunBigCopy(std::string_view source, std::string_view dest, std::string_view title);
    // That progress window.
    std::unique_ptr<BigCopyWindow> CopyWindow();
    // The command executor's view of this window: the component, AbortRun, the message box, the
    // progress window, and where a failed command leaves its exit status: ExitStatus in the
    // command-line mode; the toolbar's floppy commands pass a status of their own, since only the
    // command-line mode and OnMessage decide how the process ends.
    CommandTarget Commands(int32_t& exitStatus);
    // The folder of the files the program writes beside itself: ProgramDir, or the user's cache
    // folder when ProgramDir is read-only (an installed program).
    std::string WorkDir() const;
    // The temporary archive joined back from floppies.
    std::string TempArchiveName() const { return WorkDir() + "_RUVUVADU.TMP"; }

    // The progress bar's block state.
    const ProgressBlocks& Progress() const { return progress_; }
    // How many lines the message box takes before it is full.
    void SetMemoCapacity(int lines) { memoCapacity_ = lines; }
    // True while a command runs (its operation, dialogs and boxes included).
    bool CommandRunning() const { return commandRunning_; }
    EntryTableModel& GridModel() { return *gridModel_; }

    // State shared with the command-line mode.
    int32_t ExitStatus = 0;
    std::string ProgramDir;  // the program's folder with a trailing "\", at most 80 characters
    std::string StartDir;    // the current folder when the window was created
    bool AbortRun = false;
    std::vector<std::string> Arguments;
    // Called when the arguments' run is over and the window stays open for normal use: nothing was
    // to run, or an error ended the run. A program without a display closes the window here.
    std::function<void()> OnStaysOpen;

    TDozErozev DozErozev1;

    QToolButton* ZIPOpenBut;
    QToolButton* NewZipBtn;
    QPushButton* DeleteZIPBut;
    QToolButton* AddBut;
    QToolButton* ExtractBut;
    QToolButton* DeleteBut;
    QToolButton* TestBut;
    QToolButton* SplitBtn;
    QPushButton* CloseBut;
    QLabel* Label2;
    QLabel* ZipFName;
    QLabel* Label4;
    QLabel* TimeLabel;
    QLabel* Label3;
    QCheckBox* VerboseCB;
    QCheckBox* TraceCB;
    QLabel* FilesLabel;
    QLabel* Label1;
    QTableView* StringGrid1;
    QPlainTextEdit* Memo1;
    QProgressBar* ProgressBar1;
    QTimer* Timer1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void BuildControls();
    // The grid's designed column widths, widened so that every header and a date read in full.
    void SizeGridColumns();
    void ConfigureComponent();
    // The open command after its dialog: joins a ".SPL" piece first, lists the archive, shows its name.
    void OpenArchiveFile(const std::string& chosen);
    // Creation step 7: the archive the arguments name (the command-line mode's).
    void OpenFromArguments();
    // Window activation: the list file or command line of the arguments, once per process.
    void FormActivate();
    // The run itself; starts Timer1 when it ends, leaves it stopped when an exception escapes.
    void RunArguments();
    // Joins the floppy pieces starting at a ".SPL" piece into the temporary archive; the name to
    // open, or nullopt when nothing is to be opened. A join that fails says why, sets exitStatus (see
    // Commands) and leaves the temporary archive as it was, also when the window shows it.
    std::optional<std::string> JoinSplitSet(const std::string& piece, int32_t& exitStatus);

    // Runs a command unless one is running; an exception that escapes it is shown.
    void Guarded(const std::function<void()>& command);
    // A box with OK only and no icon.
    void Show(std::string_view text);
    // A Yes/No question; true for Yes.
    bool Ask(std::string_view text);
    // The process's current folder back to StartDir; throws when that fails.
    void RestoreDirectory();
    void StartLine(std::string_view text);
    void ClearMemo();
    // Runs an operation between two ticks and shows the elapsed time.
    void Timed(const std::function<void()>& operation);
    // Runs a component operation timed; an exception is shown as failure; then the count of
    // processed files followed by counted.
    void RunCounted(int32_t (TDozErozev::*operation)(), std::string_view failure, std::string_view counted);
    void MessageLevel();
    // FSpecArgs = column 0 of the selected rows, top to bottom.
    void SelectedNames();
    void ShowProgress();
    void UpdateZipNameHint();
    // The folder of the archive dialogs, carried over between open and new.
    std::string dialogFolder_;

    TExtract* extract_ = nullptr;
    TAddForm* add_ = nullptr;
    EntryTableModel* gridModel_;
    ProgressBlocks progress_;
    int memoCapacity_ = 200000;
    int memoLines_ = 0;
    bool memoFullShown_ = false;
    int dirUpdates_ = 0;  // listings reported so far
    bool commandRunning_ = false;
    bool argumentsRun_ = false;  // the arguments' run has happened (or found nothing to run)
    bool destroyed_ = false;
};

// Every add dialog line, with names under the start folder made relative to it: the prefix is
// startDir with exactly one trailing "\", and it is matched with letter case.
std::vector<std::string> AddSpecifications(const std::vector<std::string>& lines, std::string_view startDir);

}  // namespace ruvu
