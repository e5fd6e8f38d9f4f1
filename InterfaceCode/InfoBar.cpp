// The information bar.
#include "InfoBar.h"

#include "CursorReadout.h"
#include "EngineBusy.h"
#include "Icons.h"
#include "QtDrawingSurface.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QToolButton>

// The read-out's fields, drawn by the engine in the bar's colours.
class ReadoutRow : public QWidget {
public:
    explicit ReadoutRow(QWidget* parent) : QWidget(parent) {}
    void Set(const InfoBarReadoutRec& readout)
    {
        readout_ = readout;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QtDrawingSurface surface(painter, rect());
        auto channels = [](const QColor& c) {
            return RGBColor{static_cast<UInt16>(c.red() * 257), static_cast<UInt16>(c.green() * 257),
                            static_cast<UInt16>(c.blue() * 257)};
        };
        surface.RGBBackColor(channels(palette().window().color()));
        surface.RGBForeColor(channels(palette().windowText().color()));
        const Rect status{0, 0, static_cast<SInt16>(height()), static_cast<SInt16>(width())};
        DrawInfoBarFields(surface, status, readout_);
    }

private:
    InfoBarReadoutRec readout_;
};

InfoBar::InfoBar(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);  // children are owned by their Qt parent
    layout->setContentsMargins(6, 2, 6, 2);
    text_ = new QLabel(this);
    text_->setAlignment(Qt::AlignCenter);
    // Long texts are cut to the bar rather than widening the window.
    text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont font = text_->font();
    font.setPixelSize(12);
    text_->setFont(font);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(160);
    progress_->setTextVisible(false);
    progress_->hide();
    readout_ = new ReadoutRow(this);
    readout_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    readout_->hide();
    zoom_ = new QToolButton(this);
    zoom_->setToolTip(tr("Zoom to the measured distance"));
    zoom_->setIcon(ToolbarIcon("iMgT"));
    zoom_->setAutoRaise(true);
    zoom_->hide();
    layout->addWidget(text_, 1);
    layout->addWidget(readout_, 1);
    layout->addWidget(progress_);
    layout->addWidget(zoom_);
    setFixedHeight(22);
}

void InfoBar::Flush()
{
    // The calling operation keeps the event loop busy: paint the change now.
    if (!isVisible())
        return;
    if (!readout_->isHidden())
        readout_->repaint();
    text_->repaint();
    if (!progress_->isHidden())
        progress_->repaint();
}

void InfoBar::KeepWindowsPainted()
{
    // While a long calculation runs, let the windows repaint (and the progress show) now and
    // then; input waits, and the plot shows its last picture until the engine is done.
    if (!isVisible() || (sinceEvents_.isValid() && sinceEvents_.elapsed() < kEventIntervalMs))
        return;
    EngineBusy busy;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    sinceEvents_.start();
}

void InfoBar::InfoBarReadout(const InfoBarReadoutRec& readout)
{
    // The plain text stays behind the fields, for what asks the bar for its text.
    text_->setToolTip(QString());
    text_->setText(QString::fromStdString(readout.PlainText()));
    text_->hide();
    readout_->Set(readout);
    readout_->show();
    Flush();
}

bool InfoBar::ReadoutShown() const
{
    return !readout_->isHidden();
}

void InfoBar::InfoBarText(const std::string& text)
{
    readout_->hide();
    text_->show();
    // Notes of several lines share the bar's one line; the tooltip holds them in full.
    QString shown = QString::fromStdString(text);
    text_->setToolTip(shown.contains(QLatin1Char('\n')) || text_->fontMetrics().horizontalAdvance(shown) > text_->width()
                          ? shown
                          : QString());
    shown.replace(QLatin1Char('\n'), QStringLiteral("  ·  "));
    text_->setText(text_->fontMetrics().elidedText(shown, Qt::ElideRight, std::max(text_->width(), 100)));
    if (text.empty())
        zoom_->hide();
    Flush();
}

void InfoBar::ProgressStart(const std::string& text)
{
    readout_->hide();
    text_->show();
    text_->setToolTip(QString());
    text_->setText(QString::fromStdString(text));
    progress_->setValue(0);
    progress_->show();
    sinceEvents_.start();
    Flush();
}

void InfoBar::ProgressValue(int percent)
{
    progress_->setValue(percent);
    Flush();
    KeepWindowsPainted();
}

void InfoBar::ProgressStop()
{
    progress_->hide();
    text_->clear();
    text_->setToolTip(QString());
    Flush();
}

QString InfoBar::Text() const
{
    // The whole text, not the part that fits.
    return text_->toolTip().isEmpty() ? text_->text() : text_->toolTip();
}

bool InfoBar::ProgressShown() const
{
    return !progress_->isHidden();
}
