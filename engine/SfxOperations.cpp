// The engine's front ends of the self-extracting archive work: they name the files for the SFX
// settings object, which does the work, and turn its failures into the engine's reports.
#include <exception>
#include <optional>

#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/WinPath.h"
#include "sfx/SfxError.h"
#include "sfx/VivEDI.h"

namespace ruvu {

namespace {

EDozErozev EngineError(const ESfxError& error) {
    return error.Id() != 0 ? EDozErozev(error.Id(), true) : EDozErozev(std::string(error.what()), true);
}

// Runs a conversion from ZipFileName to target (or ZipFileName with defaultExt) and reports its
// failure.
int32_t RunConversion(TDozEngine& engine, std::string_view target, std::string_view defaultExt) {
    engine.ErrCode = 0;
    engine.SuccessCount = 1;
    engine.SFX.SourceFile = engine.ZipFileName;
    engine.SFX.TargetFile =
        target.empty() ? platform::ChangeFileExt(engine.ZipFileName, defaultExt) : std::string(target);
    std::optional<EDozErozev> failure;
    try {
        engine.SFX.Convert();
        return 0;
    } catch (const ESfxError& error) {
        failure = EngineError(error);
    } catch (const EDozErozev& error) {
        failure = error;
    } catch (const std::exception& error) {
        failure = EDozErozev(std::string(error.what()), true);
    }
    engine.ShowExceptionError(*failure);
    if (engine.ErrCode == 0) {
        engine.ErrCode = 1;
    }
    engine.SuccessCount = 0;
    return 1;
}

}  // namespace

int32_t TDozEngine::ConvertSFX(std::string_view target) {
    return RunConversion(*this, target, ".exe");
}

int32_t TDozEngine::ConvertZIP(std::string_view target) {
    return RunConversion(*this, target, ".zip");
}

void TDozEngine::CreateEmptySFX() {
    SFX.SourceFile = ZipFileName;
    SFX.TargetFile = ZipFileName;
    try {
        SFX.MakeSfx(true);
    } catch (const ESfxError& error) {
        throw EngineError(error);
    }
}

}  // namespace ruvu
