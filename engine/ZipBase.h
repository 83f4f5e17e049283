// What every engine operation shares: message lookup and reporting, the dispatch of progress and
// message reports to the component's events, the busy and re-entry flags, the nested wait cursor and
// temporary file names. The operations themselves live in TDozEngine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/EDozErozev.h"
#include "engine/EngineOptions.h"
#include "engine/ProgressDetails.h"
#include "platform/Interaction.h"

namespace ruvu {

class TDozErozev;
class TObject;

// Kinds of ReportProgress.
enum ProgressKind : int32_t {
    pkTick = 0,
    pkItemStart = 1,
    pkItemBytes = 2,
    pkItemEnd = 3,
    pkMessage = 4,
    pkItemCount = 5,
    pkTotalBytes = 6,
    pkEngineItemStart = 15,
    pkEngineItemBytes = 16,
    pkAfterCallbackOnly = 18,
};

// Codes of the engine's own long steps (kinds 15 and 16); each names its item by msg::StepBase + code.
enum EngineStep : int32_t {
    stepLoadingDirectory = 9,
    stepJoining = 10,
    stepSplitting = 11,
};

class TZipBase {
  public:
    explicit TZipBase(TDozErozev& component);
    TZipBase(const TZipBase&) = delete;
    TZipBase& operator=(const TZipBase&) = delete;
    virtual ~TZipBase();

    // Reports a message id: text (or the missing-text report), then extra; sets LastMessage and
    // ErrCode; a message box unless Unattended; then OnMessage.
    void ShowZipMessage(int32_t id, std::string_view extra = {});
    // Reports an engine exception the same way; the box only when the exception asks for one.
    void ShowExceptionError(const EDozErozev& error);
    // Dispatches a report to the component's events, then lets OnAfterCallback run or the window
    // process pending events. Kinds are ProgressKind; unknown kinds go to ReportOtherProgress.
    void ReportProgress(int32_t kind, int32_t code, int64_t size, std::string_view text);
    // As ReportProgress, first adding a byte count the library wrote.
    void ReportProgress(int32_t kind, int32_t code, int64_t size, std::string_view text, int64_t written);

    // Nested hourglass: only the outermost pair changes the screen cursor.
    void StartWaitCursor();
    void EndWaitCursor();

    // Creates and deletes a unique temporary file in TempDir (or the system's temporary folder) and
    // returns its name with the extension replaced; empty when no name could be made.
    std::string MakeTempFileName(std::string_view prefix, std::string_view extension);

    TDozErozev& Component() const { return component_; }

    // State shared by every operation.
    bool Active = false;
    bool Busy = false;
    bool Reentry = false;
    bool ShuttingDown = false;  // no event is raised while set
    std::string LastMessage;
    uint8_t Cancel = 0;
    int32_t ErrCode = -1;
    int32_t FullErrCode = 0;
    int32_t SuccessCount = 0;
    std::string ExceptionText;  // the first exception of an event handler during a library call
    EngineOptions Options;
    TProgressDetails Details;

  protected:
    // Kinds ReportProgress does not handle itself.
    virtual void ReportOtherProgress(int32_t kind, int32_t code, int64_t size, std::string_view text) {}
    // A modal box captioned with the application title; returns the button pressed, or 0.
    int ShowMessageBox(std::string_view text, uint32_t flags);
    TObject* Sender() const;
    TObject* OwnerSender() const;

  private:
    void DispatchProgress(int32_t kind, int32_t code, int64_t size, std::string_view text);

    TDozErozev& component_;
    int waitCount_ = 0;
    platform::Cursor savedCursor_ = platform::Cursor::Default;
};

}  // namespace ruvu
