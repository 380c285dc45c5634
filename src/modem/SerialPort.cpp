// SPDX-License-Identifier: GPL-3.0-or-later
#include "modem/SerialPort.h"
