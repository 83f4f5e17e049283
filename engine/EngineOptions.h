// The options the component copies into its engine when an operation starts.
#pragma once

#include <cstdint>
#include <string>

#include "engine/OptionSets.h"

namespace ruvu {

struct EngineOptions {
    bool Unattended = false;
    bool Verbose = false;
    bool Trace = false;
    std::string DLLDirectory;
    std::string TempDir;
    int32_t AddCompLevel = 9;
    TDateTime AddFrom = 0;
    AddOpts AddOptions;
    AddStoreExts AddStoreSuffixes = AddStoreExts::Range(assGIF, assJAR);
    CodePageOpts CodePage = cpAuto;
    std::string ExtrBaseDir;
    ExtrOpts ExtrOptions;
    uint32_t KeepFreeOnDisk1 = 0;
    uint32_t KeepFreeOnAllDisks = 0;
    int32_t MaxVolumeSize = 0;
    int32_t MinFreeVolumeSize = 65536;
    DeleteOpts HowToDelete = htdAllowUndo;
    uint32_t PasswordReqCount = 1;
    std::string RootDir;
    SpanOpts SpanOptions;
    bool UseDirOnlyEntries = false;
    bool ConfirmErase = true;
};

}  // namespace ruvu
