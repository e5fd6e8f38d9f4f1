// The structures list's item model.
#include "PatternListModel.h"

#include "Document.h"
#include "EngineBusy.h"
#include "Icons.h"
#include "QtDrawingSurface.h"
#include "StructuresList.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <map>

namespace {

// Grey of a pressed row (the colour pop-up is open), 16-bit grey 0xE8F5.
const QColor kItemShadeColor(0xE8, 0xE8, 0xE8);

const char* KindIcon(VLPatternType type, bool loaded, bool mixture)
{
    if (type == kPatternTypeCrystal)
        return mixture ? "iCrM" : loaded ? "iCrL" : "iFOB";
    if (type == kPatternTypeDataset)
        return loaded ? "iDsL" : "iFTx";
    return "iFGn";
}

// Icons are drawn once: a view asks for them each time it paints a row.
QIcon CachedIcon(const char* code)
{
    static std::map<std::string, QIcon> icons;
    auto it = icons.find(code);
    if (it == icons.end())
        it = icons.emplace(code, ListIcon(code)).first;
    return it->second;
}

QIcon CachedSwatch(const QColor& colour)
{
    static std::map<QRgb, QIcon> swatches;
    auto it = swatches.find(colour.rgb());
    if (it == swatches.end()) {
        if (swatches.size() > 256)  // colours picked freely: keep the cache small
            swatches.clear();
        it = swatches.emplace(colour.rgb(), PatternListModel::ColourSwatch(colour)).first;
    }
    return it->second;
}

}  // namespace

PatternListModel::PatternListModel(WinInfoRec* doc, QObject* parent) : QAbstractTableModel(parent), doc_(doc)
{
    Refresh();
}

PatternListModel::RowState PatternListModel::StateOf(const VLPatternRec* pattern) const
{
    RowState s;
    s.pattern = const_cast<VLPatternPtr>(pattern);
    s.name = pattern->name;
    s.file = pattern->filePtr;
    s.type = pattern->type;
    s.selected = pattern->selected;
    s.plotted = pattern->plotted;
    // A plotted pattern has its data: the plot list holds only patterns that do.
    s.loaded = PatternIsCached(pattern);
    s.hasColour = PatternPlotColor(pattern, &s.colour);
    s.mixture = s.plotted && pattern->type == kPatternTypeCrystal && doc_ && doc_->plotSpecs.plotMixture;
    return s;
}

void PatternListModel::Refresh()
{
    std::vector<RowState> now;
    if (doc_) {
        now.reserve(doc_->fileList.size());
        for (const auto& p : doc_->fileList)
            now.push_back(StateOf(p.get()));
    }
    const bool sameRows = now.size() == rows_.size() &&
                          std::equal(now.begin(), now.end(), rows_.begin(),
                                     [](const RowState& a, const RowState& b) { return a.pattern == b.pattern; });
    if (!sameRows) {
        beginResetModel();
        rows_ = std::move(now);
        pressedRow_ = -1;
        endResetModel();
        return;
    }
    // The same patterns in the same order: announce the rows that changed, in runs.
    std::size_t i = 0;
    while (i < rows_.size()) {
        if (rows_[i] == now[i]) {
            ++i;
            continue;
        }
        std::size_t j = i;
        while (j < rows_.size() && !(rows_[j] == now[j])) {
            rows_[j] = now[j];
            ++j;
        }
        emit dataChanged(index(static_cast<int>(i), 0), index(static_cast<int>(j - 1), kColumnCount - 1));
        i = j;
    }
}

int PatternListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int PatternListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QString PatternListModel::DisplayName(const std::string& name)
{
    QString text = QString::fromStdString(name);
    for (const char* ext : {".obdf", ".obd5"})
        if (text.endsWith(QLatin1String(ext)))
            text.chop(5);
    return text;
}

