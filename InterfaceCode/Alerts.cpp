// Alerts and the message window.
#include "Alerts.h"

#include "EngineBusy.h"
#include "MessageWindow.h"
#include "StringTable.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace {

QString gAlertFile;  // the file of the innermost AlertFileScope

}  // namespace

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
    const std::string more = ExplainWithFile(text, explanation);
    if (!more.empty())
        box.setInformativeText(QString::fromStdString(more));
    box.setStandardButtons(QMessageBox::Ok);
    // The engine may be in the middle of its work: nothing is drawn or closed until it goes on.
    EngineBusy busy;
    box.exec();
}

AlertFileScope::AlertFileScope(const QString& path) : previous_(gAlertFile)
{
    gAlertFile = path;
}

AlertFileScope::~AlertFileScope()
{
    gAlertFile = previous_;
}

std::string ExplainWithFile(const std::string& text, const std::string& explanation)
{
    if (gAlertFile.isEmpty())
        return explanation;
    const std::string name = QFileInfo(gAlertFile).fileName().toStdString();
    if (text.find(name) != std::string::npos || explanation.find(name) != std::string::npos)
        return explanation;
    const std::string file = QObject::tr("File: %1").arg(QDir::toNativeSeparators(gAlertFile)).toStdString();
    return explanation.empty() ? file : explanation + "\n\n" + file;
}

QString Localized(const char* key)
{
    return QString::fromStdString(LocalizedString(key));
}
