// The About window: the program's version and icon, the libraries it is built with and their
// licences, and the published tables its scattering factors come from. One tab each.
#pragma once

#include <QDialog>

#include <vector>

class QTabWidget;

struct LibraryCredit {
    const char* name;
    const char* use;      // what the program uses it for
    const char* licence;  // the licence the program receives it under
    const char* address;  // where its source is
};

struct TableSource {
    const char* table;     // which values
    const char* citation;  // the published source
    const char* through;   // the copy the program reads or computes them from
};

// The libraries the programs link, and the sources of the scattering tables.
const std::vector<LibraryCredit>& LibraryCredits();
const std::vector<TableSource>& ScatteringTableSources();

class AboutBox : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    QTabWidget* Tabs() const { return tabs_; }

private:
    QTabWidget* tabs_ = nullptr;
};
