#pragma once

#include <QAbstractTableModel>
#include <vector>

class ItemSearchIndex;

// The results of the item search as the item list shows them, one row per item found: "項目" (the
// name, with the kind's image), "値" (the value; "*****" for a secret) and "グループ" (the path of
// the group that holds it, "/" and the names below the root group). Rows refer to entries of an
// index; cells are read from the document only when a view asks for them, so that a refill costs
// the same for ten rows or a hundred thousand.
class ItemSearchModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kName = 0, kValue = 1, kGroup = 2, kColumns = 3 };

    explicit ItemSearchModel(const ItemSearchIndex& index, QObject* parent = nullptr);

    // The rows, entries of the index in the order shown; the index must hold them for as long as
    // they are shown (set no rows before it is cleared).
    void setRows(std::vector<int> entries);
    const std::vector<int>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const ItemSearchIndex& index_;
    std::vector<int> rows_;
};
