#include "diary/page_list_model.h"

namespace dezu::diary {

namespace {
constexpr int kColumns = 2;
}

int PageListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PageListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant PageListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const Row& row = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    return column < row.size() ? QString::fromStdString(row[column]) : QString();
}

QVariant PageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section == 0) return QStringLiteral("日记标题");
    if (section == 1) return QStringLiteral("记录时间");
    return {};
}

void PageListModel::set_rows(std::vector<Row> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void PageListModel::append_row() {
    const int row = rowCount();
    beginInsertRows({}, row, row);
    rows_.emplace_back(kColumns);
    endInsertRows();
}

void PageListModel::remove_row(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void PageListModel::set_row(int row, std::string title, std::string time) {
    if (row < 0 || row >= rowCount()) return;
    rows_[static_cast<std::size_t>(row)] = {std::move(title), std::move(time)};
    emit dataChanged(index(row, 0), index(row, kColumns - 1));
}

}  // namespace dezu::diary
