// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/platform/FileFollower.h"

#include <QFileDevice>
#include <QFileInfo>

namespace {
FileFollower::Stamp StampOf(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    return {true, info.size(), info.lastModified().toMSecsSinceEpoch(),
            info.fileTime(QFileDevice::FileMetadataChangeTime).toMSecsSinceEpoch()};
}
} // namespace

FileFollower::FileFollower(QString path, std::function<void()> changed, int settleMs)
    : m_path(std::move(path)), m_changed(std::move(changed)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    QObject::connect(&m_settle, &QTimer::timeout, [this] { CheckNow(); });
    QObject::connect(&m_watcher, &QFileSystemWatcher::fileChanged, [this] { OnEvent(); });
    QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, [this] { OnEvent(); });
    m_watcher.addPath(QFileInfo(m_path).absolutePath());
    if (QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    Acknowledge();
}

void FileFollower::Acknowledge() {
    m_known = StampOf(m_path);
}

void FileFollower::OnEvent() {
    // A file renamed over the old one is a new file: watch it again.
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    m_settle.start();
}

void FileFollower::CheckNow() {
    m_settle.stop();
    const Stamp now = StampOf(m_path);
    if (now == m_known)
        return;
    m_known = now;
    if (m_changed)
        m_changed();
}
