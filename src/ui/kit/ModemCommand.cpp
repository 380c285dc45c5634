// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/ModemCommand.h"

#include <QStatusBar>

namespace {
constexpr char kRunning[] = "faxdeskModemCommand";
} // namespace

bool ModemCommandScope::Running(const QWidget* mainWindow) {
    return mainWindow && mainWindow->property(kRunning).toBool();
}

ModemCommandScope::ModemCommandScope(QWidget* mainWindow) : m_window(mainWindow) {
    if (!mainWindow) {
        m_started = true;
        return;
    }
    if (Running(mainWindow))
        return;
    m_started = true;
    mainWindow->setProperty(kRunning, true);
    // The status bar keeps its texts readable: it takes no commands.
    for (QWidget* child : mainWindow->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow() || qobject_cast<QStatusBar*>(child) || !child->isEnabled())
            continue;
        child->setEnabled(false);
        m_widgets.emplace_back(child);
    }
    for (QAction* action : mainWindow->findChildren<QAction*>()) {
        if (!action->isEnabled())
            continue;
        action->setEnabled(false);
        m_actions.emplace_back(action);
    }
}

ModemCommandScope::~ModemCommandScope() {
    if (!m_started || !m_window)
        return;
    for (const QPointer<QWidget>& widget : m_widgets)
        if (widget)
            widget->setEnabled(true);
    for (const QPointer<QAction>& action : m_actions)
        if (action)
            action->setEnabled(true);
    m_window->setProperty(kRunning, false);
}
