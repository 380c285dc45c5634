// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/settings/ModemSettingsDialog.h"

#include "core/platform/Gbk.h"
#include "core/platform/ProgramIni.h"
#include "core/platform/ProgramTexts.h"
#include "core/settings/ModemSettings.h"
#include "core/settings/SettingsTransfer.h"
#include "ui/kit/DialogLayout.h"
#include "ui/kit/FolderChooser.h"
#include "ui/kit/GbkLineEdit.h"
#include "ui/kit/MessageBoxService.h"
#include "ui/kit/Status.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include <type_traits>
#include <utility>

namespace {

// The entries of the three lists.
constexpr int kRingEntries = 7;       // "1" to "7"
constexpr int kCountEntries = 9;      // "1" to "9"
constexpr int kDefaultRingIndex = 3;  // "4"
constexpr int kDefaultCountIndex = 0; // "1"

// Field limits in GBK bytes.
constexpr int kPagerNumberLimit = 30;
constexpr int kPasswordLimit = 4;
constexpr int kLocalIdLimit = 20;
constexpr int kClockFieldLimit = 2;

// The hint string ids.
enum Hint {
    kHintHigherQuality = 61204,
    kHintMoreMessages = 61205,
    kHintViewerPath = 61206,
    kHintLocalId = 61207,
    kHintPagerNumber = 61208,
    kHintCount = 61209,
    kHintMonitorOn = 61210,
    kHintMonitorOff = 61211,
    kHintPassword = 61212,
    kHintFaxOn = 61213,
    kHintFaxOff = 61214,
    kHintRing = 61215,
    kHintTollSaverOn = 61216,
    kHintTollSaverOff = 61217,
    kHintDialog = 61218,
    kHintPagerOn = 61219,
    kHintPagerOff = 61220,
};

// `name` is the control's object name, which says what it is ("ringBox"); none for a plain label.
template <typename Widget>
Widget* Make(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    auto* widget = new Widget(parent);
    if (name)
        widget->setObjectName(QLatin1String(name));
    if constexpr (!std::is_same_v<Widget, GbkLineEdit> && !std::is_same_v<Widget, QComboBox>)
        widget->setText(text);
    dialoglayout::Place(widget, x, y, w, h);
    return widget;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
    return Make<QLabel>(parent, name, text, x, y, w, h);
}

// A drop-down list closes to the height of an edit and drops down to show all its entries.
QComboBox* List(QWidget* parent, const char* name, int x, int y, int w, int visibleItems) {
    auto* box = Make<QComboBox>(parent, name, QString(), x, y, w, 12);
    box->setEditable(false);
    box->setMaxVisibleItems(visibleItems);
    return box;
}

GbkLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int w, int h, int limit, bool digitsOnly) {
    auto* edit = Make<GbkLineEdit>(parent, name, QString(), x, y, w, h);
    edit->SetByteLimit(limit);
    edit->SetDigitsOnly(digitsOnly);
    return edit;
}

// Checks the button of `index` in an exclusive group, or none for any other index.
void SelectInGroup(QButtonGroup* group, int index) {
    if (QAbstractButton* button = group->button(index)) {
        button->setChecked(true);
        return;
    }
    group->setExclusive(false);
    for (QAbstractButton* button : group->buttons())
        button->setChecked(false);
    group->setExclusive(true);
}

} // namespace