QIcon PatternListModel::ColourSwatch(const QColor& colour, bool arrow)
{
    QIcon icon;
    for (int scale : {1, 2}) {
        QPixmap pixmap(24 * scale, 14 * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(90, 90, 90), 1));
        p.setBrush(colour);
        p.drawRoundedRect(QRectF(0.5, 1.5, arrow ? 15 : 23, 11), 2, 2);
        if (arrow) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(60, 60, 60));
            p.drawPolygon(QPolygonF() << QPointF(18, 5.5) << QPointF(23, 5.5) << QPointF(20.5, 9));
        }
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QVariant PatternListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.parent().isValid() || index.row() >= static_cast<int>(rows_.size()) ||
        index.column() >= kColumnCount)
        return {};
    const RowState& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
    case SelectedRole: return r.selected;
    case PlottedRole: return r.plotted;
    case LoadedRole: return r.loaded;
    case PressedRole: return index.row() == pressedRow_;
    case ColourRole: return r.hasColour ? ToQColor(r.colour) : QColor();
    case Qt::BackgroundRole:
        if (index.row() == pressedRow_)
            return kItemShadeColor;
        return {};
    default: break;
    }
    switch (index.column()) {
    case kColumnPlot:
        if (role == Qt::CheckStateRole)
            return r.plotted ? Qt::Checked : Qt::Unchecked;
        if (role == Qt::ToolTipRole)
            return r.plotted ? tr("Plotted: click to take it off the plot") : tr("Not plotted: click to plot it");
        break;
    case kColumnKind:
        if (role == Qt::DecorationRole)
            return CachedIcon(KindIcon(r.type, r.loaded, r.mixture));
        if (role == Qt::ToolTipRole)
            return r.type == kPatternTypeCrystal ? (r.loaded ? tr("Crystal") : tr("Crystal file, not read yet"))
                   : r.type == kPatternTypeDataset ? (r.loaded ? tr("Measured pattern") : tr("Data file, not read yet"))
                                                   : tr("Other file");
        break;
    case kColumnName:
        if (role == Qt::DisplayRole)
            return DisplayName(r.name);
        if (role == Qt::FontRole && r.plotted) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        if (role == Qt::ToolTipRole)
            return r.file.empty() ? QString::fromStdString(r.name) : QString::fromStdString(r.file);
        break;
    case kColumnColour:
        if (role == Qt::DecorationRole && r.hasColour)
            return CachedSwatch(ToQColor(r.colour));
        if (role == Qt::ToolTipRole && r.hasColour)
            return tr("Plot colour: click to change it");
        break;
    default: break;
    }
    return {};
}

QVariant PatternListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount)
        return {};
    switch (section) {
    case kColumnPlot: return tr("Plot");
    case kColumnKind: return tr("Kind");
    case kColumnName: return tr("Structures");
    case kColumnColour: return tr("Colour");
    default: return {};
    }
}

Qt::ItemFlags PatternListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kColumnPlot)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool PatternListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || index.column() != kColumnPlot || EngineBusy::Active())
        return false;
    VLPatternPtr pattern = PatternAt(index.row());
    if (!pattern)
        return false;
    const bool plot = value.toInt() == Qt::Checked;
    if (plot == static_cast<bool>(pattern->plotted))
        return true;
    bool done = true;
    if (plot)
        done = PlotFileListPattern(doc_, pattern, false, gPrefs);
    else
        UnplotFileListPattern(doc_, pattern);
    Refresh();
    return done;
}

VLPatternPtr PatternListModel::PatternAt(int row) const
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return nullptr;
    VLPatternPtr p = rows_[static_cast<std::size_t>(row)].pattern;
    return PatternIsInFileList(doc_, p) ? p : nullptr;
}

int PatternListModel::RowOf(const VLPatternRec* pattern) const
{
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].pattern == pattern)
            return static_cast<int>(i);
    return -1;
}

int PatternListModel::SelectedCount() const
{
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const RowState& r) { return r.selected; }));
}

void PatternListModel::SetPressedRow(int row)
{
    if (row == pressedRow_)
        return;
    const int old = pressedRow_;
    pressedRow_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
    for (int r : {old, pressedRow_})
        if (r >= 0)
            emit dataChanged(index(r, 0), index(r, kColumnCount - 1));
}
