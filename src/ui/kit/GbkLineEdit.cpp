// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/kit/GbkLineEdit.h"

#include "core/platform/Gbk.h"
#include "ui/kit/MessageBoxService.h"

#include <algorithm>

GbkLineEdit::GbkLineEdit(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textEdited, this, [this] { RefuseOverflow(); });
    connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_adjusting)
            m_accepted = text;
    });
}

void GbkLineEdit::SetByteLimit(int bytes) {
    m_limit = bytes;
}

void GbkLineEdit::SetDigitsOnly(bool digitsOnly) {
    m_digitsOnly = digitsOnly;
}

// Typing is checked after the fact: an edit that made the text too long (or, for digit fields,
// brought in anything but digits) is undone, and the cursor stays where it was.
void GbkLineEdit::RefuseOverflow() {
    const QString text = this->text();
    bool refuse = gbk::ByteLength(text) > m_limit && gbk::ByteLength(text) > gbk::ByteLength(m_accepted);
    if (m_digitsOnly) {
        for (QChar c : text) {
            if (!c.isDigit() || c.unicode() > '9') {
                refuse = true;
                break;
            }
        }
    }
    if (!refuse) {
        m_accepted = text;
        return;
    }
    const int cursor = std::max(0, cursorPosition() - static_cast<int>(text.size() - m_accepted.size()));
    m_adjusting = true;
    setText(m_accepted);
    setCursorPosition(std::min<int>(cursor, static_cast<int>(m_accepted.size())));
    m_adjusting = false;
}

bool GbkLineEdit::CheckLength(MessageBoxService& messages) {
    if (gbk::ByteLength(text()) <= m_limit)
        return true;
    messages.Show(window(), QStringLiteral("“请填入不多于%1个的字符。”").arg(m_limit),
                  MessageBoxService::Icon::Exclamation);
    setFocus();
    selectAll();
    return false;
}
