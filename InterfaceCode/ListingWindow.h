// The reflexion listing window of a document window (Diffraction > List Reflexions): the
// reflexions of one plotted crystal as a sortable table (ListingModel), a pop-up of the plotted
// crystals, a search for indices or a d-spacing range, copying rows as tab-separated text,
// double-click to show a reflexion in the plot, and saving the table as text. It follows the
// document: every change that redraws the window brings the rows up to date. It is a window of
// its own beside the document window, so the document stays at hand while it is open.
#pragma once

#include "Records.h"

#include <QWidget>

#include <vector>

class ListingModel;
class MainWindow;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

inline constexpr int kListingWindowMinHeight = 340;

class ListingWindow : public QWidget {
    Q_OBJECT
public:
    explicit ListingWindow(MainWindow* window);
    ~ListingWindow() override;

    ListingModel* Model() const { return model_; }
    QTableView* Table() const { return table_; }
    QComboBox* CrystalPopup() const { return crystals_; }
    QLineEdit* SearchField() const { return search_; }
    QLabel* CountLabel() const { return count_; }

    // The pattern whose reflexions are shown; null when the plot list has no crystal left.
    VLPatternPtr ShownPattern() const { return shown_; }
    // Shows the i-th crystal of the plot list.
    void ChooseCrystal(int i);
    // Brings the pop-up and the rows up to date with the document now.
    void Refresh();
    // Narrows the rows to the search text; false (every row shown) when it is not understood.
    bool Search(const QString& text);
    // The selected rows to the clipboard as tab-separated text; the number of rows copied.
    int CopySelection();
    // Shows the reflexion of a table row in the plot, as Find Peak does.
    bool ShowRowInPlot(int row);
    // Asks for a file and saves the rows as shown; false when cancelled or not written.
    bool Save();

private:
    void ScheduleRefresh();
    void ApplyColumnWidths();
    void UpdateCount();

    MainWindow* window_;
    ListingModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QComboBox* crystals_ = nullptr;
    QLineEdit* search_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* save_ = nullptr;
    std::vector<VLPatternPtr> popup_;  // the crystals the pop-up lists, in plot order
    VLPatternPtr shown_ = nullptr;
    bool refreshPending_ = false;
};

// Opens (or brings forward) the listing window of a document window; null, after a note, when the
// window plots no crystal.
ListingWindow* ShowListingWindow(MainWindow* window);
