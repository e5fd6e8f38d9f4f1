// The item model of the crystal editor's site table: one row per site of the editor's working
// copy (EditCrystal.h), with the use check box, label, occupancy cell, coordinates and, for a
// crystal with anisotropic displacement parameters, the U columns. Only the use flag and the
// occupancy cell can be edited; a typed occupancy goes through the engine's reading, and what it
// refuses or warns about is announced with caution(). Sorting reorders the rows, not the copy.
// The editor (CrystalEditor.h) shows the model.
#pragma once

#include "EditCrystal.h"

#include <QAbstractTableModel>
#include <QFont>

#include <vector>

class SiteTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The model reads and edits edit, which must outlive it.
    explicit SiteTableModel(EditCrystalRec* edit, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    EditCrystalColumn ColumnAt(int section) const { return columns_[static_cast<std::size_t>(section)]; }
    int SectionOf(EditCrystalColumn column) const;  // -1 when not shown
    // The site a row shows.
    const EditCrystalSiteRec& SiteAt(int row) const;

    // The first of Courier, Courier New and Monaco that exists, else the system's fixed font; 12 pt.
    static QFont TableFont();

signals:
    // A typed occupancy was refused or accepted with a warning: the text to show.
    void caution(const QString& text);

private:
    EditCrystalRec* edit_;
    std::vector<EditCrystalColumn> columns_;
    std::vector<UInt32> order_;  // row → position in edit_->sites
    QFont font_;
};
