// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxRetrieval.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QLocalServer;
class QLocalSocket;

// A read asked for on the command line while the window runs: the command line must not open the
// port the running program may be using, so it hands the read over a local socket beside the
// single-instance lock, and the running program does it. One request per connection, lines of
// UTF-8 text:
//
//     command line -> program   READ <program directory>
//     program -> command line   STATUS <progress text>        (any number)
//                               FAX <pages> TAB <file> TAB <sender>   (one per fax recorded)
//                               DETAIL <line>                 (why the read stopped, line by line)
//                               RESULT <step> <fax>           (last: the failed step and the fax
//                                                              it failed at, 0 0 for success),
//                                                              or BUSY (refused), or
//                               ELSEWHERE <its program directory>  (refused: it keeps its faxes
//                                                                    in another directory)
//
// A bare READ (from a command line that names no directory) is taken as a read into the running
// program's directory.
namespace handover {

// The socket's name for the lock `instanceName`: a path in the user's private runtime folder, so
// that it is the user's own. Empty when the user has no private runtime folder (PrivateRuntime.h), `why` then saying
// why.
QString ServerName(const QString& instanceName, QString* why = nullptr);

// The running program's end. `read` runs the read command with the given progress callbacks, or
// returns nothing when the program is busy with another command or dialog.
class Server final : public QObject {
    Q_OBJECT
public:
    using ReadFunction = std::function<std::optional<retrieval::ReadOutcome>(const retrieval::ReadProgress&)>;

    // `programDirectory` is where the running program keeps RERAVA.INI and the page files.
    Server(ReadFunction read, QString programDirectory, QObject* parent = nullptr);
    ~Server() override;
    // Only the holder of the single-instance lock calls this, so a socket file left by a crashed
    // copy can be removed first.
    bool Listen(const QString& name);
    // Why Listen failed.
    QString ErrorText() const;

private:
    void OnConnection();
    void OnRequest(QLocalSocket* socket);

    ReadFunction m_read;
    QString m_programDirectory;
    QLocalServer* m_server;
};

// What came back from the running program.
struct Answer {
    bool busy = false;    // the program would not take the read
    bool foreign = false; // the program listening runs as another user: nothing it says is taken
    bool lost = false;    // the connection ended before the outcome
    QString elsewhere;    // not empty: the program keeps its faxes in this other directory and refused
    retrieval::ReadOutcome outcome;
};

// The command line's end: asks the program listening at `name` to read into `programDirectory`
// (empty: into the program's own directory).
// Progress arrives through `progress` while the read runs, as plain text (control characters made
// blanks, whatever the other end sent). Nothing when no program takes the connection within
// `connectTimeoutMs` or `name` is empty.
std::optional<Answer> RequestRead(const QString& name, const QString& programDirectory,
                                  const retrieval::ReadProgress& progress, int connectTimeoutMs = 2000);

// Whether two names of a program directory name the same directory (links and trailing slashes
// resolved).
bool SameDirectory(const QString& a, const QString& b);

} // namespace handover