ModemSettingsDialog::ModemSettingsDialog(const AppServices& services, std::string programDirectory, QWidget* parent)
    : ModemDialog(services, parent), m_programDirectory(std::move(programDirectory)) {
    setWindowTitle(kTitle.toString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFont(dialoglayout::DialogFont());
    setFixedSize(dialoglayout::ToPixels(font(), 257, 233));
    CreateControls();
}

ModemSettingsDialog::~ModemSettingsDialog() = default;

// Controls in the order of the dialog template, which is also the tab order.
void ModemSettingsDialog::CreateControls() {
    m_okButton = Make<QPushButton>(this, "okButton", QStringLiteral("确定(&O)"), 40, 208, 43, 17);
    m_okButton->setDefault(true);
    m_cancelButton = Make<QPushButton>(this, "cancelButton", QStringLiteral("取消(&C)"), 160, 208, 43, 17);
    Label(this, nullptr, QStringLiteral("MODEM自动应答响铃数："), 97, 13, 89, 8);
    Label(this, nullptr, QStringLiteral("用户密码（1-4位数字）："), 97, 31, 92, 8);
    m_tollSaverBox = Make<QCheckBox>(this, "tollSaverBox", QStringLiteral("免费检查留言"), 7, 13, 63, 8);
    m_passwordEdit = Edit(this, "passwordEdit", 198, 27, 46, 12, kPasswordLimit, true);
    m_monitorBox = Make<QCheckBox>(this, "monitorBox", QStringLiteral("允许监听留言"), 7, 50, 63, 8);
    m_faxReceiveBox = Make<QCheckBox>(this, "faxReceiveBox", QStringLiteral("允许接收传真"), 7, 31, 63, 8);
    m_pagerOnBox = Make<QCheckBox>(this, "pagerOnBox", QStringLiteral("有新留言转传呼"), 7, 68, 70, 8);
    m_pagerNumberLabel = Label(this, "pagerNumberLabel", QStringLiteral("传呼号码(30位)："), 7, 85, 66, 8);
    m_pagerNumberEdit = Edit(this, "pagerNumberEdit", 97, 84, 147, 12, kPagerNumberLimit, false);
    Label(this, nullptr, QStringLiteral("本地传真机ID(20位)："), 7, 102, 81, 8);
    m_localIdEdit = Edit(this, "localIdEdit", 97, 103, 148, 12, kLocalIdLimit, false);
    m_moreMessagesButton =
        Make<QRadioButton>(this, "moreMessagesButton", QStringLiteral("更多留言数量"), 123, 49, 62, 11);
    m_higherQualityButton =
        Make<QRadioButton>(this, "higherQualityButton", QStringLiteral("更高留言质量"), 189, 49, 61, 12);
    m_countLabelBefore = Label(this, "countLabelBefore", QStringLiteral("每当新留言个数达"), 97, 68, 65, 8);
    m_countLabelAfter = Label(this, "countLabelAfter", QStringLiteral("个时开始呼叫"), 197, 67, 52, 8);
    Label(this, nullptr, QStringLiteral("Tessiva传真阅览器："), 7, 160, 78, 10);
    m_browseButton = Make<QPushButton>(this, "browseButton", QStringLiteral("浏览"), 218, 158, 28, 16);
    m_viewerPathEdit = Edit(this, "viewerPathEdit", 97, 160, 116, 12, 32767, false);
    m_viewerPathEdit->setReadOnly(true);
    m_ringBox = List(this, "ringBox", 198, 9, 46, kRingEntries);
    m_countBox = List(this, "countBox", 164, 65, 31, kCountEntries);
    Label(this, nullptr, QStringLiteral("留言："), 96, 50, 25, 8);
    Label(this, nullptr, QStringLiteral("传真阅览方式："), 7, 140, 60, 11);
    m_viewWithDefaultBox =
        Make<QCheckBox>(this, "viewWithDefaultBox", QStringLiteral("用系统默认程序打开"), 98, 140, 90, 11);
    Label(this, nullptr, QStringLiteral("设置MODEM时间："), 7, 178, 62, 8);
    m_yearEdit = Edit(this, "yearEdit", 87, 177, 20, 12, kClockFieldLimit, true);
    Label(this, nullptr, QStringLiteral("年："), 71, 180, 16, 8);
    m_monthEdit = Edit(this, "monthEdit", 128, 177, 20, 12, kClockFieldLimit, true);
    Label(this, nullptr, QStringLiteral("月："), 112, 180, 16, 8);
    m_dayEdit = Edit(this, "dayEdit", 169, 177, 20, 12, kClockFieldLimit, true);
    Label(this, nullptr, QStringLiteral("日："), 153, 180, 16, 8);
    m_hourEdit = Edit(this, "hourEdit", 87, 194, 20, 12, kClockFieldLimit, true);
    Label(this, nullptr, QStringLiteral("时："), 72, 196, 16, 8);
    m_minuteEdit = Edit(this, "minuteEdit", 128, 194, 20, 12, kClockFieldLimit, true);
    Label(this, nullptr, QStringLiteral("分："), 111, 197, 16, 8);
    m_amButton = Make<QRadioButton>(this, "amButton", QStringLiteral("上午"), 153, 194, 31, 12);
    m_pmButton = Make<QRadioButton>(this, "pmButton", QStringLiteral("下午"), 197, 194, 31, 12);
    m_weekdayBox = List(this, "weekdayBox", 193, 177, 49, 7);
    m_callerIdBox =
        Make<QCheckBox>(this, "callerIdBox", QStringLiteral("用户线路支持来电显示（CALLID）功能"), 7, 120, 177, 13);

    // Both radio groups sit on the same parent; each is exclusive only within itself.
    m_qualityGroup = new QButtonGroup(this);
    m_qualityGroup->addButton(m_moreMessagesButton, 0);
    m_qualityGroup->addButton(m_higherQualityButton, 1);
    m_ampmGroup = new QButtonGroup(this);
    m_ampmGroup->addButton(m_amButton, 0);
    m_ampmGroup->addButton(m_pmButton, 1);

    QWidget* previous = nullptr;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_okButton,
                                                           m_cancelButton,
                                                           m_tollSaverBox,
                                                           m_passwordEdit,
                                                           m_monitorBox,
                                                           m_faxReceiveBox,
                                                           m_pagerOnBox,
                                                           m_pagerNumberEdit,
                                                           m_localIdEdit,
                                                           m_moreMessagesButton,
                                                           m_higherQualityButton,
                                                           m_browseButton,
                                                           m_viewerPathEdit,
                                                           m_ringBox,
                                                           m_countBox,
                                                           m_viewWithDefaultBox,
                                                           m_yearEdit,
                                                           m_monthEdit,
                                                           m_dayEdit,
                                                           m_hourEdit,
                                                           m_minuteEdit,
                                                           m_amButton,
                                                           m_pmButton,
                                                           m_weekdayBox,
                                                           m_callerIdBox}) {
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    connect(m_okButton, &QPushButton::clicked, this, &ModemSettingsDialog::OnOK);
    connect(m_cancelButton, &QPushButton::clicked, this, &ModemSettingsDialog::OnCancel);
    connect(m_browseButton, &QPushButton::clicked, this, &ModemSettingsDialog::OnBrowseViewer);
    // The click handlers flip their member rather than read the box: box and member start equal
    // after InitializeControls and change together on every click.
    connect(m_tollSaverBox, &QCheckBox::clicked, this,
            [this] { FlipOption(m_tollSaver, kHintTollSaverOff, kHintTollSaverOn); });
    connect(m_faxReceiveBox, &QCheckBox::clicked, this, [this] { FlipOption(m_faxReceive, kHintFaxOff, kHintFaxOn); });
    connect(m_monitorBox, &QCheckBox::clicked, this,
            [this] { FlipOption(m_monitor, kHintMonitorOff, kHintMonitorOn); });
    connect(m_pagerOnBox, &QCheckBox::clicked, this, [this] {
        FlipOption(m_pagerOn, kHintPagerOff, kHintPagerOn);
        EnablePagerGroup();
    });
    connect(m_moreMessagesButton, &QRadioButton::clicked, this, [this] {
        m_quality = 0;
        ShowControlHint(kHintMoreMessages);
    });
    connect(m_higherQualityButton, &QRadioButton::clicked, this, [this] {
        m_quality = 1;
        ShowControlHint(kHintHigherQuality);
    });
    for (QWidget* widget : std::initializer_list<QWidget*>{m_ringBox, m_passwordEdit, m_countBox, m_pagerNumberEdit,
                                                           m_localIdEdit, m_viewerPathEdit})
        widget->installEventFilter(this);
}

