// One program per user: a second launch hands the files it was given to the program already
// running, over a local socket in the user's runtime folder, and ends; the running program opens
// them as if the desktop had asked it to. Main.cpp uses both ends.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class Application;
class QLocalServer;
class QLocalSocket;

// The socket of the user's running program: "velmora.socket" in the runtime folder
// ($XDG_RUNTIME_DIR, private to the user).
QString InstanceSocketPath();

// Hands files (made absolute here, since the running program has another working folder) to
// the program listening on socketPath, and waits for it to confirm: connectMs for the
// connection, answerMs for the answer (a program busy with a long calculation answers late).
// False when no program answers or it did not take them in time; the caller then opens them itself.
bool PassFilesToRunningInstance(const QString& socketPath, const QStringList& files, int connectMs = 2000,
                                int answerMs = 30000);

// What the running program does with files passed to it: opens each as the desktop's
// open-documents request does (the first takes an empty front window), or a new window when the
// list is empty, and brings the last window opened to the front.
void OpenPassedFiles(Application& app, const QStringList& files);

// The running program's end. Each connection sends one request; the handler gets its files on
// the event loop once the sender has been answered. An empty list asks for a new window.
class InstanceServer : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& files)>;
    // Requests larger than this are refused (a path list, not a file's contents, travels).
    static constexpr qint64 kMaxRequestBytes = 4 << 20;
    // A sender that has not finished its request by then is dropped.
    static constexpr int kRequestTimeoutMs = 10000;

    explicit InstanceServer(Handler handler, QObject* parent = nullptr);
    ~InstanceServer() override;

    // Listens on socketPath, owner-only. A socket file left by a program that ended without
    // removing it is replaced; one that a running program answers on is not (false).
    bool Listen(const QString& socketPath);
    QString socketPath() const;

private:
    void Accept();
    void Read(QLocalSocket* socket);

    Handler handler_;
    QLocalServer* server_;
};
