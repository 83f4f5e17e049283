#include "sfx/SfxHeader.h"

#include <algorithm>
#include <array>
#include <vector>

#include "sfx/SfxError.h"

namespace ruvu::sfx {

namespace {

struct TextField {
    std::string Settings::*text;
    int32_t tooLongId;
};

// The order in which lengths are checked (the message first); the header holds them in another.
constexpr std::array<TextField, 5> kCheckOrder = {{
    {&Settings::Message, sfxmsg::MessageTooLong},
    {&Settings::DefaultDir, sfxmsg::DefaultDirTooLong},
    {&Settings::Caption, sfxmsg::CaptionTooLong},
    {&Settings::CommandLine, sfxmsg::CommandLineTooLong},
    {&Settings::FallbackPath, sfxmsg::FallbackPathTooLong},
}};

// The texts in the order the header holds them.
constexpr std::array<std::string Settings::*, 5> kHeaderOrder = {&Settings::Caption, &Settings::DefaultDir,
                                                                 &Settings::CommandLine,
                                                                 &Settings::FallbackPath, &Settings::Message};

template <class Record>
std::optional<Record> ReadRecordAt(zip::ByteSource& source, uint64_t pos) {
    uint8_t bytes[Record::kSize];
    if (!source.ReadExactAt(pos, bytes, sizeof bytes)) {
        return std::nullopt;
    }
    return zip::ReadRecord<Record>(bytes);
}

// Moves a message's style character into the style, as the property does.
void SplitMessageStyle(Settings& settings) {
    std::string text = std::move(settings.Message);
    settings.AssignMessage(text);
}

}  // namespace

void Settings::AssignMessage(std::string_view text) {
    MessageStyle = 0;
    if (!text.empty() && text.front() == '\x01') {
        MessageStyle = kStyleOkCancelInfo;
        text.remove_prefix(1);
    } else if (!text.empty() && text.front() == '\x02') {
        MessageStyle = kStyleYesNoQuestion;
        text.remove_prefix(1);
    }
    Message = text;
}

std::string BuildHeader(const Settings& settings) {
    size_t textBytes = 0;
    for (const TextField& field : kCheckOrder) {
        const size_t length = (settings.*field.text).size();
        if (length > kMaxTextLength) {
            throw ESfxError(field.tooLongId);
        }
        textBytes += length;
    }
    const size_t headerSize = (HeaderFixed::kSize + textBytes + 3) / 4 * 4;
    HeaderFixed fixed;
    fixed.HeaderSize = static_cast<uint16_t>(headerSize);
    fixed.OptionsWord = settings.OptionsWord;
    fixed.OverwriteByte = settings.OverwriteByte;
    fixed.CaptionLength = static_cast<uint8_t>(settings.Caption.size());
    fixed.DefaultDirLength = static_cast<uint8_t>(settings.DefaultDir.size());
    fixed.CommandLineLength = static_cast<uint8_t>(settings.CommandLine.size());
    fixed.FallbackPathLength = static_cast<uint8_t>(settings.FallbackPath.size());
    fixed.MessageLength = static_cast<uint8_t>(settings.Message.size());
    fixed.MessageStyle = settings.MessageStyle;

    std::string out;
    out.reserve(headerSize + HeaderTrailer::kSize);
    zip::AppendRecord(fixed, out);
    for (const auto text : kHeaderOrder) {
        out += settings.*text;
    }
    out.resize(headerSize, '\0');
    HeaderTrailer trailer;
    trailer.HeaderSize = static_cast<uint32_t>(headerSize);
    zip::AppendRecord(trailer, out);
    return out;
}

std::string BuildNameBlock(std::string_view name, std::string_view extension) {
    NameBlockEnd start;
    start.Signature = NameBlockEnd::kStartSignature;
    start.NameLength = static_cast<uint32_t>(name.size());
    start.ExtLength = static_cast<uint32_t>(extension.size());
    NameBlockEnd end = start;
    end.Signature = NameBlockEnd::kEndSignature;
    std::string out;
    zip::AppendRecord(start, out);
    out.append(name).append(extension);
    zip::AppendRecord(end, out);
    return out;
}

std::optional<NameBlock> ReadNameBlock(zip::ByteSource& source, uint64_t zipStart) {
    if (zipStart < NameBlockEnd::kSize) {
        return std::nullopt;
    }
    const auto end = ReadRecordAt<NameBlockEnd>(source, zipStart - NameBlockEnd::kSize);
    if (!end || end->Signature != NameBlockEnd::kEndSignature) {
        return std::nullopt;
    }
    const uint64_t textBytes = uint64_t{end->NameLength} + end->ExtLength;
    const uint64_t blockSize = 2 * NameBlockEnd::kSize + textBytes;
    if (blockSize > zipStart) {
        return std::nullopt;
    }
    NameBlock block;
    block.Start = zipStart - blockSize;
    const auto start = ReadRecordAt<NameBlockEnd>(source, block.Start);
    if (!start || start->Signature != NameBlockEnd::kStartSignature || start->NameLength != end->NameLength ||
        start->ExtLength != end->ExtLength) {
        return std::nullopt;
    }
    std::string text(static_cast<size_t>(textBytes), '\0');
    if (!source.ReadExactAt(block.Start + NameBlockEnd::kSize, text.data(), text.size())) {
        return std::nullopt;
    }
    block.Name = text.substr(0, end->NameLength);
    block.Extension = text.substr(end->NameLength);
    return block;
}

bool ReadHeader(zip::ByteSource& source, uint64_t zipStart, Settings& settings) {
    uint64_t trailerEnd = zipStart;
    if (const auto block = ReadNameBlock(source, zipStart)) {
        trailerEnd = block->Start;
    }
    if (trailerEnd < HeaderTrailer::kSize) {
        return false;
    }
    const auto trailer = ReadRecordAt<HeaderTrailer>(source, trailerEnd - HeaderTrailer::kSize);
    if (!trailer || trailer->Signature != HeaderTrailer::kSignature ||
        trailer->HeaderSize > trailerEnd - HeaderTrailer::kSize) {
        return false;
    }
    const uint64_t headerStart = trailerEnd - HeaderTrailer::kSize - trailer->HeaderSize;
    const auto fixed = ReadRecordAt<HeaderFixed>(source, headerStart);
    if (!fixed || fixed->Signature != HeaderFixed::kSignature) {
        return false;
    }
    const uint8_t lengths[] = {fixed->CaptionLength, fixed->DefaultDirLength, fixed->CommandLineLength,
                               fixed->FallbackPathLength, fixed->MessageLength};
    size_t textBytes = 0;
    for (const uint8_t length : lengths) {
        textBytes += length;
    }
    // The texts belong to the header: a header too small for them is no header of this system.
    if (HeaderFixed::kSize + textBytes > trailer->HeaderSize) {
        throw ESfxError(sfxmsg::TypeUnknown);
    }
    std::string texts(textBytes, '\0');
    if (!source.ReadExactAt(headerStart + HeaderFixed::kSize, texts.data(), texts.size())) {
        throw ESfxError(sfxmsg::TypeUnknown);
    }
    Settings read = settings;
    read.OptionsWord = fixed->OptionsWord;
    read.OverwriteByte = fixed->OverwriteByte;
    read.MessageStyle = fixed->MessageStyle;
    size_t at = 0;
    for (size_t i = 0; i < kHeaderOrder.size(); ++i) {
        read.*kHeaderOrder[i] = texts.substr(at, lengths[i]);
        at += lengths[i];
    }
    settings = std::move(read);
    return true;
}

bool ReadOldHeader(zip::ByteSource& source, uint64_t zipStart, Settings& settings) {
    const size_t window = static_cast<size_t>(std::min<uint64_t>(kOldHeaderWindow, zipStart));
    std::vector<uint8_t> bytes(window);
    if (!source.ReadExactAt(zipStart - window, bytes.data(), window)) {
        throw ESfxError(sfxmsg::NotValidZip);
    }
    for (size_t h = 0; h + 3 <= window; ++h) {
        if (bytes[h] != 'M' || bytes[h + 1] != 'P' || (bytes[h + 2] != 'U' && bytes[h + 2] != 'V')) {
            continue;
        }
        const bool variantV = bytes[h + 2] == 'V';
        // The texts, each taken only where it lies inside the window.
        size_t at = variantV ? h + 8 : h + 7;
        std::array<std::string, 4> texts;
        bool fits = h + 3 < window;
        if (variantV) {
            for (auto& text : texts) {
                if (!fits || at >= window || window - at - 1 < bytes[at]) {
                    fits = false;
                    break;
                }
                text.assign(reinterpret_cast<const char*>(&bytes[at + 1]), bytes[at]);
                at += 1 + bytes[at];
            }
        } else {
            fits = fits && h + 7 <= window;
            for (size_t i = 0; fits && i < 3; ++i) {
                const uint8_t length = bytes[h + 4 + i];
                if (window - at < length) {
                    fits = false;
                    break;
                }
                texts[i].assign(reinterpret_cast<const char*>(&bytes[at]), length);
                at += length;
            }
        }
        if (!fits) {
            continue;
        }
        const uint8_t flags = bytes[h + 3];
        Settings read = settings;
        read.OptionsWord = kOldStyleFlag;
        read.OverwriteByte = kOverwriteAsk;
        if (flags & 0x01) {
            read.OptionsWord |= kAskCmdLine;
        }
        if (flags & 0x02) {
            read.OptionsWord |= kAskFiles;
        }
        if (flags & 0x04) {
            read.OptionsWord |= kHideOverWriteBox;
        }
        if (flags & 0x08) {
            read.OverwriteByte = kOverwriteAlways;
        }
        if (flags & 0x10) {
            read.OverwriteByte = kOverwriteNever;
        }
        if (flags & 0x40) {
            read.OptionsWord |= kAutoRun;
        }
        read.Caption = std::move(texts[0]);
        read.DefaultDir = std::move(texts[1]);
        read.CommandLine = std::move(texts[2]);
        read.FallbackPath.clear();
        if (variantV) {
            if (flags & 0x80) {
                read.OptionsWord |= kNoSuccessMsg;
            }
            read.Message = std::move(texts[3]);
            SplitMessageStyle(read);
        } else {
            read.Message.clear();
        }
        settings = std::move(read);
        return true;
    }
    return false;
}

}  // namespace ruvu::sfx
