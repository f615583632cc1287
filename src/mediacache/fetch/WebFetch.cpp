#include "mediacache/fetch/WebFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

int PortOf(const QUrl& url) {
    return url.port(url.scheme().compare(QStringLiteral("https"), Qt::CaseInsensitive) == 0 ? 443
                                                                                            : 80);
}

// Whether a redirect stays within the map's address: the same scheme, host and port, and a path
// under the map's.
bool Within(const QUrl& url, const QUrl& base) {
    QString folder = base.path();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return url.scheme().compare(base.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(base.host(), Qt::CaseInsensitive) == 0 &&
           PortOf(url) == PortOf(base) && url.path().startsWith(folder);
}

std::string Header(const QNetworkReply& reply, const char* name) {
    return reply.rawHeader(name).toStdString();
}

} // namespace

TWebFetch::TWebFetch(QNetworkAccessManager& network, const TMediaSource& source,
                     const TCachedFile* cached, const TMediaStore& store,
                     const TSupplyLimits& limits, TTransferStart started, TFetchDone done)
    : source_(source), known_(cached != nullptr ? *cached : TCachedFile{}), store_(store),
      limits_(limits), started_(std::move(started)), done_(std::move(done)) {
    firstByte_.setSingleShot(true);
    stall_.setSingleShot(true);
    connect(&firstByte_, &QTimer::timeout, this,
            [this] { Abandon(FetchFailure::NoAnswer(limits_.FirstByte)); });
    connect(&stall_, &QTimer::timeout, this,
            [this] { Abandon(FetchFailure::Stalled(limits_.Stall, "transfer")); });

    QNetworkRequest request(QUrl::fromEncoded(QByteArray::fromStdString(source_.Location)));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    // The body as the server keeps it: its length is the file's, and Qt unpacks nothing.
    request.setRawHeader("Accept-Encoding", "identity");
    if (cached != nullptr && !known_.ETag.empty())
        request.setRawHeader("If-None-Match", QByteArray::fromStdString(known_.ETag));
    if (cached != nullptr && !known_.LastModified.empty())
        request.setRawHeader("If-Modified-Since", QByteArray::fromStdString(known_.LastModified));
    reply_ = network.get(request);
    // What the network brings waits here at most this much while the disk catches up.
    reply_->setReadBufferSize(qint64{4} << 20);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &TWebFetch::Answered);
    connect(reply_, &QNetworkReply::readyRead, this, &TWebFetch::Read);
    connect(reply_, &QNetworkReply::finished, this, &TWebFetch::Finished);
    connect(reply_, &QNetworkReply::redirected, this, &TWebFetch::Redirected);
    firstByte_.start(limits_.FirstByte);
}

TWebFetch::~TWebFetch() {
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
}

void TWebFetch::Redirected(const QUrl& url) {
    if (!Within(url, QUrl(QString::fromStdString(source_.Base)))) {
        Abandon("it was redirected to " + url.toEncoded().toStdString() + ", outside " +
                source_.Base);
        return;
    }
    // The new address has its own time to answer.
    firstByte_.start(limits_.FirstByte);
    emit reply_->redirectAllowed();
}

void TWebFetch::Answered() {
    firstByte_.stop();
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status != 200 || writer_)
        return;
    std::unique_ptr<TStagedCopy> copy;
    try {
        copy = store_.Stage();
    } catch (const std::exception& e) {
        Abandon(e.what());
        return;
    }
    bool known = false;
    const qlonglong length =
        reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known)
        announced_ = length;
    if (!Written(copy->Reserve(announced_.value_or(0))))
        return;
    writer_ = std::make_unique<TStagedWriter>(std::move(copy));
    stall_.start(limits_.Stall);
    if (started_)
        started_(announced_.value_or(-1));
}

void TWebFetch::Read() {
    if (!writer_) {
        reply_->readAll(); // an error page or a redirect's body
        return;
    }
    stall_.start(limits_.Stall);
    // In parts of a size malloc keeps at hand: reading all that waited at once copies tens of
    // megabytes into fresh memory, slower than the network that brought them.
    constexpr qint64 Part = qint64{1} << 20;
    while (reply_->bytesAvailable() > 0) {
        if (!Written(writer_->Add(reply_->read(Part))))
            return;
    }
}

// Whether the write went well; the fetch ends otherwise.
bool TWebFetch::Written(int error) {
    if (error != 0)
        End(FetchFailure::Write(error));
    return error == 0;
}

void TWebFetch::Finished() {
    if (!done_)
        return;
    firstByte_.stop();
    stall_.stop();
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply_->error() == QNetworkReply::NoError && status == 304) {
        TCachedFile file = known_;
        if (reply_->hasRawHeader("ETag"))
            file.ETag = Header(*reply_, "ETag");
        if (reply_->hasRawHeader("Last-Modified"))
            file.LastModified = Header(*reply_, "Last-Modified");
        End({TFetchOutcome::TKind::Unchanged, nullptr, file, {}});
        return;
    }
    std::unique_ptr<TStagedCopy> copy;
    if (writer_ && status == 200) {
        Read();
        if (!done_)
            return;
        auto [written, error] = writer_->Finish();
        writer_.reset();
        if (!Written(error))
            return;
        copy = std::move(written);
        // A body that ends early is cut, whether the connection closed or the server said done.
        if (announced_ && copy->Written() != *announced_) {
            Abandon("it came cut: " + std::to_string(copy->Written()) + " of " +
                    std::to_string(*announced_) + " bytes");
            return;
        }
    }
    if (reply_->error() != QNetworkReply::NoError || status != 200 || !copy) {
        const QString reason =
            reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        Abandon(status >= 400
                    ? "the server answered " + std::to_string(status) + " " + reason.toStdString()
                    : reply_->errorString().toStdString());
        return;
    }
    TCachedFile file;
    file.Name = source_.CopyName();
    file.Source = source_.Location;
    file.Size = copy->Written();
    file.ETag = Header(*reply_, "ETag");
    file.LastModified = Header(*reply_, "Last-Modified");
    file.Sha256 = copy->Finish();
    End({TFetchOutcome::TKind::Fetched, std::move(copy), std::move(file), {}});
}

void TWebFetch::Abandon(const std::string& why) {
    End({TFetchOutcome::TKind::Failed, nullptr, {}, why});
}

void TWebFetch::End(TFetchOutcome outcome) {
    if (!done_)
        return;
    firstByte_.stop();
    stall_.stop();
    if (reply_) {
        reply_->disconnect(this);
        reply_->abort();
        reply_->deleteLater();
    }
    // Done may delete this fetch: nothing of it is touched afterwards.
    TFetchDone done = std::exchange(done_, nullptr);
    done(std::move(outcome));
}
