// The item model of the reflexion listing window: the rows of one crystal (EditListing.h), the
// columns of the window's axis, shown in the order of the sort column and narrowed by the search.
// The rows are the engine's records; the model keeps only the order in which they are shown, so
// that 100,000 reflexions open, sort and scroll at once. The window (ListingWindow.h) shows it.
#pragma once

#include "EditListing.h"

#include <QAbstractTableModel>
#include <QFont>

#include <vector>

class ListingModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ListingModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // New rows for the window's axis. With sameCrystal, and the same columns and as many rows
    // shown as before, the rows change in place and the selection stays; otherwise the model is
    // reset. The sort and the search stay. Rows equal to those shown change nothing.
    void SetRows(std::vector<EditListingRowRec> rows, SInt16 axisType, bool sameCrystal);
    void SetFilter(const ListingFilter& filter);

    const std::vector<EditListingRowRec>& Rows() const { return rows_; }
    // Positions into Rows() in the order shown.
    const std::vector<UInt32>& Order() const { return order_; }
    const EditListingRowRec* RowAt(int row) const;
    const std::vector<ListingColumn>& Columns() const { return columns_; }
    int SectionOf(ListingColumn column) const;  // -1 when not shown
    int SortSection() const { return SectionOf(sortColumn_); }
    Qt::SortOrder SortOrder() const { return ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder; }
    // The shown rows among rows (view rows), in the order shown, as tab-separated text.
    QString CopyText(std::vector<int> viewRows) const;

private:
    // Shows order in place of the current one, moving persistent indexes with their records.
    void Reorder(std::vector<UInt32> order);

    std::vector<EditListingRowRec> rows_;
    std::vector<UInt32> order_;
    std::vector<ListingColumn> columns_;
    SInt16 axisType_ = kAxisTwoTheta;
    ListingColumn sortColumn_ = ListingColumn::Index;
    bool ascending_ = true;
    ListingFilter filter_;
    QFont font_;
};
