// The listing window's item model.
#include "ListingModel.h"

#include <QFontDatabase>

#include <algorithm>
#include <cstring>

namespace {

bool SameRows(const std::vector<EditListingRowRec>& a, const std::vector<EditListingRowRec>& b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const EditListingRowRec& x, const EditListingRowRec& y) {
               return x.num == y.num && x.h == y.h && x.k == y.k && x.l == y.l && x.dsp == y.dsp && x.x == y.x &&
                      x.inty == y.inty && x.intyRel == y.intyRel && x.m == y.m;
           });
}

}  // namespace

ListingModel::ListingModel(QObject* parent)
    : QAbstractTableModel(parent), columns_(ListingColumns(kAxisTwoTheta)),
      font_(QFontDatabase::systemFont(QFontDatabase::FixedFont))
{
}

int ListingModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int ListingModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const EditListingRowRec* ListingModel::RowAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(order_.size()))
        return nullptr;
    return &rows_[order_[static_cast<std::size_t>(row)]];
}

int ListingModel::SectionOf(ListingColumn column) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == column)
            return static_cast<int>(i);
    return -1;
}

QVariant ListingModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.column() >= columnCount())
        return {};
    const EditListingRowRec* row = RowAt(index.row());
    if (!row)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        std::string text = ListingCellText(*row, columns_[static_cast<std::size_t>(index.column())]);
        text.erase(0, text.find_first_not_of(' '));
        return QString::fromStdString(text);
    }
    case Qt::TextAlignmentRole: return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::FontRole: return font_;
    default: return {};
    }
}

QVariant ListingModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const ListingColumn column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return column == ListingColumn::Index ? tr("No.") : QString::fromStdString(ListingColumnTitle(column, axisType_));
    if (role == Qt::ToolTipRole && column == ListingColumn::N)
        return tr("h² + k² + l²");
    if (role == Qt::ToolTipRole && column == ListingColumn::Multiplicity)
        return tr("Multiplicity");
    return {};
}

Qt::ItemFlags ListingModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ListingModel::Reorder(std::vector<UInt32> order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    if (!from.isEmpty()) {
        std::vector<int> rowOf(rows_.size(), -1);
        for (std::size_t r = 0; r < order.size(); ++r)
            rowOf[order[r]] = static_cast<int>(r);
        to.reserve(from.size());
        for (const QModelIndex& i : from) {
            const int r = rowOf[order_[static_cast<std::size_t>(i.row())]];
            to.append(r < 0 ? QModelIndex() : index(r, i.column()));
        }
    }
    order_ = std::move(order);
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListingModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    sortColumn_ = columns_[static_cast<std::size_t>(column)];
    ascending_ = order == Qt::AscendingOrder;
    Reorder(ListingRowOrder(rows_, sortColumn_, ascending_, filter_));
}

void ListingModel::SetRows(std::vector<EditListingRowRec> rows, SInt16 axisType, bool sameCrystal)
{
    std::vector<ListingColumn> columns = ListingColumns(axisType);
    const bool sameColumns = columns == columns_;
    if (sameCrystal && sameColumns && axisType == axisType_ && SameRows(rows, rows_))
        return;
    if (std::find(columns.begin(), columns.end(), sortColumn_) == columns.end()) {
        sortColumn_ = ListingColumn::Index;  // the position column went with the d-spacing axis
        ascending_ = true;
    }
    std::vector<UInt32> order = ListingRowOrder(rows, sortColumn_, ascending_, filter_);
    if (sameCrystal && sameColumns && rows.size() == rows_.size() && order.size() == order_.size()) {
        // The same reflexions with new values: the records change under their rows.
        const bool newTitles = axisType != axisType_;
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList from = persistentIndexList();
        QModelIndexList to;
        if (!from.isEmpty()) {
            std::vector<int> rowOf(rows.size(), -1);
            for (std::size_t r = 0; r < order.size(); ++r)
                rowOf[order[r]] = static_cast<int>(r);
            for (const QModelIndex& i : from) {
                const int r = rowOf[order_[static_cast<std::size_t>(i.row())]];
                to.append(r < 0 ? QModelIndex() : index(r, i.column()));
            }
        }
        rows_ = std::move(rows);
        order_ = std::move(order);
        axisType_ = axisType;
        changePersistentIndexList(from, to);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        if (!order_.empty())
            emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole});
        if (newTitles)
            emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
        return;
    }
    beginResetModel();
    rows_ = std::move(rows);
    order_ = std::move(order);
    columns_ = std::move(columns);
    axisType_ = axisType;
    endResetModel();
}

void ListingModel::SetFilter(const ListingFilter& filter)
{
    beginResetModel();
    filter_ = filter;
    order_ = ListingRowOrder(rows_, sortColumn_, ascending_, filter_);
    endResetModel();
}

QString ListingModel::CopyText(std::vector<int> viewRows) const
{
    std::sort(viewRows.begin(), viewRows.end());
    viewRows.erase(std::unique(viewRows.begin(), viewRows.end()), viewRows.end());
    std::vector<UInt32> positions;
    positions.reserve(viewRows.size());
    for (int r : viewRows)
        if (r >= 0 && r < rowCount())
            positions.push_back(order_[static_cast<std::size_t>(r)]);
    return QString::fromStdString(ListingCopyText(rows_, positions, columns_));
}
