// The user guide's window.
#include "HelpWindow.h"

#include "Alerts.h"
#include "Resources.h"

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QStyle>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr char kGuideFile[] = "guide.html";

// Every text fragment of the document, with its character format, in order.
template <typename F>
void ForEachFragment(const QTextDocument* doc, F f)
{
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (const QTextFragment fragment = it.fragment(); fragment.isValid())
                f(fragment.charFormat());
}

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(Localized("Help_Window_Title"));
    resize(760, 640);

    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), tr("Back"));
    back_->setShortcut(QKeySequence::Back);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), tr("Forward"));
    forward_->setShortcut(QKeySequence::Forward);
    home_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), tr("Contents"));

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);  // a web address goes to the desktop's browser
    browser_->document()->setDocumentMargin(12);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(browser_);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home_, &QAction::triggered, browser_, &QTextBrowser::home);
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? Localized("Help_Window_Title") : title);
    });
}

QString HelpWindow::GuidePath()
{
    return QString::fromStdString(FindResourceFile(kGuideFile));
}

bool HelpWindow::LoadGuide()
{
    const QString path = GuidePath();
    if (path.isEmpty()) {
        browser_->setHtml(QStringLiteral("<h1>%1</h1><p>%2</p>")
                              .arg(Localized("Help_Window_Title").toHtmlEscaped(),
                                   Localized("Help_Guide_Missing").toHtmlEscaped()));
        return false;
    }
    browser_->setSource(QUrl::fromLocalFile(path));
    browser_->clearHistory();  // Back starts at the guide's first page
    return true;
}

void HelpWindow::ShowSection(const QString& name)
{
    if (browser_->source().isEmpty())
        return;
    QUrl url = browser_->source();
    url.setFragment(name);
    browser_->setSource(url);
}

QStringList HelpWindow::AnchorNames() const
{
    QStringList names;
    ForEachFragment(browser_->document(), [&names](const QTextCharFormat& format) {
        if (format.isAnchor())
            for (const QString& n : format.anchorNames())
                if (!names.contains(n))
                    names << n;
    });
    return names;
}

QStringList HelpWindow::LinkTargets() const
{
    QStringList targets;
    QString last;
    ForEachFragment(browser_->document(), [&](const QTextCharFormat& format) {
        const QString href = format.isAnchor() ? format.anchorHref() : QString();
        if (!href.isEmpty() && href != last)  // a link split over fragments counts once
            targets << href;
        last = href;
    });
    return targets;
}
