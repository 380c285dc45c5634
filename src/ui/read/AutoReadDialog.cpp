// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/read/AutoReadDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

AutoReadDialog::AutoReadDialog(const AutoReadSettings& settings, QWidget* parent)
    : QDialog(parent), m_enabled(new QCheckBox(QStringLiteral("自动读取传真(&A)"), this)),
      m_minutes(new QSpinBox(this)) {
    setObjectName(QStringLiteral("autoReadDialog"));
    setWindowTitle(QStringLiteral("自动读取"));
    m_enabled->setObjectName(QStringLiteral("autoReadEnabled"));
    m_enabled->setChecked(settings.enabled);
    m_minutes->setObjectName(QStringLiteral("autoReadMinutes"));
    m_minutes->setRange(AutoReadSettings::kMinMinutes, AutoReadSettings::kMaxMinutes);
    m_minutes->setValue(settings.minutes);
    m_minutes->setSuffix(QStringLiteral(" 分钟"));
    m_minutes->setEnabled(settings.enabled);
    connect(m_enabled, &QCheckBox::toggled, m_minutes, &QWidget::setEnabled);

    auto* every = new QLabel(QStringLiteral("每隔(&M)："), this);
    every->setBuddy(m_minutes);
    auto* note = new QLabel(QStringLiteral("程序运行时每隔设定的时间读取一次，启动时也读取一次。\n"
                                           "读到新传真时在系统托盘中提示；关闭窗口后程序留在托盘中，\n"
                                           "用“关闭程序”结束。"),
                            this);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("ok"));
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_enabled, 0, 0, 1, 2);
    layout->addWidget(every, 1, 0);
    layout->addWidget(m_minutes, 1, 1);
    layout->addWidget(note, 2, 0, 1, 2);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

AutoReadSettings AutoReadDialog::Settings() const {
    AutoReadSettings settings;
    settings.enabled = m_enabled->isChecked();
    settings.minutes = m_minutes->value();
    return settings;
}
