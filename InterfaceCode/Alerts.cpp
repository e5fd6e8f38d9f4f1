// Alerts and the message window.
#include "Alerts.h"

#include "MessageWindow.h"
#include "StringTable.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

AlertSink::AlertSink() = default;
AlertSink::~AlertSink() = default;

void AlertSink::MessageWindow(const std::string& title, const std::string& text)
{
    if (!messageWindow_)
        messageWindow_ = std::make_unique<::MessageWindow>();
    messageWindow_->ShowMessage(QString::fromStdString(title), QString::fromStdString(text));
}

void AlertSink::HideMessageWindow()
{
    if (messageWindow_)
        messageWindow_->hide();
}

void AlertSink::Alert(AlertKind kind, const std::string& text, const std::string& explanation)
{
    QMessageBox box(QApplication::activeWindow());
    box.setIcon(kind == AlertKind::Stop ? QMessageBox::Critical
                : kind == AlertKind::Caution ? QMessageBox::Warning
                                             : QMessageBox::Information);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(QString::fromStdString(text));
    if (!explanation.empty())
        box.setInformativeText(QString::fromStdString(explanation));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool MyChoiceAlert(QWidget* parent, const QString& text, const QString& confirm, const QString& cancel)
{
    QMessageBox box(parent ? parent : QApplication::activeWindow());
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Velmora"));
    box.setText(text);
    QPushButton* yes = box.addButton(confirm, QMessageBox::AcceptRole);
    box.addButton(cancel.isEmpty() ? QObject::tr("Cancel") : cancel, QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

QString Localized(const char* key)
{
    return QString::fromStdString(LocalizedString(key));
}
