// Replacing the archive comment of the archive's last part. The part is copied up to its end record
// into a replacement of the file, followed by the record with the new comment, and the copy then takes
// the part's place: a full disk, a failure or a kill leaves the archive as it was.
#include <algorithm>
#include <vector>

#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/FileReplacement.h"

namespace ruvu {

namespace {
constexpr int64_t kCopyChunk = 1 << 20;
}

void TDozEngine::SetArchiveComment(std::string_view text) {
    if (!Active) {
        ArchiveComment = text;
        pendingComment_ = text;
        CommentPending = true;
        return;
    }
    zip::EndOfCentralDir record{};
    if (!ZipFileName.empty()) {
        try {
            LocateLastPart(ZipFileName, record, true);
        } catch (const EDozErozev& error) {  // the drive check before the search
            ShowExceptionError(error);
        }
    }
    ArchiveComment = text;
    if (!WorkHandle.IsOpen()) {
        return;
    }
    bool onRecord = false;
    // After a failure on the record itself the directory is read again to show what is there now;
    // the failure's code outlives that listing unless the listing fails too.
    auto abandon = [&] {
        ArchiveComment.clear();
        WorkHandle.Close();
        if (onRecord) {
            const int32_t failure = ErrCode;
            if (List() == 0) {
                ErrCode = failure;
            }
        }
    };
    try {
        WorkHandle.Close();
        std::string raw = ConvertOem(text, true);
        // The length field has 16 bits; a longer comment is cut rather than written past its count.
        raw.resize(std::min(raw.size(), zip::EndOfCentralDir::kMaxCommentLength));
        if (raw == RawArchiveComment) {
            return;
        }
        // The writer lock first, so that what is copied is what gets replaced.
        platform::ReplacementOptions options;
        options.exclusive = true;
        options.refuseReadOnly = true;
        platform::FileReplacement replacement = platform::FileReplacement::Begin(WorkFileName, options);
        WorkHandle = platform::File::Open(WorkFileName, platform::Access::Read, platform::Share::DenyWrite);
        if (!replacement.IsOpen() || !WorkHandle.IsOpen()) {
            throw EDozErozev(msg::ZipOpenError, true);
        }
        if (WorkHandle.Seek(EndRecordOffset) < 0) {
            throw EDozErozev(msg::InputSeekError, true);
        }
        uint8_t bytes[zip::EndOfCentralDir::kSize];
        // The record found before the lock must still be there: another writer may have changed the
        // archive while this one waited.
        const auto found = WorkHandle.ReadFull(bytes, sizeof bytes) == static_cast<int64_t>(sizeof bytes)
                               ? zip::EndOfCentralDir::Read(bytes)
                               : std::nullopt;
        if (!found || found->Signature != zip::EndOfCentralDir::kSignature ||
            found->CentralDirOffset != record.CentralDirOffset ||
            found->CentralDirSize != record.CentralDirSize || found->TotalEntries != record.TotalEntries) {
            throw EDozErozev(msg::EocReadError, true);
        }
        onRecord = true;
        platform::File& out = replacement.Out();
        std::vector<char> buffer(kCopyChunk);
        if (WorkHandle.Seek(0) < 0) {
            throw EDozErozev(msg::InputSeekError, true);
        }
        for (int64_t left = EndRecordOffset; left > 0;) {
            const auto take = static_cast<size_t>(std::min<int64_t>(left, kCopyChunk));
            if (WorkHandle.ReadFull(buffer.data(), take) != static_cast<int64_t>(take)) {
                throw EDozErozev(msg::ZippedDataReadError, true);
            }
            if (out.Write(buffer.data(), take) != static_cast<int64_t>(take)) {
                throw EDozErozev(msg::OutputWriteError, true);
            }
            left -= static_cast<int64_t>(take);
        }
        zip::EndOfCentralDir end = *found;
        end.CommentLength = static_cast<uint16_t>(raw.size());
        end.Write(bytes);
        if (out.Write(bytes, sizeof bytes) != static_cast<int64_t>(sizeof bytes)) {
            throw EDozErozev(msg::EocWriteError, true);
        }
        if (out.Write(raw.data(), raw.size()) != static_cast<int64_t>(raw.size())) {
            throw EDozErozev(msg::OutputWriteError, true);
        }
        WorkHandle.Close();
        if (!replacement.Commit()) {
            throw EDozErozev(msg::OutputWriteError, true);
        }
        RawArchiveComment = raw;
        WorkHandle.Close();
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        abandon();
    } catch (const std::bad_alloc&) {
        ShowZipMessage(msg::OutOfMemory);
        abandon();
    }
}

}  // namespace ruvu
