// The information bar under the plot: one status text, or the read-out of the cursor or the
// distance tool drawn by the engine (CursorReadout.h), a progress bar that shows while a long
// operation runs, and the zoom button of the distance tool. It is the document window's status
// sink: the engine's status texts, read-outs and progress arrive here.
#pragma once

#include "Status.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;
class ReadoutRow;

class InfoBar : public QWidget, public StatusSink {
    Q_OBJECT
public:
    explicit InfoBar(QWidget* parent);

    void InfoBarText(const std::string& text) override;
    void InfoBarReadout(const InfoBarReadoutRec& readout) override;
    void ProgressStart(const std::string& text) override;
    void ProgressValue(int percent) override;
    void ProgressStop() override;

    // The text shown, or the read-out as plain text.
    QString Text() const;
    bool ReadoutShown() const;
    bool ProgressShown() const;
    QToolButton* ZoomButton() const { return zoom_; }

private:
    static constexpr int kEventIntervalMs = 100;  // between turns of the event loop in a long calculation
    void Flush();
    void KeepWindowsPainted();
    QElapsedTimer sinceEvents_;
    QLabel* text_;
    ReadoutRow* readout_;
    QProgressBar* progress_;
    QToolButton* zoom_;
};
