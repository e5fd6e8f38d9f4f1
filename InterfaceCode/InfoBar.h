// The information bar under the plot: one status text, a progress bar that shows while a long
// operation runs, and the zoom button of the distance tool. It is the document window's status
// sink: the engine's status texts and progress arrive here.
#pragma once

#include "Status.h"

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;
class QToolButton;

class InfoBar : public QWidget, public StatusSink {
    Q_OBJECT
public:
    explicit InfoBar(QWidget* parent);

    void InfoBarText(const std::string& text) override;
    void ProgressStart(const std::string& text) override;
    void ProgressValue(int percent) override;
    void ProgressStop() override;

    QString Text() const;
    bool ProgressShown() const;
    QToolButton* ZoomButton() const { return zoom_; }

private:
    static constexpr int kEventIntervalMs = 100;  // between turns of the event loop in a long calculation
    void Flush();
    void KeepWindowsPainted();
    QElapsedTimer sinceEvents_;
    QLabel* text_;
    QProgressBar* progress_;
    QToolButton* zoom_;
};
