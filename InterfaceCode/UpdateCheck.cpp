// The update check.
#include "UpdateCheck.h"

#include "Dialogs.h"
#include "Globals.h"
#include "PrefsFile.h"
#include "Status.h"
#include "StringTable.h"
#include "UpdateRules.h"
#include "Versions.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>
#include <QXmlStreamReader>

#include <memory>

#ifndef VELMORA_UPDATE_SERVER
#define VELMORA_UPDATE_SERVER "https://velmora.invalid/"
#endif

namespace {

// A version document as a small tree: elements with their attributes, first text and children.
struct XmlNode {
    QString name;
    QXmlStreamAttributes attributes;
    QString firstText;
    bool hasText = false;
    std::vector<XmlNode> children;
    bool Empty() const { return !hasText && children.empty(); }
};

bool ParseTree(const QByteArray& bytes, XmlNode* root)
{
    QXmlStreamReader xml(bytes);
    std::vector<XmlNode*> open{root};
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            XmlNode node;
            node.name = xml.name().toString();
            node.attributes = xml.attributes();
            open.back()->children.push_back(std::move(node));
            open.push_back(&open.back()->children.back());
        } else if (xml.isEndElement()) {
            open.pop_back();
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            XmlNode* node = open.back();
            if (!node->hasText) {
                node->firstText = xml.text().toString().trimmed();
                node->hasText = true;
            }
        }
    }
    return !xml.hasError();
}

