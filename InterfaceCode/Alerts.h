// Alerts and the floating message window for the whole application: the program-wide status
// sink of the desktop program. Alerts are message boxes with the message and its explanation,
// parented to the active window.
#pragma once

#include "Status.h"

#include <QString>

#include <memory>

class MessageWindow;
class QWidget;

class AlertSink final : public StatusSink {
public:
    AlertSink();
    ~AlertSink() override;
    ::MessageWindow* messageWindow() const { return messageWindow_.get(); }

    void MessageWindow(const std::string& title, const std::string& text) override;
    void HideMessageWindow() override;
    void Alert(AlertKind kind, const std::string& text, const std::string& explanation) override;

private:
    std::unique_ptr<::MessageWindow> messageWindow_;  // made on first use
};

// A question with two buttons; true when the first (confirming) one was chosen.
bool MyChoiceAlert(QWidget* parent, const QString& text, const QString& confirm, const QString& cancel = QString());

// Text of a message key as a QString.
QString Localized(const char* key);
