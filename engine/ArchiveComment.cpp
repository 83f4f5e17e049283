// Replacing the archive comment in place, in the end record of the archive's last part.
#include <algorithm>

#include "engine/DozEngine.h"
#include "engine/Messages.h"

namespace ruvu {

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
        WorkHandle =
            platform::File::Open(WorkFileName, platform::Access::ReadWrite, platform::Share::DenyWrite);
        if (!WorkHandle.IsOpen()) {
            throw EDozErozev(msg::ZipOpenError, true);
        }
        if (WorkHandle.Seek(EndRecordOffset) < 0) {
            throw EDozErozev(msg::InputSeekError, true);
        }
        uint8_t bytes[zip::EndOfCentralDir::kSize];
        if (WorkHandle.ReadFull(bytes, sizeof bytes) != static_cast<int64_t>(sizeof bytes) ||
            zip::EndOfCentralDir::Read(bytes)->Signature != zip::EndOfCentralDir::kSignature) {
            throw EDozErozev(msg::EocReadError, true);
        }
        onRecord = true;
        // The comment goes first and the length that counts it last, so a disk that fills up leaves
        // the old record counting the old comment, which is then put back.
        const std::string oldComment = RawArchiveComment;
        auto restore = [&] {
            if (WorkHandle.Seek(int64_t{EndRecordOffset} + zip::EndOfCentralDir::kSize) >= 0) {
                WorkHandle.Write(oldComment.data(), oldComment.size());
            }
            WorkHandle.SetSize(int64_t{EndRecordOffset} + zip::EndOfCentralDir::kSize + oldComment.size());
        };
        if (WorkHandle.Write(raw.data(), raw.size()) != static_cast<int64_t>(raw.size())) {
            restore();
            throw EDozErozev(msg::OutputWriteError, true);
        }
        zip::EndOfCentralDir end = *zip::EndOfCentralDir::Read(bytes);
        end.CommentLength = static_cast<uint16_t>(raw.size());
        end.Write(bytes);
        if (WorkHandle.Seek(EndRecordOffset) < 0) {
            restore();
            throw EDozErozev(msg::InputSeekError, true);
        }
        if (WorkHandle.Write(bytes, sizeof bytes) != static_cast<int64_t>(sizeof bytes)) {
            restore();
            throw EDozErozev(msg::EocWriteError, true);
        }
        if (!WorkHandle.SetSize(int64_t{EndRecordOffset} + zip::EndOfCentralDir::kSize + raw.size())) {
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
