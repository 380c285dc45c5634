// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SingleInstance.h"
#include "ui/kit/AppServices.h"

#include <memory>

class MainWindow;

// The program's start: one copy only, the installation when the program is not installed, and
// otherwise the main window.
class Program {
public:
    static constexpr const char* kInstanceName = "KorvelQuorraMODEM传真";
    // No single-instance lock could be taken (the details say why): the program does not start.
    static constexpr QStringView kNoLockMessage = u"无法确认传真程序是否已在运行，程序不能启动。";

    explicit Program(const AppServices& services);
    ~Program();

    // False ends the program before any window exists: a second copy (silently), or after the
    // installation dialog and its closing message.
    bool StartUp();
    // Builds and shows the main window.
    bool ShowMainWindow();
    // StartUp, ShowMainWindow, then the event loop; the process's exit code.
    int Run();

    MainWindow* Window() const { return m_window.get(); }

private:
    const AppServices& m_services;
    SingleInstance m_instance;
    std::unique_ptr<MainWindow> m_window;
};
