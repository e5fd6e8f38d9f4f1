// The floating message window.
#include "MessageWindow.h"

#include <QLabel>
#include <QVBoxLayout>

MessageWindow::MessageWindow() : QWidget(nullptr, Qt::Tool)
{
    setWindowTitle(tr("Velmora"));
    // Child widgets are owned by their Qt parent.
    auto* layout = new QVBoxLayout(this);
    title_ = new QLabel(this);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    text_ = new QLabel(this);
    text_->setWordWrap(true);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(title_);
    layout->addWidget(text_);
    setMinimumWidth(320);
}

void MessageWindow::ShowMessage(const QString& title, const QString& text)
{
    title_->setText(title);
    text_->setText(text);
    adjustSize();
    show();
    raise();
}

QString MessageWindow::Title() const
{
    return title_->text();
}

QString MessageWindow::Text() const
{
    return text_->text();
}
