// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/fax/AutoReadSettings.h"

#include <QDialog>

class QCheckBox;
class QSpinBox;

// "自动读取": whether the running program reads the faxes by itself, and every how many minutes.
class AutoReadDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AutoReadDialog(const AutoReadSettings& settings, QWidget* parent = nullptr);

    AutoReadSettings Settings() const;

private:
    QCheckBox* m_enabled;
    QSpinBox* m_minutes;
};
