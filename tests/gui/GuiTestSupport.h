// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/FaxReader.h"
#include "core/platform/EventPump.h"
#include "core/platform/QtSerialBackend.h"
#include "support/TestSupport.h"
#include "ui/kit/AppServices.h"
#include "ui/kit/DocumentDialogs.h"
#include "ui/kit/FolderChooser.h"
#include "ui/kit/MessageBoxService.h"

#include <QPageSize>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <utility>
#include <vector>

// The fax reader the main window would build for `services`: its ports, clocks and program
// directory, captures in a directory of the test's own.
inline FaxReader ReaderFor(const AppServices& services) {
    return FaxReader(services.Link(), services.wallClock, services.programDirectory, testsupport::MakeTempDir());
}

// Remembers every message instead of showing it, so that no test waits on a modal box, together
// with what the program showed around it at that moment.
class RecordingMessageBoxService final : public MessageBoxService {
public:
    struct Shown {
        QString text;
        Icon icon;
        QString statusText; // the status bar's text while the message was up
        bool busy;          // a command still marked as running
        bool waitCursor;    // the wait cursor still up
        QString details;    // what the user could unfold below the text
    };
    void Show(QWidget* parent, const QString& text, Icon icon) override { ShowWithDetails(parent, text, icon, {}); }
    void ShowWithDetails(QWidget*, const QString& text, Icon icon, const QString& details) override;
    // The texts shown, in order.
    QStringList Texts() const;
    std::vector<Shown> shown;
};

// Remembers what would have been opened or started; answers with the results it is given.
class RecordingShell final : public Shell {
public:
    bool OpenByFileType(const std::string& path) override {
        opened.push_back(path);
        return openResult;
    }
    bool StartProgram(const std::string& program, const std::string& argument) override {
        // The command line as it has always been formed: the viewer, two blanks, the page file.
        commandLines.push_back(program + "  " + argument);
        started.emplace_back(program, argument);
        return startResult;
    }
    bool IsProgram(const std::string&) override { return programExists; }
    std::vector<std::string> opened;
    std::vector<std::string> commandLines;
    std::vector<std::pair<std::string, std::string>> started;
    bool openResult = true;
    bool startResult = true;
    bool programExists = true; // the configured viewer is still there
};

// Answers every folder or file question with `answer` (empty: the user cancelled) and remembers
// the titles it was asked with.
class AnsweringFolderChooser final : public FolderChooser {
public:
    QString ChooseFolder(QWidget*, const QString& title) override {
        titles << title;
        return answer;
    }
    QString ChooseFile(QWidget*, const QString& title) override {
        titles << title;
        return answer;
    }
    QString answer;
    QStringList titles;
};

// Answers the print and save dialogs as told: a printer set up goes to a PDF file (`printTo`;
// empty: the user cancelled), a save dialog answers `saveTo`. Remembers what it was asked.
class AnsweringDocumentDialogs final : public DocumentDialogs {
public:
    bool SetUpPrinter(QWidget*, QPrinter& printer, int pageCount) override;
    void Preview(QWidget*, QPrinter&, const std::function<void(QPrinter*)>&) override { ++previews; }
    QString ChooseSaveFile(QWidget*, const QString& title, const QString& suggested, const QString&) override {
        titles << title;
        suggestions << suggested;
        return saveTo;
    }
    QString printTo, saveTo;
    QPageSize::PageSizeId paper = QPageSize::A4;
    int from = 0, to = 0; // the page range chosen; 0: all pages
    QList<int> pageCounts;
    QStringList titles, suggestions;
    int previews = 0;
};

// A fresh temporary program directory with a copy of a fixture RERAVA.INI from tests/gui/data
// ("@DIR@" in it becomes the directory), and services that record instead of acting.
class GuiFixture {
public:
    // An empty `fixture` leaves the directory without RERAVA.INI.
    explicit GuiFixture(const QString& fixture);

    QString Dir() const { return m_dir.path(); }
    // A file of the directory, as the core spells paths.
    std::string PathOf(const QString& name) const;
    std::string IniPath() const { return PathOf(QStringLiteral("RERAVA.INI")); }
    std::string IniBytes() const;
    // Creates a small file (a stand-in for a fax page file).
    void Touch(const QString& name) const;

    SteadyClock clock;
    SystemWallClock wallClock;
    QtEventPump pump;
    QtSerialBackendFactory ports{PortMap({}, testsupport::NoFoundPorts())};
    RecordingMessageBoxService messages;
    AnsweringFolderChooser folders;
    RecordingShell shell;
    AnsweringDocumentDialogs documents;

private:
    QTemporaryDir m_dir;

public:
    const AppServices services;
};

// The fixture files.
QString GuiTestData(const QString& name);
