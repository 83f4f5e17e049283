#include "platform/ReplacementFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/Drives.h"
#include "platform/TempFiles.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

ReplacementFile::ReplacementFile(std::string_view target) {
    std::optional<std::string> host = ResolveHostPath(target, &error_);
    if (!host) {
        return;
    }
    targetHost_ = std::move(*host);
    tempPath_ = GetTempFileName(ExtractFilePath(ExpandFileName(target)), "rpl", &error_);
    if (tempPath_.empty()) {
        return;
    }
    file_ = File::Open(tempPath_, Access::ReadWrite, Share::Exclusive, Disposition::CreateAlways);
    if (!file_.IsOpen()) {
        error_ = file_.Error();
        std::optional<std::string> tempHost = ResolveHostPath(tempPath_);
        if (tempHost) {
            unlink(tempHost->c_str());
        }
        tempPath_.clear();
        return;
    }
    tempHost_ = file_.HostPath();
}

ReplacementFile::~ReplacementFile() {
    if (!committed_ && !tempHost_.empty()) {
        file_.Close();
        unlink(tempHost_.c_str());
    }
}

bool ReplacementFile::Fail(HostError error) {
    error_ = error == HostError::None ? HostError::GenFailure : error;
    return false;
}

bool ReplacementFile::MakeExecutable() {
    struct stat st {};
    if (fstat(file_.NativeHandle(), &st) != 0) {
        return Fail(HostErrorFromErrno(errno));
    }
    const mode_t read = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
    return fchmod(file_.NativeHandle(), st.st_mode | read >> 2) == 0 || Fail(HostErrorFromErrno(errno));
}

bool ReplacementFile::Commit() {
    if (!file_.IsOpen()) {
        return Fail(error_);
    }
    if (!file_.Sync()) {
        return Fail(file_.Error());
    }
    file_.Close();
    if (rename(tempHost_.c_str(), targetHost_.c_str()) != 0) {
        return Fail(HostErrorFromErrno(errno));
    }
    committed_ = true;
    // The rename itself reaches the disk with the folder.
    const std::string folder = targetHost_.substr(0, targetHost_.find_last_of('/') + 1);
    const int dir = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    return true;
}

}  // namespace ruvu::platform
