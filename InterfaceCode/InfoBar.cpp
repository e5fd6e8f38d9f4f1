// The information bar.
#include "InfoBar.h"

#include "EngineBusy.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QToolButton>

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
    zoom_ = new QToolButton(this);
    zoom_->setToolTip(tr("Zoom to the measured distance"));
    zoom_->hide();
    layout->addWidget(text_, 1);
    layout->addWidget(progress_);
    layout->addWidget(zoom_);
    setFixedHeight(22);
}

void InfoBar::Flush()
{
    // The calling operation keeps the event loop busy: paint the change now.
    if (!isVisible())
        return;
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

void InfoBar::InfoBarText(const std::string& text)
{
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
