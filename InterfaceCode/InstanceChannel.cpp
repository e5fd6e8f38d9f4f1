// Both ends of the channel between a second launch and the running program. A request is the
// tag 'VLMO', a protocol number and a payload length (32-bit big-endian each), then the payload:
// the absolute paths in UTF-8, each ended by a zero byte. The running program answers one byte,
// 1, once it has the whole request.
#include "InstanceChannel.h"

#include "Application.h"
#include "MainWindow.h"

#include <QtEndian>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace {

constexpr quint32 kRequestTag = 0x564C4D4F;  // 'VLMO'
constexpr quint32 kProtocol = 1;
constexpr char kAccepted = 1;

constexpr int kHeaderBytes = 12;

void AppendUInt32(QByteArray& bytes, quint32 value)
{
    char be[4];
    qToBigEndian(value, be);
    bytes.append(be, 4);
}

QByteArray EncodeRequest(const QStringList& files)
{
    QByteArray payload;
    for (const QString& file : files) {
        payload += file.toUtf8();
        payload += '\0';
    }
    QByteArray bytes;
    AppendUInt32(bytes, kRequestTag);
    AppendUInt32(bytes, kProtocol);
    AppendUInt32(bytes, static_cast<quint32>(payload.size()));
    return bytes + payload;
}

// Whether a program answers on the socket.
bool SomeoneListens(const QString& socketPath)
{
    QLocalSocket probe;
    probe.connectToServer(socketPath);
    const bool answered = probe.waitForConnected(1000);
    probe.abort();
    return answered;
}

}  // namespace

QString InstanceSocketPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("velmora.socket"));
}

bool PassFilesToRunningInstance(const QString& socketPath, const QStringList& files, int connectMs, int answerMs)
{
    QStringList absolute;
    for (const QString& file : files)
        absolute << QFileInfo(file).absoluteFilePath();

    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(connectMs))
        return false;
    const QByteArray request = EncodeRequest(absolute);
    if (socket.write(request) != request.size())
        return false;
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(answerMs))
            return false;
    if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(answerMs))
        return false;
    char answer = 0;
    return socket.getChar(&answer) && answer == kAccepted;
}

void OpenPassedFiles(Application& app, const QStringList& files)
{
    MainWindow* window = files.isEmpty() ? app.DoNewWindow() : nullptr;
    for (const QString& file : files)
        if (MainWindow* opened = app.OpenDoc(file))
            window = opened;
    if (!window)
        window = app.FrontWindow();
    if (window) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

InstanceServer::InstanceServer(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

InstanceServer::~InstanceServer() = default;

bool InstanceServer::Listen(const QString& socketPath)
{
    // Listening with access options renames the new socket over any file of that name, so a
    // program that answers there has to be asked first.
    if (SomeoneListens(socketPath))
        return false;
    QLocalServer::removeServer(socketPath);  // left behind by a program that ended without cleaning up
    return server_->listen(socketPath);
}

QString InstanceServer::socketPath() const
{
    return server_->fullServerName();
}

void InstanceServer::Accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { Read(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            Read(socket);
    }
}

void InstanceServer::Read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < kHeaderBytes)
        return;  // wait for the rest
    const QByteArray header = socket->peek(kHeaderBytes);
    const quint32 tag = qFromBigEndian<quint32>(header.constData());
    const quint32 protocol = qFromBigEndian<quint32>(header.constData() + 4);
    const quint32 length = qFromBigEndian<quint32>(header.constData() + 8);
    if (tag != kRequestTag || protocol != kProtocol || length > kMaxRequestBytes) {
        socket->abort();  // not one of ours, or too large
        return;
    }
    if (socket->bytesAvailable() < kHeaderBytes + static_cast<qint64>(length))
        return;
    socket->skip(kHeaderBytes);
    const QByteArray payload = socket->read(length);
    if (!payload.isEmpty() && !payload.endsWith('\0')) {
        socket->abort();
        return;
    }
    QStringList files;
    for (const QByteArray& path : payload.split('\0'))
        if (!path.isEmpty())
            files << QString::fromUtf8(path);
    socket->putChar(kAccepted);
    socket->flush();
    socket->disconnectFromServer();
    // After the sender has its answer, so a slow file does not make it wait.
    QTimer::singleShot(0, this, [this, files] { handler_(files); });
}
