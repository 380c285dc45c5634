// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ReadHandOver.h"

#include "app/PrivateRuntime.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

namespace handover {

namespace {

constexpr QByteArrayView kRead = "READ";
constexpr QByteArrayView kStatus = "STATUS ";
constexpr QByteArrayView kFax = "FAX ";
constexpr QByteArrayView kDetail = "DETAIL ";
constexpr QByteArrayView kResult = "RESULT ";
constexpr QByteArrayView kBusy = "BUSY";
constexpr QByteArrayView kElsewhere = "ELSEWHERE ";

// One field of a line: control characters (a line break in a sender's identification) become
// blanks, so that no field can end its line or run into the next field.
QByteArray Field(const QString& text) {
    QByteArray bytes = text.toUtf8();
    for (char& c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return bytes;
}

// What the client takes from a line: text for a terminal, whatever the other end sent. Control
// characters (an escape sequence, a bell, the C1 range) become blanks.
QString Plain(const QByteArray& bytes) {
    QString text = QString::fromUtf8(bytes);
    for (QChar& c : text)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() < 0xa0))
            c = u' ';
    return text;
}

void SendLine(QLocalSocket* socket, const QByteArray& line) {
    if (!socket || socket->state() != QLocalSocket::ConnectedState)
        return;
    socket->write(line + '\n');
    socket->flush();
}

} // namespace

QString ServerName(const QString& instanceName, QString* why) {
    const QString directory = privateruntime::Directory(why);
    return directory.isEmpty() ? QString() : QDir(directory).filePath(instanceName + QLatin1String(".socket"));
}

Server::Server(ReadFunction read, QString programDirectory, QObject* parent)
    : QObject(parent), m_read(std::move(read)), m_programDirectory(std::move(programDirectory)),
      m_server(new QLocalServer(this)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &Server::OnConnection);
}

Server::~Server() = default;

bool Server::Listen(const QString& name) {
    if (name.isEmpty())
        return false;
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

QString Server::ErrorText() const {
    return m_server->errorString();
}

void Server::OnConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // Only the user's own command line reads through this window.
        if (!privateruntime::PeerIsThisUser(socket->socketDescriptor())) {
            socket->disconnectFromServer();
            continue;
        }
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnRequest(socket); });
    }
}

void Server::OnRequest(QLocalSocket* socket) {
    if (!socket->canReadLine())
        return;
    const QByteArray request = socket->readLine().trimmed();
    // One request per connection: nothing more is listened to on it.
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    if (request != kRead && !request.startsWith(kRead.toByteArray() + ' ')) {
        socket->disconnectFromServer();
        return;
    }
    // The read waits for the modem while pumping events; the caller may go away meanwhile.
    QPointer<QLocalSocket> client(socket);
    // A command line that names another program directory wants its faxes there: this program
    // would record them in its own.
    const QString asked = QString::fromUtf8(request.mid(kRead.size()).trimmed());
    if (!asked.isEmpty() && !SameDirectory(asked, m_programDirectory)) {
        SendLine(client, kElsewhere.toByteArray() + Field(m_programDirectory));
        client->disconnectFromServer();
        return;
    }
    const retrieval::ReadProgress progress{
        [client](const QString& text) { SendLine(client, kStatus.toByteArray() + Field(text)); },
        [client](const retrieval::RecordedFax& fax) {
            SendLine(client, kFax.toByteArray() + QByteArray::number(fax.pages) + '\t' + Field(fax.file) + '\t' +
                                 Field(fax.id));
        }};
    const std::optional<retrieval::ReadOutcome> outcome = m_read(progress);
    if (outcome) {
        if (!outcome->details.isEmpty())
            for (const QString& line : outcome->details.split(u'\n'))
                SendLine(client, kDetail.toByteArray() + Field(line));
        SendLine(client, kResult.toByteArray() + QByteArray::number(outcome->result.step) + ' ' +
                             QByteArray::number(outcome->result.fax));
    } else
        SendLine(client, kBusy.toByteArray());
    if (client)
        client->disconnectFromServer();
}

std::optional<Answer> RequestRead(const QString& name, const QString& programDirectory,
                                  const retrieval::ReadProgress& progress, int connectTimeoutMs) {
    if (name.isEmpty())
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(connectTimeoutMs))
        return std::nullopt;
    // A program of another user cannot read this user's modem into this user's folder: nothing it
    // would say is believed.
    if (!privateruntime::PeerIsThisUser(socket.socketDescriptor())) {
        Answer foreign;
        foreign.foreign = true;
        return foreign;
    }
    socket.write(programDirectory.isEmpty() ? kRead.toByteArray() + '\n'
                                            : kRead.toByteArray() + ' ' + Field(programDirectory) + '\n');
    if (!socket.waitForBytesWritten(connectTimeoutMs))
        return std::nullopt;

    Answer answer;
    // A read takes as long as the modem needs: no time limit while the program is connected.
    for (;;) {
        while (socket.canReadLine()) {
            const QByteArray line = socket.readLine().chopped(1);
            if (line.startsWith(kStatus)) {
                if (progress.status)
                    progress.status(Plain(line.mid(kStatus.size())));
            } else if (line.startsWith(kFax)) {
                const QList<QByteArray> fields = line.mid(kFax.size()).split('\t');
                retrieval::RecordedFax fax;
                fax.pages = fields.value(0).toInt();
                fax.file = Plain(fields.value(1));
                fax.id = Plain(fields.value(2));
                answer.outcome.faxes.push_back(fax);
                if (progress.fax)
                    progress.fax(fax);
            } else if (line.startsWith(kDetail)) {
                if (!answer.outcome.details.isEmpty())
                    answer.outcome.details += u'\n';
                answer.outcome.details += Plain(line.mid(kDetail.size()));
            } else if (line.startsWith(kElsewhere)) {
                answer.elsewhere = Plain(line.mid(kElsewhere.size()));
                return answer;
            } else if (line.startsWith(kResult)) {
                const QList<QByteArray> fields = line.mid(kResult.size()).split(' ');
                answer.outcome.result = {static_cast<retrieval::Result>(fields.value(0).toInt()),
                                         fields.value(1).toInt()};
                return answer;
            } else if (line == kBusy) {
                answer.busy = true;
                return answer;
            }
        }
        if (!socket.waitForReadyRead(-1) && !socket.canReadLine()) {
            answer.lost = true;
            return answer;
        }
    }
}

bool SameDirectory(const QString& a, const QString& b) {
    const auto canonical = [](const QString& path) {
        const QString resolved = QFileInfo(path).canonicalFilePath();
        return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
    };
    return canonical(a) == canonical(b);
}

} // namespace handover
