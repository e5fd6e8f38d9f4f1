// The user guide's window: the HTML guide that ships among the program's resources ("guide.html",
// found as the scattering table and the strings are, Resources.h), shown with Back, Forward and
// Contents. The application keeps one and brings it to the front (Application::ShowHelp).
#pragma once

#include <QStringList>
#include <QWidget>

class QAction;
class QTextBrowser;

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows the guide from its start; false (with a page saying so) when it is not installed.
    bool LoadGuide();
    // Shows the section of the guide whose anchor is name ("tools", "cli", ...).
    void ShowSection(const QString& name);

    QTextBrowser* Browser() const { return browser_; }
    QAction* BackAction() const { return back_; }
    QAction* ForwardAction() const { return forward_; }

    // The file of the guide among the resources; empty when it is not installed.
    static QString GuidePath();
    // The anchors the shown page defines, and the targets of its links, in document order.
    QStringList AnchorNames() const;
    QStringList LinkTargets() const;

private:
    QTextBrowser* browser_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* home_ = nullptr;
};
