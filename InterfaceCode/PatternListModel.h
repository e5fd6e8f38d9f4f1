// The item model of a window's structures list: one row per pattern of the document's file list,
// in its order, with four columns: the plot check box, the kind icon, the name and the colour
// zone. The rows are a copy of what the document held at the last Refresh, so a view never
// reaches a pattern that has gone; Refresh compares and announces only what changed. Checking
// a row plots its pattern through the engine. The drawer (StructuresDrawer.h) shows the model.
#pragma once

#include "Records.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <string>
#include <vector>

struct WinInfoRec;

class PatternListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { kColumnPlot = 0, kColumnKind, kColumnName, kColumnColour, kColumnCount };
    enum Role {
        SelectedRole = Qt::UserRole + 1,  // bool: the pattern is selected
        PlottedRole,                      // bool: the pattern is in the plot list
        LoadedRole,                       // bool: its crystal or dataset is in memory
        ColourRole,                       // QColor: its plot colour; invalid when not plotted
        PressedRole,                      // bool: its colour pop-up is open
    };

    explicit PatternListModel(WinInfoRec* doc, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The check box: Qt::Checked plots the row's pattern, Qt::Unchecked unplots it.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Brings the rows up to date with the document.
    void Refresh();
    // The pattern of a row while it is still in the document; null otherwise.
    VLPatternPtr PatternAt(int row) const;
    int RowOf(const VLPatternRec* pattern) const;
    int SelectedCount() const;
    // The row whose colour pop-up is open (-1 for none), drawn pressed.
    void SetPressedRow(int row);

    // The name a row shows: the pattern's name less a crystal-file extension.
    static QString DisplayName(const std::string& name);
    // A swatch of a colour with a pop-up arrow, as the colour zone shows it.
    static QIcon ColourSwatch(const QColor& colour, bool arrow = true);

private:
    struct RowState {
        VLPatternPtr pattern = nullptr;
        std::string name, file;
        VLPatternType type = kPatternTypeNone;
        bool selected = false, plotted = false, loaded = false, hasColour = false, mixture = false;
        RGBColor colour{};
        bool operator==(const RowState&) const = default;
    };
    RowState StateOf(const VLPatternRec* pattern) const;

    WinInfoRec* doc_;
    std::vector<RowState> rows_;
    int pressedRow_ = -1;
};
