// The floating message window: a title line in bold and a body text. One for the application;
// closing it only hides it.
#pragma once

#include <QWidget>

class QLabel;

class MessageWindow : public QWidget {
    Q_OBJECT
public:
    MessageWindow();
    void ShowMessage(const QString& title, const QString& text);
    QString Title() const;
    QString Text() const;

private:
    QLabel* title_;
    QLabel* text_;
};
