#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

namespace dezu::diary {

// The rows of the editor's page list, one a page: its title and its time.
// The texts are kept as the book gives them and become display text only for
// the rows that are drawn, so that a book of many pages lists at once.
class PageListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Row = std::vector<std::string>;  // title, time

    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void set_rows(std::vector<Row> rows);
    void append_row();
    void remove_row(int row);
    void set_row(int row, std::string title, std::string time);

private:
    std::vector<Row> rows_;
};

}  // namespace dezu::diary
