// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/kit/ModemDialog.h"

#include <QString>
#include <string>

class GbkLineEdit;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
struct ModemSettings;

// The modem settings dialog ("参数设置(&S)"): ring count, password, message options, pager call,
// local fax ID, caller-ID line and the modem's clock, plus how this program opens a fax. It opens
// with the values of RERAVA.INI and the PC clock; OK sends everything to the modem and stores the
// settings only when the modem acknowledged every command. While the user moves through the
// controls, the main window's status bar explains the current one.
//
// Controls carry their member names as object names ("ringBox" for m_ringBox).
class ModemSettingsDialog : public ModemDialog {
    Q_OBJECT
public:
    // The window's title, which the status bar also shows while the dialog is open.
    static constexpr QStringView kTitle = u"KorvelQuorraMODEM参数设置";

    // `programDirectory` ends in its separator; RERAVA.INI lies there.
    ModemSettingsDialog(const AppServices& services, std::string programDirectory, QWidget* parent = nullptr);
    ~ModemSettingsDialog() override;

    // Fills the lists, the members and the controls from RERAVA.INI and the PC clock.
    void InitializeControls() override;
    // OK button and Enter.
    void OnOK();
    // Cancel button, Esc and the close box: the port is closed, nothing is sent or stored.
    void OnCancel();
    void OnBrowseViewer();
    // The weekday list and the clock fields from the wall clock, on a twelve-hour face.
    void FillClock();
    // Shows the hint with the given string id in the main window's status bar.
    static void ShowControlHint(int stringId);
    static QString HintText(int stringId);

    void reject() override;

    // The settings file: the program directory followed by "RERAVA.INI".
    std::string m_iniPath;
    // The texts of the entries chosen in the ring-count and new-message-count lists, taken at OK.
    QString m_ringText;
    QString m_countText;
    // The settings values ("BpNum", "Bp", "TS", "FAX", "CS", "PASS", "ID", "VSM", "FAXVIEW", "ViewFax").
    QString m_pagerNumber;
    int m_pagerOn = 0;
    int m_tollSaver = 0;
    int m_faxReceive = 0;
    int m_monitor = 0;
    QString m_password;
    QString m_localId;
    int m_quality = -1; // 0 more messages, 1 higher quality, -1 neither button
    QString m_viewerPath;
    int m_viewWithDefault = 0;
    // The clock; with the weekday list's selection it is what the modem's clock is set to.
    QString m_day;
    QString m_hour;
    QString m_minute;
    QString m_month;
    QString m_year;
    int m_pm = -1; // 0 AM, 1 PM, -1 neither button
    int m_callerId = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    // Members to controls.
    void ShowMembers();
    // Controls to members, in the exchange order; false (after the warning) when a text is longer
    // than its field's limit.
    bool TakeControls();
    void EnablePagerGroup();
    // Flips an on/off member on a click and shows the hint for its new state.
    void FlipOption(int& member, int hintOff, int hintOn);
    ModemSettings CollectSettings() const;

    std::string m_programDirectory;

    QComboBox* m_weekdayBox = nullptr; // 1061
    QComboBox* m_ringBox = nullptr;    // 1017
    QComboBox* m_countBox = nullptr;   // 1018

    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_browseButton = nullptr;
    QCheckBox* m_tollSaverBox = nullptr;           // 1001
    QCheckBox* m_monitorBox = nullptr;             // 1005
    QCheckBox* m_faxReceiveBox = nullptr;          // 1006
    QCheckBox* m_pagerOnBox = nullptr;             // 1007
    QCheckBox* m_viewWithDefaultBox = nullptr;     // 1051
    QCheckBox* m_callerIdBox = nullptr;            // 1064
    GbkLineEdit* m_passwordEdit = nullptr;         // 1002
    GbkLineEdit* m_pagerNumberEdit = nullptr;      // 1008
    GbkLineEdit* m_localIdEdit = nullptr;          // 1009
    GbkLineEdit* m_viewerPathEdit = nullptr;       // 1016
    GbkLineEdit* m_yearEdit = nullptr;             // 1054
    GbkLineEdit* m_monthEdit = nullptr;            // 1055
    GbkLineEdit* m_dayEdit = nullptr;              // 1056
    GbkLineEdit* m_hourEdit = nullptr;             // 1057
    GbkLineEdit* m_minuteEdit = nullptr;           // 1058
    QRadioButton* m_moreMessagesButton = nullptr;  // 1003
    QRadioButton* m_higherQualityButton = nullptr; // 1004
    QRadioButton* m_amButton = nullptr;            // 1059
    QRadioButton* m_pmButton = nullptr;            // 1060
    QButtonGroup* m_qualityGroup = nullptr;
    QButtonGroup* m_ampmGroup = nullptr;
    QLabel* m_countLabelBefore = nullptr; // 1021
    QLabel* m_countLabelAfter = nullptr;  // 1022
    QLabel* m_pagerNumberLabel = nullptr; // 1023
};
