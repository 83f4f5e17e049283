#include "app/EntryTableModel.h"

#include <algorithm>
#include <ctime>

#include "app/QtText.h"
#include "engine/DozErozev.h"
#include "platform/DateFormat.h"
#include "zipformat/MethodName.h"

namespace ruvu {

namespace {

const char* const kHeaders[EntryTableModel::kColumnCount + 1] = {"Fájl név", "Tömöritett méret",
                                                                 "Eredeti méret", "Időpont", "Módszer"};

}  // namespace

EntryTableModel::EntryTableModel(const TDozErozev& component, QObject* parent)
    : QAbstractTableModel(parent), component_(component) {}

void EntryTableModel::Fill() {
    beginResetModel();
    count_ = component_.Count();
    methods_.clear();
    // Nearly every entry is stored or deflated: those are passed over without building a name.
    for (const ZipDirEntry& entry : component_.Entries()) {
        if (!zip::MethodIsNamed(entry.Method)) {
            continue;
        }
        std::string method = entry.MethodName();
        if (!method.empty() && std::find(methods_.begin(), methods_.end(), method) == methods_.end()) {
            methods_.push_back(std::move(method));
        }
    }
    endResetModel();
}

void EntryTableModel::Clear() {
    beginResetModel();
    count_ = 0;
    methods_.clear();
    endResetModel();
}

const ZipDirEntry* EntryTableModel::EntryAt(int row) const {
    const std::vector<ZipDirEntry>& entries = component_.Entries();
    if (row < 0 || row >= count_ || static_cast<size_t>(row) >= entries.size()) {
        return nullptr;
    }
    return &entries[static_cast<size_t>(row)];
}

std::string EntryTableModel::DateText(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return platform::FormatShortDate(local) + "  " + platform::FormatShortTime(local);
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
            return DateText(entry->ModificationTime());
        case kMethodColumn:
            return entry->MethodName();
        default:
            return {};
    }
}

int EntryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : (count_ > 0 ? count_ : 1);
}

int EntryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount + (ShowsMethods() ? 1 : 0);
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
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < columnCount()) {
        return QString::fromUtf8(kHeaders[section]);
    }
    return {};
}

}  // namespace ruvu
