// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/SingleInstance.h"
#include "gui/AppServices.h"

#include <memory>

class CMainFrame;

// The application object: one copy only, the installation when the program is not installed, and
// otherwise the main window.
class CFAXDESKApp {
public:
    static constexpr const char* kInstanceName = "KorvelQuorraMODEM传真";

    explicit CFAXDESKApp(const AppServices& services);
    ~CFAXDESKApp();

    // False ends the program before any window exists: a second copy (silently), or after the
    // installation dialog and its closing message.
    bool InitApplication();
    // Builds and shows the main window.
    bool InitInstance();
    // InitApplication, InitInstance, then the event loop; the process's exit code.
    int Run();

    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    const AppServices& m_services;
    SingleInstance m_instance;
    std::unique_ptr<CMainFrame> m_frame;
};