bool ModemSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_ringBox)
            ShowControlHint(kHintRing);
        else if (watched == m_passwordEdit)
            ShowControlHint(kHintPassword);
        else if (watched == m_countBox)
            ShowControlHint(kHintCount);
        else if (watched == m_pagerNumberEdit)
            ShowControlHint(kHintPagerNumber);
        else if (watched == m_localIdEdit)
            ShowControlHint(kHintLocalId);
        else if (watched == m_viewerPathEdit)
            ShowControlHint(kHintViewerPath);
    }
    return ModemDialog::eventFilter(watched, event);
}

QString ModemSettingsDialog::HintText(int stringId) {
    switch (stringId) {
    case kHintHigherQuality:
        return QStringLiteral("设置MODEM提高留言音质减少存储数目");
    case kHintMoreMessages:
        return QStringLiteral("设置MODEM降低留言音质增加存储数目");
    case kHintViewerPath:
        return QStringLiteral("设置Tessiva传真阅览器所在目录以查看传真");
    case kHintLocalId:
        return QStringLiteral("设置MODEM本地ID");
    case kHintPagerNumber:
        return QStringLiteral("设置MODEM在新留言达到预定数目时拨打的Bp机号码");
    case kHintCount:
        return QStringLiteral("设置MODEM在新留言达到该数目时拨打Bp机号码");
    case kHintMonitorOn:
        return QStringLiteral("允许用户通过MODEM喇叭监听留言");
    case kHintMonitorOff:
        return QStringLiteral("禁止用户通过MODEM喇叭监听留言");
    case kHintPassword:
        return QStringLiteral("设置主人模式密码（1－4位数字组成）");
    case kHintFaxOn:
        return QStringLiteral("允许MODEM接收传真");
    case kHintFaxOff:
        return QStringLiteral("禁止MODEM接收传真");
    case kHintRing:
        return QStringLiteral("设置MODEM在有电话拨入时，振铃几声后自动摘机，建议大于2声");
    case kHintTollSaverOn:
        return QStringLiteral("开启免费检查留言功能，用户可以通过电话铃声响数是否大于2声得知是否有新留言");
    case kHintTollSaverOff:
        return QStringLiteral("关闭免费检查留言功能");
    case kHintDialog:
        return QStringLiteral("设置KorvelQuorraMODEM参数");
    case kHintPagerOn:
        return QStringLiteral("允许MODEM在新留言达到规定数目时自动拨打Bp机号码");
    case kHintPagerOff:
        return QStringLiteral("禁止MODEM在新留言达到规定数目时自动拨打Bp机号码");
    default:
        return QString();
    }
}

