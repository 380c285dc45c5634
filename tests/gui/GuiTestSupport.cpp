// SPDX-License-Identifier: GPL-3.0-or-later
#include "GuiTestSupport.h"

#include <QPrinter>

#include "ui/kit/Status.h"

#include <QApplication>
#include <QDir>
#include <QFile>

void RecordingMessageBoxService::ShowWithDetails(QWidget*, const QString& text, Icon icon, const QString& details) {
    shown.push_back(
        {text, icon, status::StatusText(), status::IsBusy(), QApplication::overrideCursor() != nullptr, details});
}

QStringList RecordingMessageBoxService::Texts() const {
    QStringList texts;
    for (const Shown& s : shown)
        texts << s.text;
    return texts;
}

bool AnsweringDocumentDialogs::SetUpPrinter(QWidget*, QPrinter& printer, int pageCount) {
    pageCounts << pageCount;
    if (printTo.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(printTo);
    printer.setPageSize(QPageSize(paper));
    if (from > 0)
        printer.setFromTo(from, to);
    return true;
}

QString GuiTestData(const QString& name) {
    return QStringLiteral(FAXDESK_GUI_TEST_DATA "/") + name;
}

GuiFixture::GuiFixture(const QString& fixture)
    : services{clock,
               wallClock,
               pump,
               ports,
               messages,
               folders,
               shell,
               QFile::encodeName(m_dir.filePath(QStringLiteral("faxdesk"))).toStdString(),
               QFile::encodeName(m_dir.path() + QLatin1Char('/')).toStdString(),
               &documents} {
    if (fixture.isEmpty())
        return;
    QFile source(GuiTestData(fixture));
    if (!source.open(QIODevice::ReadOnly))
        qFatal("fixture %s missing", qPrintable(fixture));
    QByteArray bytes = source.readAll();
    bytes.replace("@DIR@", QFile::encodeName(m_dir.path()));
    QFile target(m_dir.filePath(QStringLiteral("RERAVA.INI")));
    if (!target.open(QIODevice::WriteOnly) || target.write(bytes) != bytes.size())
        qFatal("cannot write the fixture copy");
}

std::string GuiFixture::PathOf(const QString& name) const {
    return QFile::encodeName(m_dir.filePath(name)).toStdString();
}

std::string GuiFixture::IniBytes() const {
    QFile file(m_dir.filePath(QStringLiteral("RERAVA.INI")));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

void GuiFixture::Touch(const QString& name) const {
    QFile file(m_dir.filePath(name));
    if (file.open(QIODevice::WriteOnly))
        file.write("II*\0", 4);
}
