// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/modem/SerialPort.h"
#include "core/platform/Clock.h"
#include "core/platform/Shell.h"

#include <string>

class MessageBoxService;
class FolderChooser;
class DocumentDialogs;

// What the windows need from outside, handed down from main (or from a test): clocks, the pump,
// the serial ports, the message boxes, the folder chooser, the shell and the print and save dialogs. No window reaches
// for a global instead.
struct AppServices {
    const Clock& clock;
    const WallClock& wallClock;
    EventPump& pump;
    SerialBackendFactory& ports;
    MessageBoxService& messages;
    FolderChooser& folders;
    Shell& shell;
    std::string programPath;              // the running program's full path: what the desktop launcher starts
    std::string programDirectory;         // where RERAVA.INI and the page files live, with a trailing '/'
    DocumentDialogs* documents = nullptr; // print, preview and save; none: Qt's own (Documents())

    LinkEnvironment Link() const { return LinkEnvironment{clock, pump, ports}; }
};
