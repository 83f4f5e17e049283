#include "app/mainunit.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMimeData>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>
#include <array>
#include <memory>

#include "app/BigCopyWindow.h"
#include "app/QtInteraction.h"
#include "app/QtText.h"
#include "app/WidgetSetup.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/Modules.h"
#include "platform/TempFiles.h"
#include "splitter/BigCopyUnit.h"

namespace ruvu {

namespace {

QToolButton* ToolButton(const char* name, QStyle::StandardPixmap icon, const char* hint, QStyle* style) {
    auto* button = Named<QToolButton>(name);
    button->setIcon(style->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setAutoRaise(true);
    button->setToolTip(QString::fromUtf8(hint));
    return button;
}

// The name column gives up width to the others only down to this.
constexpr int kMinimumNameWidth = 200;

std::string TwoDigits(uint32_t value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

}  // namespace

TMainform::TMainform(std::vector<std::string> arguments, QWidget* parent)
    : QWidget(parent), Arguments(std::move(arguments)), DozErozev1(this) {
    setObjectName("Mainform");
    setAcceptDrops(true);
    setWindowTitle(QStringLiteral("Talvo ZIP"));
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    setFont(font);
    resize(649, 455);
    if (const QScreen* screen = this->screen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    BuildControls();
    ConfigureComponent();

    ExitStatus = 0;
    ProgramDir = platform::ProgramDir().substr(0, 80);
    StartDir = platform::GetCurrentDirectory();
    gridModel_->Clear();
    VerboseCB->setChecked(false);
    TraceCB->setChecked(false);
    DozErozev1.LoadZipLib();
    DozErozev1.LoadUnzLib();
    OpenFromArguments();
}

TMainform::~TMainform() {
    FormDestroy();
    // The component outlives this body; nothing of this window may be called from it any more.
    DozErozev1.OnDirUpdate = nullptr;
    DozErozev1.OnMessage = nullptr;
    DozErozev1.OnProgress = nullptr;
}

void TMainform::FormDestroy() {
    if (destroyed_) {
        return;
    }
    destroyed_ = true;
    const std::string temp = TempArchiveName();
    if (platform::FileExists(temp)) {
        platform::DeleteFile(temp);
    }
    DozErozev1.UnloadZipLib();
    DozErozev1.UnloadUnzLib();
}

std::string TMainform::WorkDir() const {
    return platform::WritableFolderOrUserCache(ProgramDir, "ruvuvadu");
}

void TMainform::SetDialogs(TExtract* extract, TAddForm* add) {
    extract_ = extract;
    add_ = add;
}

void TMainform::BuildControls() {
    QStyle* style = this->style();
    ZIPOpenBut = ToolButton("ZIPOpenBut", QStyle::SP_DialogOpenButton, "ZIP/ SLP megnyitása", style);
    NewZipBtn = ToolButton("NewZipBtn", QStyle::SP_FileIcon, "Új ZIP létrehozása", style);
    DeleteZIPBut = Named<QPushButton>("DeleteZIPBut");
    DeleteZIPBut->setIcon(style->standardIcon(QStyle::SP_TrashIcon));
    DeleteZIPBut->setIconSize(QSize(24, 24));
    DeleteZIPBut->setToolTip(QStringLiteral("ZIP fájl törlése"));
    AddBut = ToolButton("AddBut", QStyle::SP_FileDialogNewFolder, "Fájlok hozzáadása", style);
    ExtractBut = ToolButton("ExtractBut", QStyle::SP_ArrowDown, "Fájlok kibontása", style);
    DeleteBut = ToolButton("DeleteBut", QStyle::SP_DialogCloseButton, "Fájlok törlése a ZIP-ből", style);
    TestBut = ToolButton("TestBut", QStyle::SP_DialogApplyButton, "ZIP ellenörzése", style);
    SplitBtn = ToolButton("SplitBtn", QStyle::SP_DriveFDIcon, "darabolás Floppy-ra", style);
    CloseBut = Named<QPushButton>("CloseBut", QStringLiteral("&Kilépés"));
    CloseBut->setToolTip(QStringLiteral("Kilépés a programból"));

    Label2 = Named<QLabel>("Label2", QStringLiteral("ZIP fájl:"));
    ZipFName = Named<QLabel>("ZipFName", QStringLiteral("<nincs>"));
    ZipFName->setTextFormat(Qt::PlainText);
    ZipFName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    Label4 = Named<QLabel>("Label4", QStringLiteral("Idő:"));
    TimeLabel = Named<QLabel>("TimeLabel", QStringLiteral("00:00"));
    Label3 = Named<QLabel>("Label3", QStringLiteral("Üzenetek"));
    VerboseCB = Named<QCheckBox>("VerboseCB", QStringLiteral("Közepes"));
    TraceCB = Named<QCheckBox>("TraceCB", QStringLiteral("Részletes"));
    FilesLabel = Named<QLabel>("FilesLabel", QStringLiteral("0"));
    Label1 = Named<QLabel>("Label1", QStringLiteral("fájl"));

    gridModel_ = new EntryTableModel(DozErozev1, this);
    StringGrid1 = Named<QTableView>("StringGrid1");
    StringGrid1->setModel(gridModel_);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setSortingEnabled(false);
    StringGrid1->setShowGrid(true);
    StringGrid1->setWordWrap(false);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    StringGrid1->horizontalHeader()->setSectionsClickable(false);
    StringGrid1->horizontalHeader()->setHighlightSections(false);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Memo1 = Named<QPlainTextEdit>("Memo1");
    Memo1->setReadOnly(true);
    ProgressBar1 = Named<QProgressBar>("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setSingleShot(true);
    Timer1->setInterval(1000);

    auto* toolbar = new QHBoxLayout;
    toolbar->setSpacing(2);
    for (QWidget* button : std::initializer_list<QWidget*>{ZIPOpenBut, NewZipBtn, DeleteZIPBut}) {
        toolbar->addWidget(button);
    }
    toolbar->addSpacing(12);
    for (QWidget* button : std::initializer_list<QWidget*>{AddBut, ExtractBut, DeleteBut, TestBut}) {
        toolbar->addWidget(button);
    }
    toolbar->addSpacing(12);
    toolbar->addWidget(SplitBtn);
    toolbar->addStretch(1);
    toolbar->addWidget(CloseBut);

    auto* info = new QHBoxLayout;
    info->addWidget(Label2);
    info->addWidget(ZipFName, 1);
    info->addSpacing(8);
    info->addWidget(FilesLabel);
    info->addWidget(Label1);
    info->addSpacing(8);
    info->addWidget(Label4);
    info->addWidget(TimeLabel);

    auto* messages = new QHBoxLayout;
    messages->addWidget(Label3);
    messages->addWidget(VerboseCB);
    messages->addWidget(TraceCB);
    messages->addStretch(1);

    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(6, 6, 6, 6);
    rows->addLayout(toolbar);
    rows->addLayout(info);
    rows->addWidget(StringGrid1, 3);
    rows->addLayout(messages);
    rows->addWidget(Memo1, 1);
    rows->addWidget(ProgressBar1);
    // Measured in the window's font, which the grid has from here on; again for each listing, which
    // may bring or take away the method column.
    SizeGridColumns();
    connect(gridModel_, &QAbstractItemModel::modelReset, this, &TMainform::SizeGridColumns);

    connect(ZIPOpenBut, &QToolButton::clicked, this, &TMainform::ZIPOpenButClick);
    connect(NewZipBtn, &QToolButton::clicked, this, &TMainform::NewZipBtnClick);
    connect(DeleteZIPBut, &QPushButton::clicked, this, &TMainform::DeleteZIPButClick);
    connect(AddBut, &QToolButton::clicked, this, &TMainform::AddButClick);
    connect(ExtractBut, &QToolButton::clicked, this, &TMainform::ExtractButClick);
    connect(DeleteBut, &QToolButton::clicked, this, &TMainform::DeleteButClick);
    connect(TestBut, &QToolButton::clicked, this, &TMainform::TestButClick);
    connect(SplitBtn, &QToolButton::clicked, this, &TMainform::SplitBtnClick);
    connect(CloseBut, &QPushButton::clicked, this, &TMainform::CloseButClick);
    connect(Timer1, &QTimer::timeout, this, &QWidget::close);
}

void TMainform::SizeGridColumns() {
    constexpr int kColumns = EntryTableModel::kColumnCount;
    const int columns = gridModel_->columnCount();
    const QHeaderView* header = StringGrid1->horizontalHeader();
    const QFontMetrics cells = StringGrid1->fontMetrics();
    // A date of two-digit month, day and hour is as wide as a date gets.
    const QString widestDate = ToQ(EntryTableModel::DateText(
        platform::DosDateTimeToUnix(platform::EncodeDosDateTime({2000, 12, 28, 20, 58, 58}))));
    // The style's text margin on either side, and the grid line the cell gives up.
    const int cellMargin =
        2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, StringGrid1) + 1) + 1;
    std::array<int, kColumns + 1> widths{};
    int designed = 0;
    int others = 0;
    for (int column = 0; column < kColumns; ++column) {
        designed += EntryTableModel::kColumnWidths[column];
        widths[column] = std::max(EntryTableModel::kColumnWidths[column], header->sectionSizeHint(column));
    }
    widths[3] = std::max(widths[3], cells.horizontalAdvance(widestDate) + cellMargin);
    if (gridModel_->ShowsMethods()) {
        constexpr int kMethod = EntryTableModel::kMethodColumn;
        widths[kMethod] = header->sectionSizeHint(kMethod);
        for (const std::string& method : gridModel_->Methods()) {
            widths[kMethod] = std::max(widths[kMethod], cells.horizontalAdvance(ToQ(method)) + cellMargin);
        }
    }
    for (int column = 1; column < columns; ++column) {
        others += widths[column];
    }
    // The grid keeps its designed width, so it still fits the window at its default size.
    widths[0] = std::max(kMinimumNameWidth, designed - others);
    for (int column = 0; column < columns; ++column) {
        StringGrid1->setColumnWidth(column, widths[column]);
    }
}

void TMainform::ConfigureComponent() {
    DozErozev1.SetApplicationTitle("RuvuvADU");
    DozErozev1.SetAddCompLevel(9);
    DozErozev1.SetAddOptions({});
    DozErozev1.SetAddStoreSuffixes(AddStoreExts::Range(assGIF, assJAR));
    DozErozev1.SetExtrOptions({ExtrOverWrite});
    DozErozev1.SetTrace(false);
    DozErozev1.SetUnattended(false);
    DozErozev1.SetVerbose(false);
    DozErozev1.SetKeepFreeOnAllDisks(0);
    DozErozev1.SetKeepFreeOnDisk1(0);
    DozErozev1.SetMaxVolumeSize(0);
    DozErozev1.SetSpanOptions({});
    DozErozev1.SetSFXCaption("Self Extracting Archive");
    DozErozev1.SetSFXOptions({});
    DozErozev1.SetSFXOverWriteMode(OvrConfirm);
    DozErozev1.SetSFXPath("ZEZIZEZ.BIN");
    DozErozev1.OnDirUpdate = [this](TObject* sender) { DozErozev1DirUpdate(sender); };
    DozErozev1.OnMessage = [this](TObject* sender, int32_t code, const std::string& text) {
        DozErozev1Message(sender, code, text);
    };
    DozErozev1.OnProgress = [this](TObject* sender, ProgressType type, const std::string& name,
                                   int32_t size) { DozErozev1Progress(sender, type, name, size); };
}

void TMainform::RunBigCopy(std::string_view source, std::string_view dest, std::string_view title) {
    const bool wasRunning = commandRunning_;
    commandRunning_ = true;
    struct Restore {
        bool& flag;
        bool value;
        ~Restore() { flag = value; }
    } restore{commandRunning_, wasRunning};

    std::unique_ptr<BigCopyWindow> window = CopyWindow();
    BigCopy(source, dest, title, AbortRun, *window);
}

std::unique_ptr<BigCopyWindow> TMainform::CopyWindow() {
    if (dynamic_cast<QtInteraction*>(&platform::CurrentInteraction()) != nullptr) {
        return std::make_unique<TFormBigCopy>(this);
    }
    return std::make_unique<TextBigCopyWindow>();
}

void TMainform::CloseButClick() {
    close();
}

void TMainform::closeEvent(QCloseEvent* event) {
    // An operation in progress finishes first: it runs inside this window's handlers.
    if (commandRunning_ || DozErozev1.Busy()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TMainform::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        FormActivate();
    } else if (event->type() == QEvent::Show && !argumentsRun_) {
        // A window manager may never activate a window it did not expect (focus-stealing
        // prevention, or none at all): the run must not wait for that.
        QTimer::singleShot(0, this, [this] { FormActivate(); });
    }
    return QWidget::event(event);
}

namespace {

// The one local file a drag carries; empty for several files, a folder or anything else.
QString DraggedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 ||
        !data->urls().front().isLocalFile()) {
        return {};
    }
    const QString path = data->urls().front().toLocalFile();
    return QFileInfo(path).isFile() ? path : QString();
}

}  // namespace

void TMainform::dragEnterEvent(QDragEnterEvent* event) {
    if (!commandRunning_ && !DraggedFile(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void TMainform::dropEvent(QDropEvent* event) {
    const QString path = DraggedFile(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over, so the file manager does not wait through a listing or a join.
    QTimer::singleShot(0, this, [this, file = FromQ(path)] { OpenDroppedFile(file); });
}

void TMainform::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateZipNameHint();
}

std::string TMainform::ElapsedText(uint32_t startTick, uint32_t endTick) {
    const uint32_t seconds = (endTick - startTick) / 1000;
    return TwoDigits(seconds / 60) + ":" + TwoDigits(seconds % 60);
}

void TMainform::ShowZipName(std::string_view text) {
    ZipFName->setText(ToQ(text));
    UpdateZipNameHint();
}

void TMainform::UpdateZipNameHint() {
    const QString text = ZipFName->text();
    const bool tooWide = QFontMetrics(ZipFName->font()).horizontalAdvance(text) > ZipFName->width();
    ZipFName->setToolTip(tooWide ? text : QString());
}

void TMainform::FillGrid() {
    gridModel_->Fill();
    // Laid out now rather than on the view's next timer: the scroll bar a long listing brings is then
    // in place before the first paint, so the grid is painted once instead of before and after it.
    StringGrid1->doItemsLayout();
}

void TMainform::DozErozev1DirUpdate(TObject*) {
    ++dirUpdates_;
    FillGrid();
    FilesLabel->setText(QString::number(DozErozev1.Count()));
    ShowZipName(DozErozev1.ZipFileName());
}

void TMainform::DozErozev1Message(TObject*, int32_t ErrCode, const std::string& Message) {
    if (memoLines_ >= memoCapacity_) {
        // The lines that no longer fit are lost; say so once until the box is cleared.
        if (!memoFullShown_) {
            memoFullShown_ = true;
            Show("Memo Full - Túl so fájl...");
        }
    } else {
        Memo1->appendPlainText(ToQ(Message));
        ++memoLines_;
    }
    if (ErrCode > 0) {
        Show("DLL hiba: " + Message);
        ExitStatus = ErrCode;
    }
}

void TMainform::DozErozev1Progress(TObject*, ProgressType ProgrType, const std::string&, int32_t FileSize) {
    progress_.Apply(ProgrType, FileSize);
    ShowProgress();
    platform::CurrentInteraction().ProcessPendingEvents();
}

void TMainform::ShowProgress() {
    ProgressBar1->setRange(0, progress_.Span());
    ProgressBar1->setValue(progress_.Done());
}

}  // namespace ruvu
