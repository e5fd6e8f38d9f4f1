// The graphics pane of a document window: the plot, drawn by the engine's rendering code on a
// QPainter surface, and the mouse and wheel in it.
#pragma once

#include <QImage>
#include <QWidget>

struct WinInfoRec;

class GraphicsPane : public QWidget {
    Q_OBJECT
public:
    GraphicsPane(WinInfoRec* doc, QWidget* parent);
    // The next paint recomputes the profiles first (and shows progress when asked).
    void RequestRedraw(bool recalcProfiles, bool showProgress);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WinInfoRec* doc_;
    QImage buffer_;
    QSize lastSize_;
    bool recalcProfiles_ = true;
    bool showProgress_ = false;
};