void ModemSettingsDialog::ShowControlHint(int stringId) {
    status::SetStatusText(HintText(stringId));
}

void ModemSettingsDialog::FlipOption(int& member, int hintOff, int hintOn) {
    if (member != 0) {
        ShowControlHint(hintOff);
        member = 0;
    } else {
        ShowControlHint(hintOn);
        member = 1;
    }
}

void ModemSettingsDialog::EnablePagerGroup() {
    const bool on = m_pagerOn != 0;
    for (QWidget* widget : std::initializer_list<QWidget*>{m_countBox, m_countLabelBefore, m_countLabelAfter,
                                                           m_pagerNumberLabel, m_pagerNumberEdit})
        widget->setEnabled(on);
}

void ModemSettingsDialog::InitializeControls() {
    status::SetBusy(false);
    m_iniPath = programini::PathIn(m_programDirectory);

    const ModemSettings settings = LoadSettings(m_iniPath);

    // A stored ring count selects its entry; 0 selects none, and anything outside the list falls
    // back to the default "4".
    m_ringBox->clear();
    for (int i = 1; i <= kRingEntries; ++i)
        m_ringBox->addItem(QString::number(i));
    if (settings.ring == 0)
        m_ringBox->setCurrentIndex(-1);
    else if (settings.ring < 0 || settings.ring > kRingEntries)
        m_ringBox->setCurrentIndex(kDefaultRingIndex);
    else
        m_ringBox->setCurrentIndex(settings.ring - 1);

    // The count has no fallback: a stored value outside 1 to 9 selects nothing.
    m_countBox->clear();
    for (int i = 1; i <= kCountEntries; ++i)
        m_countBox->addItem(QString::number(i));
    m_countBox->setCurrentIndex(settings.newNum >= 1 && settings.newNum <= kCountEntries ? settings.newNum - 1 : -1);

    m_pagerNumber = gbk::ToQString(settings.bpNum);
    m_pagerOn = settings.bp;
    m_callerId = settings.callId;
    m_tollSaver = settings.ts;
    m_faxReceive = settings.fax;
    m_monitor = settings.cs;
    m_password = gbk::ToQString(settings.pass);
    m_localId = gbk::ToQString(settings.id);
    m_quality = settings.vsm;
    m_viewWithDefault = settings.viewFax;
    m_viewerPath = gbk::ToQString(settings.faxView);

    EnablePagerGroup();
    FillClock();
    ShowControlHint(kHintDialog);
    ShowMembers();
}

