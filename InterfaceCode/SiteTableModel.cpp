// The crystal editor's site table model.
#include "SiteTableModel.h"

#include <QFontDatabase>

SiteTableModel::SiteTableModel(EditCrystalRec* edit, QObject* parent)
    : QAbstractTableModel(parent), edit_(edit), font_(TableFont())
{
    if (edit_) {
        columns_ = EditCrystalColumns(*edit_);
        for (std::size_t i = 0; i < edit_->sites.size(); ++i)
            order_.push_back(static_cast<UInt32>(i));
    }
}

QFont SiteTableModel::TableFont()
{
    QFont font;
    bool found = false;
    for (const char* family : {"Courier", "Courier New", "Monaco"})
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font = QFont(QString::fromLatin1(family));
            found = true;
            break;
        }
    if (!found)
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(12);
    return font;
}

int SiteTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int SiteTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

int SiteTableModel::SectionOf(EditCrystalColumn column) const
{
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i] == column)
            return static_cast<int>(i);
    return -1;
}

const EditCrystalSiteRec& SiteTableModel::SiteAt(int row) const
{
    return edit_->sites[order_[static_cast<std::size_t>(row)]];
}

QVariant SiteTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const EditCrystalSiteRec& site = SiteAt(index.row());
    const EditCrystalColumn column = ColumnAt(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        if (column == EditCrystalColumn::Use)
            return {};
        return QString::fromStdString(EditCrystalCellText(site, column));
    case Qt::CheckStateRole:
        if (column == EditCrystalColumn::Use)
            return site.use ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::FontRole: return font_;
    case Qt::TextAlignmentRole:
        if (column == EditCrystalColumn::Label || column == EditCrystalColumn::Occupancy)
            return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    case Qt::ToolTipRole:
        if (column == EditCrystalColumn::Occupancy)
            return tr("Up to three element symbols with their occupancies, e.g. Fe 0.5 Mg 0.5");
        if (column == EditCrystalColumn::Use)
            return tr("Whether the site takes part in the calculation");
        return {};
    default: return {};
    }
}

QVariant SiteTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    if (role == Qt::DisplayRole) {
        const EditCrystalColumn column = ColumnAt(section);
        return column == EditCrystalColumn::Use ? tr("Use") : QString::fromStdString(EditCrystalColumnTitle(column));
    }
    return {};
}

Qt::ItemFlags SiteTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    const EditCrystalColumn column = ColumnAt(index.column());
    if (column == EditCrystalColumn::Use)
        f |= Qt::ItemIsUserCheckable;
    else if (column == EditCrystalColumn::Occupancy)
        f |= Qt::ItemIsEditable;
    return f;
}

bool SiteTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return false;
    EditCrystalSiteRec& site = edit_->sites[order_[static_cast<std::size_t>(index.row())]];
    const EditCrystalColumn column = ColumnAt(index.column());
    if (column == EditCrystalColumn::Use && role == Qt::CheckStateRole) {
        site.use = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {Qt::CheckStateRole});
        return true;
    }
    if (column != EditCrystalColumn::Occupancy || role != Qt::EditRole)
        return false;
    const OccupancyResult result = ExtractSiteOccupancies(site, value.toString().toStdString());
    if (result.outcome == OccupancyOutcome::Applied || result.outcome == OccupancyOutcome::Overfull)
        emit dataChanged(index, index);
    if (!result.caution.empty())
        emit caution(QString::fromStdString(result.caution));
    return result.outcome == OccupancyOutcome::Applied || result.outcome == OccupancyOutcome::Overfull;
}

void SiteTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList from = persistentIndexList();
    std::vector<UInt32> next = EditCrystalRowOrder(*edit_, ColumnAt(column), order == Qt::AscendingOrder);
    std::vector<int> rowOf(next.size(), -1);
    for (std::size_t r = 0; r < next.size(); ++r)
        rowOf[next[r]] = static_cast<int>(r);
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& i : from)
        to.append(index(rowOf[order_[static_cast<std::size_t>(i.row())]], i.column()));
    order_ = std::move(next);
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
