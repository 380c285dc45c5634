// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/Status.h"

#include <QApplication>
#include <QPointer>
#include <QStatusBar>

namespace status {
namespace {
QPointer<QStatusBar> g_bar;
QString g_text;
bool g_busy = false;
} // namespace

void RegisterStatusBar(QStatusBar* bar) {
    g_bar = bar;
}

void SetStatusText(const QString& text) {
    g_text = text;
    if (g_bar) {
        g_bar->showMessage(text);
        g_bar->repaint();
    }
}

QString RequestedText() {
    return g_text;
}

QString StatusText() {
    return g_bar ? g_bar->currentMessage() : g_text;
}

void SetBusy(bool busy) {
    if (busy == g_busy)
        return;
    g_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool IsBusy() {
    return g_busy;
}

WaitCursor::WaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

WaitCursor::~WaitCursor() {
    QApplication::restoreOverrideCursor();
}
} // namespace status
