// The archive grid's model: four columns read from the component's entries by index, so listing an
// archive of any size costs one reset, not a cell per item. It keeps the archive's order and does not
// sort. With no entries it shows one empty row under the header. A listing holding an entry of a
// method other than stored or deflate gets a fifth column naming it, so the user sees why such an
// entry needs a newer tool; other listings keep the four columns.
#pragma once

#include <QAbstractTableModel>
#include <ctime>
#include <string>
#include <vector>

#include "engine/ZipDirEntry.h"

namespace ruvu {

class TDozErozev;

class EntryTableModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    static constexpr int kColumnCount = 4;
    // The designed widths; the window widens a column whose header or dates would not fit.
    static constexpr int kColumnWidths[kColumnCount] = {316, 84, 94, 120};
    static constexpr int kMethodColumn = kColumnCount;

    explicit EntryTableModel(const TDozErozev& component, QObject* parent = nullptr);

    // Takes the component's current listing (FillGrid).
    void Fill();
    // Back to the header and one empty row.
    void Clear();

    // The text of a cell; empty outside the listing.
    std::string CellText(int row, int column) const;
    // Whether the method column is shown, and the names it shows, each once.
    bool ShowsMethods() const { return !methods_.empty(); }
    const std::vector<std::string>& Methods() const { return methods_; }
    // "ddddd  t": the program's short date, two spaces, its short time, of a time in local time.
    static std::string DateText(std::time_t time);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

  private:
    // The entry shown in a row, or nullptr: the engine may be re-listing while the view paints.
    const ZipDirEntry* EntryAt(int row) const;

    const TDozErozev& component_;
    int count_ = 0;
    std::vector<std::string> methods_;  // empty when every entry is stored or deflated
};

}  // namespace ruvu
