#include "app/EntryTableModel.h"

#include <ctime>

#include "app/QtText.h"
#include "engine/DozErozev.h"
#include "platform/DateFormat.h"
#include "platform/DosTime.h"

namespace ruvu {

namespace {

const char* const kHeaders[EntryTableModel::kColumnCount] = {"Fájl név", "Tömöritett méret", "Eredeti méret",
                                                             "Időpont"};

}  // namespace

EntryTableModel::EntryTableModel(const TDozErozev& component, QObject* parent)
    : QAbstractTableModel(parent), component_(component) {}

void EntryTableModel::Fill() {
    beginResetModel();
    count_ = component_.Count();
    endResetModel();
}

void EntryTableModel::Clear() {
    beginResetModel();
    count_ = 0;
    endResetModel();
}

const ZipDirEntry* EntryTableModel::EntryAt(int row) const {
    const std::vector<ZipDirEntry>& entries = component_.Entries();
    if (row < 0 || row >= count_ || static_cast<size_t>(row) >= entries.size()) {
        return nullptr;
    }
    return &entries[static_cast<size_t>(row)];
}

std::string EntryTableModel::DateText(uint32_t dosDateTime) {
    const platform::DosDateTimeParts parts = platform::DecodeDosDateTime(dosDateTime);
    std::tm time{};
    time.tm_year = parts.year - 1900;
    time.tm_mon = parts.month - 1;
    time.tm_mday = parts.day;
    time.tm_hour = parts.hour;
    time.tm_min = parts.minute;
    time.tm_sec = parts.second;
    return platform::FormatShortDate(time) + "  " + platform::FormatShortTime(time);
}

std::string EntryTableModel::CellText(int row, int column) const {
    const ZipDirEntry* entry = EntryAt(row);
    if (entry == nullptr) {
        return {};
    }
    switch (column) {
        case 0:
            return entry->FileName;
        case 1:
            return std::to_string(entry->CompressedSize64);
        case 2:
            return std::to_string(entry->UncompressedSize64);
        case 3:
            return DateText(entry->DosDateTime);
        default:
            return {};
    }
}

int EntryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : (count_ > 0 ? count_ : 1);
}

int EntryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant EntryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return ToQ(CellText(index.row(), index.column()));
    }
    if (role == Qt::TextAlignmentRole && (index.column() == 1 || index.column() == 2)) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    return {};
}

QVariant EntryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < kColumnCount) {
        return QString::fromUtf8(kHeaders[section]);
    }
    return {};
}

}  // namespace ruvu
