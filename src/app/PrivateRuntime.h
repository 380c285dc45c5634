// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The folder of the program's single-instance lock and of the socket the command line hands its
// read over through. Only a folder that belongs to the user and that nobody else can enter: the
// session's runtime folder where it has one, else a folder of the program's own in the user's cache
// (never the shared temporary folder, where another user may have made the folder first). On Linux
// (PrivateRuntime_posix.cpp) the folder is checked with lstat before each use.
namespace privateruntime {

// The folder, with no trailing '/'; empty when there is no such folder, `why` then saying why.
QString Directory(QString* why = nullptr);

// Whether the process at the other end of the connected local socket `descriptor` runs as this
// user (SO_PEERCRED).
bool PeerIsThisUser(qintptr descriptor);

} // namespace privateruntime
