#include "items/ui/ItemSearchModel.h"

#include "items/ui/CZetrovaView.h"
#include "model/ItemSearch.h"
#include "model/Schema.h"

ItemSearchModel::ItemSearchModel(const ItemSearchIndex& index, QObject* parent)
    : QAbstractTableModel(parent), index_(index) {}

void ItemSearchModel::setRows(std::vector<int> entries) {
    beginResetModel();
    rows_ = std::move(entries);
    endResetModel();
}

int ItemSearchModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int ItemSearchModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ItemSearchModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const int entry = rows_[index.row()];
    const bool secret = index_.isSecret(entry);
    switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
                case kName:
                    return schema::NameOf(index_.item(entry));
                case kValue:
                    return secret ? QStringLiteral("*****") : index_.item(entry).text();
                case kGroup:
                    return u'/' + index_.groupNames(entry).join(u'/');
            }
            return {};
        case Qt::DecorationRole:
            if (index.column() != kName) return {};
            return CZetrovaView::imageIcon(secret ? CZetrovaView::kSecretImage
                                                  : CZetrovaView::kPlainImage);
        case Qt::AccessibleDescriptionRole:
            return secret ? QStringLiteral("秘密") : QStringLiteral("通常");
    }
    return {};
}

QVariant ItemSearchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kName:
            return QStringLiteral("項目");
        case kValue:
            return QStringLiteral("値");
        case kGroup:
            return QStringLiteral("グループ");
    }
    return {};
}
