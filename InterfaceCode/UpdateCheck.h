// Help > Check for Updates and the automatic check some seconds after start-up: the version
// document fetched over HTTP with Qt Network without blocking the program, read for this product
// and platform, and the user told of a newer release (UpdateRules.h decides what). An automatic
// check that cannot reach the server says nothing; one asked for says why it failed.
//
// The server is the address of the setting "updates/address" (velmora.conf beside the preferences
// file), else the one the program was built with; the environment variable VELMORA_UPDATE_URL
// overrides both (tests point it at a server of their own).
#pragma once

#include "Types.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <vector>

class QNetworkAccessManager;
#include <QNetworkReply>
class QTimer;

// Paths on the server: the version document, the update page and the product's page.
inline constexpr char kVersionDocumentPath[] = "support/updates/VersionData.xml";
inline constexpr char kUpdatePagePath[] = "support/updates/";
inline constexpr char kProductPagePath[] = "velmora/";
// The platform whose releases this build reads from the version document.
inline constexpr char kUpdatePlatformName[] = "linux";

// The versions listed for this product and platform in a version document, in order; false
// when the document lacks a level of its structure or lists no version.
bool ReadVersionDocument(const QByteArray& bytes, std::vector<UInt32>* versions);

// The server address in force (ends in '/').
QUrl UpdateServerAddress();

class UpdateChecker : public QObject {
    Q_OBJECT
public:
    enum class Outcome {
        NotDue,      // automatic, within the interval: no server asked
        Offline,     // the server could not be reached
        Failed,      // the server answered with an error
        TimedOut,    // no answer in time
        Incomplete,  // no usable version document
        Update,
        Upgrade,
        UpToDate,
        Quiet,       // automatic, nothing new
    };
    Q_ENUM(Outcome)

    explicit UpdateChecker(QObject* parent = nullptr);
    ~UpdateChecker() override;

    // Starts a check and returns at once; the outcome comes by finished(). A check asked for while
    // one runs is ignored. automatic: the start-up check.
    void CheckForUpdate(bool automatic);
    bool Running() const { return reply_ != nullptr; }

    // Waiting for the server's first bytes, milliseconds.
    int firstBytesTimeoutMs = 3000;
    // The version of this program (tests pretend others).
    UInt32 runningVersion;
    // Opens a web page when the user accepts an offer (the desktop's browser unless replaced).
    std::function<void(const QUrl&)> openPage;

signals:
    void finished(UpdateChecker::Outcome outcome, UInt32 version);

private:
    void Received();
    void Done();
    void Finish(Outcome outcome, UInt32 version = 0);
    void Offer(const char* key, UInt32 version, const char* explanationKey, const char* page);

    std::unique_ptr<QNetworkAccessManager> network_;
    QPointer<QNetworkReply> reply_;
    QTimer* timer_ = nullptr;  // owned as a child
    QByteArray bytes_;
    QUrl server_;
    bool automatic_ = false;
    bool timedOut_ = false;
    bool tooLong_ = false;
};