void ModemSettingsDialog::FillClock() {
    m_weekdayBox->clear();
    for (const QString& day :
         {QStringLiteral("星期日"), QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
          QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六")})
        m_weekdayBox->addItem(day);

    const QDateTime now = m_services.wallClock.Now();
    const QDate date = now.date();
    const QTime time = now.time();
    m_weekdayBox->setCurrentIndex(date.dayOfWeek() % 7); // Qt counts Monday 1 to Sunday 7
    m_year = QString::number(date.year()).right(2);
    m_month = QString::number(date.month());
    m_day = QString::number(date.day());
    int hour = time.hour();
    if (hour > 12) {
        m_pm = 1;
        hour -= 12;
    } else {
        m_pm = 0;
    }
    m_hour = QString::number(hour);
    m_minute = QString::number(time.minute());
}

void ModemSettingsDialog::ShowMembers() {
    m_pagerNumberEdit->setText(m_pagerNumber);
    m_pagerOnBox->setChecked(m_pagerOn != 0);
    m_tollSaverBox->setChecked(m_tollSaver != 0);
    m_faxReceiveBox->setChecked(m_faxReceive != 0);
    m_monitorBox->setChecked(m_monitor != 0);
    m_passwordEdit->setText(m_password);
    m_localIdEdit->setText(m_localId);
    SelectInGroup(m_qualityGroup, m_quality);
    m_viewerPathEdit->setText(m_viewerPath);
    m_viewWithDefaultBox->setChecked(m_viewWithDefault != 0);
    m_dayEdit->setText(m_day);
    m_hourEdit->setText(m_hour);
    m_minuteEdit->setText(m_minute);
    m_monthEdit->setText(m_month);
    m_yearEdit->setText(m_year);
    SelectInGroup(m_ampmGroup, m_pm);
    m_callerIdBox->setChecked(m_callerId != 0);
}

bool ModemSettingsDialog::TakeControls() {
    MessageBoxService& messages = m_services.messages;
    if (!m_pagerNumberEdit->CheckLength(messages))
        return false;
    m_pagerNumber = m_pagerNumberEdit->text();
    m_pagerOn = m_pagerOnBox->isChecked() ? 1 : 0;
    m_tollSaver = m_tollSaverBox->isChecked() ? 1 : 0;
    m_faxReceive = m_faxReceiveBox->isChecked() ? 1 : 0;
    m_monitor = m_monitorBox->isChecked() ? 1 : 0;
    if (!m_passwordEdit->CheckLength(messages))
        return false;
    m_password = m_passwordEdit->text();
    if (!m_localIdEdit->CheckLength(messages))
        return false;
    m_localId = m_localIdEdit->text();
    m_quality = m_qualityGroup->checkedId();
    m_viewerPath = m_viewerPathEdit->text();
    m_viewWithDefault = m_viewWithDefaultBox->isChecked() ? 1 : 0;
    const std::pair<GbkLineEdit*, QString*> clockFields[] = {{m_dayEdit, &m_day},
                                                             {m_hourEdit, &m_hour},
                                                             {m_minuteEdit, &m_minute},
                                                             {m_monthEdit, &m_month},
                                                             {m_yearEdit, &m_year}};
    for (const auto& [edit, member] : clockFields) {
        if (!edit->CheckLength(messages))
            return false;
        *member = edit->text();
    }
    m_pm = m_ampmGroup->checkedId();
    m_callerId = m_callerIdBox->isChecked() ? 1 : 0;
    return true;
}

ModemSettings ModemSettingsDialog::CollectSettings() const {
    ModemSettings settings;
    settings.ringText = gbk::ToStd(m_ringText);
    settings.ring = m_ringBox->currentIndex() + 1;
    settings.newNumText = gbk::ToStd(m_countText);
    settings.newNum = m_countBox->currentIndex() + 1;
    settings.bpNum = gbk::ToStd(m_pagerNumber);
    settings.bp = m_pagerOn;
    settings.callId = m_callerId;
    settings.ts = m_tollSaver;
    settings.fax = m_faxReceive;
    settings.cs = m_monitor;
    settings.pass = gbk::ToStd(m_password);
    settings.id = gbk::ToStd(m_localId);
    settings.vsm = m_quality;
    settings.viewFax = m_viewWithDefault;
    settings.faxView = gbk::ToStd(m_viewerPath);
    return settings;
}

void ModemSettingsDialog::OnOK() {
    if (status::IsBusy())
        return;
    if (!TakeControls())
        return;

    status::SetBusy(true);
    setEnabled(false);

    // A list left without a selection (a stored RING of 0, a NewNum outside 1 to 9) takes its
    // default entry, so that the modem gets a value and RERAVA.INI is mended by the save.
    if (m_ringBox->currentIndex() < 0)
        m_ringBox->setCurrentIndex(kDefaultRingIndex);
    if (m_countBox->currentIndex() < 0)
        m_countBox->setCurrentIndex(kDefaultCountIndex);
    m_ringText = m_ringBox->currentText();
    m_countText = m_countBox->currentText();

    const ModemSettings settings = CollectSettings();
    ModemClock clock;
    clock.weekday = m_weekdayBox->currentIndex();
    clock.month = gbk::ToStd(m_month);
    clock.day = gbk::ToStd(m_day);
    clock.year = gbk::ToStd(m_year);
    clock.hour = gbk::ToStd(m_hour);
    clock.minute = gbk::ToStd(m_minute);
    clock.pm = m_pm;

    if (SendSettings(m_link, settings, clock) != 0) {
        status::SetBusy(false);
        setEnabled(true);
        m_services.messages.Show(this, texts::kTransferFailedMessage.toString(), MessageBoxService::Icon::None);
        return;
    }

    SaveSettings(m_iniPath, settings);
    ClosePortIfFound();
    setEnabled(true);
    status::SetBusy(false);
    m_services.messages.Show(this, QStringLiteral("KorvelQuorraMODEM设置完成！"), MessageBoxService::Icon::None);
    QDialog::accept();
}

void ModemSettingsDialog::OnCancel() {
    // The dialog is disabled while OK sends; a close request from the window manager then waits.
    if (status::IsBusy())
        return;
    ClosePortIfFound();
    QDialog::reject();
}

void ModemSettingsDialog::reject() {
    OnCancel();
}

void ModemSettingsDialog::OnBrowseViewer() {
    // Any program that opens TIFF files will do as the viewer, whatever its name.
    const QString path = m_services.folders.ChooseFile(this, QStringLiteral("请选择传真阅览器程序："));
    if (path.isEmpty())
        return;
    const QFileInfo program(path);
    if (!program.isFile() || !program.isExecutable()) {
        m_services.messages.Show(this, QStringLiteral("Tessiva传真阅览器所在目录错误！"),
                                 MessageBoxService::Icon::None);
        return;
    }
    // Only the viewer field changes: what the user typed elsewhere since the dialog opened stays.
    m_viewerPath = program.absoluteFilePath();
    m_viewerPathEdit->setText(m_viewerPath);
}