const XmlNode* Child(const XmlNode& node, const char* name)
{
    for (const XmlNode& c : node.children)
        if (c.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

// Among the elements called element, the one whose attribute "name" is name (either case); null
// when there is none, or when one of them is empty or has no name.
const XmlNode* Named(const XmlNode& node, const char* element, const char* name)
{
    for (const XmlNode& c : node.children) {
        if (c.name.compare(QLatin1String(element), Qt::CaseInsensitive) != 0)
            continue;
        if (c.Empty() || !c.attributes.hasAttribute(QStringLiteral("name")))
            return nullptr;
        if (c.attributes.value(QStringLiteral("name")).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

bool IsAscii(const QString& s)
{
    for (QChar c : s)
        if (c.unicode() > 127)
            return false;
    return true;
}

double SecondsSince2001()
{
    return static_cast<double>(QDateTime::currentMSecsSinceEpoch()) / 1000.0 - kSecondsFrom1970To2001;
}

std::string VersionText(const char* key, UInt32 version)
{
    std::string text = LocalizedString(key);
    if (version >= 1)
        text = FormatTexts(text, {CanonicalVersStr(version)});
    return text;
}

void Tell(AlertKind kind, const char* key, const char* explanationKey)
{
    CurrentStatusSink().Alert(kind, LocalizedString(key), explanationKey ? LocalizedString(explanationKey) : std::string());
}

}  // namespace

bool ReadVersionDocument(const QByteArray& bytes, std::vector<UInt32>* versions)
{
    versions->clear();
    XmlNode root;
    if (bytes.size() >= kMaxVersDataSize || !ParseTree(bytes, &root))
        return false;
    const XmlNode* file = Child(root, "versionfile");
    if (!file || file->Empty() || file->attributes.value(QStringLiteral("version")).toString().trimmed() != QLatin1String("1"))
        return false;
    const XmlNode* products = Child(*file, "productlist");
    const XmlNode* product = products ? Named(*products, "product", "Velmora") : nullptr;
    const XmlNode* platform = product ? Named(*product, "platform", kUpdatePlatformName) : nullptr;
    const XmlNode* list = platform ? Child(*platform, "versionlist") : nullptr;
    if (!list)
        return false;
    for (const XmlNode& v : list->children) {
        if (v.name.compare(QLatin1String("version"), Qt::CaseInsensitive) != 0)
            continue;
        if (!v.hasText || v.firstText.size() > 31 || !IsAscii(v.firstText))
            break;
        UInt32 code = 0;
        if (!VersStrToCode(v.firstText.toStdString(), &code))
            break;
        versions->push_back(code);
    }
    return !versions->empty();
}

QUrl UpdateServerAddress()
{
    QString address = qEnvironmentVariable("VELMORA_UPDATE_URL");
    if (address.isEmpty()) {
        const QString file = QDir(QString::fromStdString(PrefsFolderPath())).filePath(QStringLiteral("velmora.conf"));
        address = QSettings(file, QSettings::IniFormat).value(QStringLiteral("updates/address")).toString();
    }
    if (address.isEmpty())
        address = QStringLiteral(VELMORA_UPDATE_SERVER);
    if (!address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return QUrl(address);
}

UpdateChecker::UpdateChecker(QObject* parent)
    : QObject(parent), runningVersion(GetVersionInteger(gProgramVersion)),
      network_(std::make_unique<QNetworkAccessManager>())
{
    openPage = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, [this] {
        if (reply_ && bytes_.isEmpty()) {
            timedOut_ = true;
            reply_->abort();
        }
    });
}

UpdateChecker::~UpdateChecker()
{
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
    }
}

void UpdateChecker::CheckForUpdate(bool automatic)
{
    if (reply_)
        return;
    automatic_ = automatic;
    if (!UpdateCheckDue(&gPrefs, automatic, SecondsSince2001())) {
        Finish(Outcome::NotDue);
        return;
    }
    server_ = UpdateServerAddress();
    const QUrl url = server_.resolved(QUrl(QString::fromLatin1(kVersionDocumentPath)));
    if (!url.isValid() || url.scheme().isEmpty()) {
        Tell(AlertKind::Caution, "Update_Check_Failed1", "Update_Check_Failed2");
        Finish(Outcome::Failed);
        return;
    }
    QNetworkRequest request(url);
    const QStringList languages = QLocale::system().uiLanguages();
    const QString agent = QStringLiteral("Velmora:M:%1:(Linux:%2:%3:%4)")
                              .arg(QString::fromLatin1(gProgramVersion), QSysInfo::kernelVersion(),
                                   QLocale::system().name(),
                                   languages.isEmpty() ? QStringLiteral("??") : languages.first());
    request.setHeader(QNetworkRequest::UserAgentHeader, agent);
    request.setRawHeader("Accept", "text/xml");
    request.setRawHeader("Pragma", "no-cache");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    bytes_.clear();
    timedOut_ = tooLong_ = false;
    reply_ = network_->get(request);
    connect(reply_, &QNetworkReply::readyRead, this, &UpdateChecker::Received);
    connect(reply_, &QNetworkReply::finished, this, &UpdateChecker::Done);
    timer_->start(firstBytesTimeoutMs);
}

void UpdateChecker::Received()
{
    bytes_ += reply_->readAll();
    if (!bytes_.isEmpty())
        timer_->stop();
    if (bytes_.size() >= kMaxVersDataSize) {
        tooLong_ = true;
        reply_->abort();
    }
}

void UpdateChecker::Done()
{
    timer_->stop();
    QNetworkReply* reply = reply_;
    reply_ = nullptr;
    reply->deleteLater();
    if (!tooLong_ && !timedOut_)
        bytes_ += reply->readAll();
    const QNetworkReply::NetworkError error = reply->error();
    if (timedOut_) {
        // Silent when automatic: a server that does not answer is as good as unreachable.
        if (!automatic_)
            Offer("Update_Check_Timeout1", 0, "Update_Check_Timeout2", kUpdatePagePath);
        Finish(Outcome::TimedOut);
        return;
    }
    if (tooLong_ || error == QNetworkReply::NoError) {
        std::vector<UInt32> versions;
        if (tooLong_ || !ReadVersionDocument(bytes_, &versions)) {
            Offer("Update_Check_Incomplete1", 0, "Update_Check_Incomplete2", kUpdatePagePath);
            Finish(Outcome::Incomplete);
            return;
        }
        const UpdateDecisionRec d =
            DecideUpdateAnnouncement(runningVersion, FindBestVersions(runningVersion, versions), automatic_, &gPrefs);
        switch (d.what) {
        case UpdateAnnouncement::Update:
            Offer("Update_Check_Update1", d.version, "Update_Check_Update2", kUpdatePagePath);
            Finish(Outcome::Update, d.version);
            return;
        case UpdateAnnouncement::Upgrade:
            Offer("Update_Check_Upgrade1", d.version, "Update_Check_Upgrade2", kProductPagePath);
            Finish(Outcome::Upgrade, d.version);
            return;
        case UpdateAnnouncement::UpToDate:
            CurrentStatusSink().Alert(AlertKind::Note, VersionText("Update_Check_Up_To_Date", runningVersion), {});
            Finish(Outcome::UpToDate);
            return;
        case UpdateAnnouncement::None: Finish(Outcome::Quiet); return;
        }
    }
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::TimeoutError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
        if (!automatic_)
            Tell(AlertKind::Caution, "Update_Check_Offline1", "Update_Check_Offline2");
        Finish(Outcome::Offline);
        return;
    default:
        Tell(AlertKind::Caution, "Update_Check_Failed1", "Update_Check_Failed2");
        Finish(Outcome::Failed);
        return;
    }
}

void UpdateChecker::Offer(const char* key, UInt32 version, const char* explanationKey, const char* page)
{
    const QString text = QString::fromStdString(VersionText(key, version)) + QStringLiteral("\n\n") +
                         QString::fromStdString(LocalizedString(explanationKey));
    if (Dialogs().Choice(QApplication::activeWindow(), text, QObject::tr("Open the Web Page")))
        openPage(server_.resolved(QUrl(QString::fromLatin1(page))));
}

void UpdateChecker::Finish(Outcome outcome, UInt32 version)
{
    gPrefs.updateCheckLastCheck = SecondsSince2001();
    // The check's state is kept at once (no message: nothing of the documents is at stake).
    (void)CreateAndSavePrefsFile(gPrefs, &gPrefs.windowBounds);
    emit finished(outcome, version);
}
