// The crystal editor of a document window (Diffraction > Edit Crystal…): a window-modal sheet
// with the six lattice parameters of the front selected crystal and the table of its sites
// (SiteTableModel), on a working copy. OK checks the lattice and applies the edit through the
// engine as one undoable change; Cancel drops it.
#pragma once

#include "EditCrystal.h"

#include <QDialog>

#include <array>

class MainWindow;
class QLabel;
class QLineEdit;
class QTableView;
class SiteTableModel;

// Smallest size of the sheet, pixels.
inline constexpr int kCrystalEditorMinWidth = 600;
inline constexpr int kCrystalEditorMinHeight = 300;

class CrystalEditor : public QDialog {
    Q_OBJECT
public:
    CrystalEditor(MainWindow* window, EditCrystalPtr edit);
    ~CrystalEditor() override;

    EditCrystalRec* Edit() const { return edit_.get(); }
    SiteTableModel* Model() const { return model_; }
    QTableView* Table() const { return table_; }
    // The lattice fields: a, b, c, alpha, beta, gamma.
    QLineEdit* LatticeField(int i) const { return fields_[static_cast<std::size_t>(i)]; }
    QLabel* Caption() const { return caption_; }
    QString Problem() const;

    // OK: reads the lattice, and applies the edit unless the cell is impossible (then the sheet
    // says why and stays open).
    void accept() override;

private:
    MainWindow* window_;
    EditCrystalPtr edit_;
    SiteTableModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    std::array<QLineEdit*, 6> fields_{};
    QLabel* caption_ = nullptr;
    QLabel* problem_ = nullptr;
};

// Opens the editor on the window's front selected crystal; null (after an alert) without one.
CrystalEditor* RequestEditCrystal(MainWindow* window);
