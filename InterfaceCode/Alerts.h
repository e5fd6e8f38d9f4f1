// Alerts and the floating message window for the whole application: the program-wide status
// sink of the desktop program. Alerts are message boxes with the message and its explanation,
// parented to the active window. While a file is being read or written, alerts name it.
#pragma once

#include "Status.h"

#include <QString>

#include <memory>
#include <string>

class MessageWindow;

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

// The file that alerts shown in its scope are about (the innermost scope counts).
class AlertFileScope {
public:
    explicit AlertFileScope(const QString& path);
    ~AlertFileScope();
    AlertFileScope(const AlertFileScope&) = delete;
    AlertFileScope& operator=(const AlertFileScope&) = delete;

private:
    QString previous_;
};

// An alert's explanation with the file of the current AlertFileScope named in it, unless the
// message names the file already. Unchanged outside a scope.
std::string ExplainWithFile(const std::string& text, const std::string& explanation);

// Text of a message key as a QString.
QString Localized(const char* key);
