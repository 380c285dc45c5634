// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/modem/SerialPort.h"
#include "sim/QuorraModem.h"
#include "sim/SimSerialBackend.h"
#include "sim/VirtualTime.h"

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

// A simulated Quorra modem on COM1 (and, when asked, a second one on COM2) on virtual time, and
// the environment a ModemLink needs to reach it:
//
//     SimModemFixture sim;
//     sim.com1.AddFax(...);
//     ModemLink link(sim.env);
//
// Without a modem on a port, opening that port fails, as an absent COM2 does. With
// FAXDESK_SIM_STRICT=1 in the environment (the second run of the read tests) every modem answers
// with the least it promises (QuorraModem::SetStrict).
struct SimModemFixture {
    static bool StrictModems() {
        const char* strict = std::getenv("FAXDESK_SIM_STRICT");
        return strict != nullptr && std::string(strict) == "1";
    }

    explicit SimModemFixture(bool withCom2 = false) {
        com1.SetStrict(StrictModems());
        ports.Connect("COM1", com1);
        if (withCom2)
            AddCom2();
    }

    quorra::QuorraModem& AddCom2() {
        if (!com2) {
            com2 = std::make_unique<quorra::QuorraModem>();
            com2->SetStrict(StrictModems());
            ports.Connect("COM2", *com2);
        }
        return *com2;
    }
    // Takes the modem off COM1 (the port can then not be opened), for a modem on COM2 only.
    void RemoveCom1() { ports.Disconnect("COM1"); }

    VirtualTime time;
    quorra::QuorraModem com1;
    std::unique_ptr<quorra::QuorraModem> com2;
    SimSerialBackendFactory ports{time};
    LinkEnvironment env{time, time, ports};
};

// A fault for QuorraModem::AddFault: `kind` on the commands that start with `command` (empty: on
// every command), on its `occurrence`-th match (0: on every match).
inline quorra::Fault MakeFault(quorra::FaultKind kind, std::string command = {}, int occurrence = 0,
                               size_t afterBytes = 0, std::string bytes = {}) {
    quorra::Fault fault;
    fault.kind = kind;
    fault.command = std::move(command);
    fault.occurrence = occurrence;
    fault.afterBytes = afterBytes;
    fault.bytes = std::move(bytes);
    return fault;
}
