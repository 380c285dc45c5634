// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/LockKeys.h"

#include <QDir>
#include <QFile>

// The kernel exposes each keyboard's lock lights as LEDs named "input<n>::capslock" and so on;
// a light that is on in any keyboard counts. Without such LEDs (no local keyboard, a container)
// the state is unknown.
LockKeyState ReadLockKeys() {
    LockKeyState state;
    const QDir leds(QStringLiteral("/sys/class/leds"));
    const QStringList names = leds.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : names) {
        bool* flag = nullptr;
        if (name.endsWith(QLatin1String("::capslock")))
            flag = &state.caps;
        else if (name.endsWith(QLatin1String("::numlock")))
            flag = &state.num;
        else if (name.endsWith(QLatin1String("::scrolllock")))
            flag = &state.scroll;
        if (!flag)
            continue;
        QFile brightness(leds.filePath(name + QLatin1String("/brightness")));
        if (!brightness.open(QIODevice::ReadOnly))
            continue;
        state.known = true;
        if (brightness.readAll().trimmed().toInt() > 0)
            *flag = true;
    }
    return state;
}
