#include "app/MainWnd.h"

#include "app/DeviceNotice.h"
#include "app/Language.h"
#include "app/SkinFrame.h"
#include "app/windows/ColorPalette.h"
#include "app/windows/Copyright.h"
#include "app/windows/MsgWnd.h"
#include "controls/Registration.h"
#include "controls/TintedPicture.h"
#include "device/DeviceIdentity.h"
#include "platform/Folders.h"
#include "platform/IniFile.h"
#include "platform/Log.h"
#include "platform/Registry.h"
#include "ui/ControlFactory.h"
#include "ui/Controls.h"
#include "ui/DialogBuilder.h"

#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QBoxLayout>
#include <QCursor>
#include <QPushButton>
#include <QThread>

namespace zk::app {

namespace {

std::atomic<CMainWnd*> g_mainWnd{nullptr};

platform::IniFile MainIni() {
    return platform::IniFile(platform::GetDataFolder() + kMainIni);
}

// The device of each channel, written into it at "windowinit": the first
// product of the kind's configuration interface, the mouse's second product
// on its own channel.
struct ChannelDevice {
    device::DeviceKind kind;
    std::size_t product;
};
constexpr std::array<ChannelDevice, kChannelCount> kChannelDevices = {{
    {device::DeviceKind::Keyboard, 0},
    {device::DeviceKind::Mouse, 0},
    {device::DeviceKind::Mousepad, 0},
    {device::DeviceKind::Mouse, 1},
}};

// Custom tags of the main layout that are sub-layouts; the tags
// "CircleProgress" and "DeviceKeyButton" are controls.
struct ControlTag {
    const char* tag;
    const char* layout;
};
constexpr ControlTag kControlTags[] = {
    {"kb_Key_UI", "keyboard_key.xml"},     {"kb_Deng_UI", "keyboard_deng.xml"},
    {"kb_Macro_UI", "keyboard_macro.xml"}, {"MS_Deng_UI", "Mouse_deng.xml"},
    {"MS_Macro_UI", "Mouse_macro.xml"},    {"MS_Key_UI", "Mouse_key.xml"},
    {"MP_deng_UI", "MousePad_deng.xml"},   {"MS_DPI_UI", "Mouse_DPI.xml"},
    {"MS_CURSOR_UI", "Mouse_cursor.xml"},  {"kb_CURSOR_UI", "Mouse_cursor.xml"},
};

// Fonts of the paint manager: id, pixel size, bold, underlined.
struct FontEntry {
    int id, size;
    bool bold, underline;
};
constexpr FontEntry kFonts[] = {
    {0, 15, false, false}, {1, 14, false, true},  {2, 18, false, false},  {3, 30, false, false},
    {4, 16, false, false}, {5, 20, false, false}, {6, 22, false, false},  {7, 14, false, false},
    {8, 12, false, false}, {9, 11, false, false}, {10, 10, false, false}, {11, 28, false, false},
    {50, 18, true, false},
};

const QString kFontFace = QStringLiteral("Tahoma");

// The colour the three light palettes start with.
constexpr std::uint32_t kPaletteDefaultColor = 0xFF0199CB;

// The worker the main window waits for 20 ms after starting.
constexpr std::chrono::milliseconds kFirstThreadPause{20};
constexpr std::chrono::milliseconds kChannelSettle{100};

} // namespace

CMainWnd::CMainWnd()
    : showMessage_(ShowMessage), showTimedMessage_(ShowTimedMessage), threads_(platform::DebugLine),
      help_(this) {}

CMainWnd::~CMainWnd() {
    // Threads first: none of them may outlive what it uses.
    if (threads_.StartedCount() > 0)
        threads_.StopAll(stopWait_);
    trayMenu_.reset();
    if (seams_.removeInputHooks)
        seams_.removeInputHooks(*this);
    // Channels close in reverse order: mouse second ID, mousepad, mouse, keyboard.
    for (int i = kChannelCount - 1; i >= 0; --i)
        channels_[i].hid.Close();
    CMainWnd* self = this;
    g_mainWnd.compare_exchange_strong(self, nullptr);
    auto& rm = ui::ResourceManager::GetInstance();
    if (rm.GetTextQueryInterface() == this)
        rm.SetTextQueryInterface(nullptr);
}

CMainWnd* CMainWnd::Instance() {
    return g_mainWnd.load();
}

void CMainWnd::AddPageHandler(const QString& type, PageHandler handler) {
    pageHandlers_[type].push_back(std::move(handler));
}

void CMainWnd::SetMessageBox(ShowMessageFn show, ShowTimedMessageFn showTimed) {
    if (show)
        showMessage_ = std::move(show);
    if (showTimed)
        showTimedMessage_ = std::move(showTimed);
}

bool CMainWnd::AnyDeviceConnected() const {
    return channels_[kChannelMouse].IsConnected() || channels_[kChannelMousepad].IsConnected() ||
           channels_[kChannelKeyboard].IsConnected();
}

QWidget* CMainWnd::MousePreview(int i) const {
    return i >= 0 && i < kMousePreviewCount ? mousePreview_[i].data() : nullptr;
}

QWidget* CMainWnd::PadOrKeyControl(int i) const {
    return i >= 0 && i < kPadPreviewCount + kKeyboardKeyCount ? padKeyControls_[i].data() : nullptr;
}

void CMainWnd::Log(const QString& line) const {
    platform::DebugLine(line.toStdString());
}

// --- creation -----------------------------------------------------------------

void CMainWnd::InitWindow() {
    Log(QStringLiteral("InitWindow"));
    auto& rm = ui::ResourceManager::GetInstance();
    rm.SetTextQueryInterface(this);
    rm.LoadLanguage(QStringLiteral("lan_cn.xml"));
    ReceiveSkinChanges(*this);

    // "closebtn" is matched by name, "skinbtn" falls through to the pages.
    maxBtn_ = FindControl(QStringLiteral("maxbtn"));
    restoreBtn_ = FindControl(QStringLiteral("restorebtn"));
    minBtn_ = FindControl(QStringLiteral("minbtn"));

    for (int i = 0; i < kMousePreviewCount; ++i)
        mousePreview_[i] = FindControl(QStringLiteral("ms_dkey_%1").arg(i));
    for (int i = 0; i < kPadPreviewCount; ++i)
        padKeyControls_[i] = FindControl(QStringLiteral("mp_dkey_%1").arg(i));
    for (int i = 0; i < kKeyboardKeyCount; ++i)
        padKeyControls_[kPadPreviewCount + i] = FindControl(QStringLiteral("kb_key_%1").arg(i));
    // The mouse and mousepad previews show their light as a colour overlay,
    // transparent until the first frame.
    auto overlayOn = [](QWidget* control) {
        if (auto* tint = dynamic_cast<controls::TintMembers*>(control)) {
            tint->SetIsChangerColor(true);
            tint->SetChangerAlpha(0);
        }
    };
    for (const auto& control : mousePreview_)
        overlayOn(control);
    for (int i = 0; i < kPadPreviewCount; ++i)
        overlayOn(padKeyControls_[i]);

    g_mainWnd.store(this);

    for (const char* name :
         {"ms_deng_Color_Pallet", "mp_deng_Color_Pallet", "kb_deng_Color_Pallet"})
        if (auto* palette = FindControl<CColorPaletteUI>(QString::fromLatin1(name)))
            palette->SelectColor(kPaletteDefaultColor);

    if (seams_.initPreviewControls)
        seams_.initPreviewControls(*this);

    tray_.CreateTrayIcon(this, 107, QStringLiteral("ORVANE ZK412V"));
    trayAvailable_ = ui::TrayIcon::SystemTrayAvailable();
    if (!trayAvailable_) {
        Log(QStringLiteral("no system tray: the window stays in the task bar"));
        CreateMenuButton();
    }
    notice_ = new DeviceNotice(this);
    notice_->hide();
    exposure_ = ui::WindowExposure::Of(this);
    connect(exposure_, &ui::WindowExposure::ShownChanged, this, [this] { UpdateLiveWork(); });
    ApplyCaptionTips();
    ui::Dpi::SetDPIAwareness(1);
}

// Without a tray the tray menu's items are reached from a caption button left
// of the skin button.
void CMainWnd::CreateMenuButton() {
    QWidget* skin = FindControl(QStringLiteral("skinbtn"));
    QWidget* bar = skin ? skin->parentWidget() : nullptr;
    auto* row = bar ? qobject_cast<QBoxLayout*>(bar->layout()) : nullptr;
    if (!row)
        return;
    menuBtn_ = new QPushButton(bar);
    menuBtn_->setObjectName(QStringLiteral("menubtn"));
    menuBtn_->setFocusPolicy(Qt::TabFocus);
    menuBtn_->setFixedSize(32, 28);
    row->insertWidget(row->indexOf(skin), menuBtn_);
    setTabOrder(menuBtn_, skin);
    connect(menuBtn_, &QPushButton::clicked, this, [this] {
        ShowMenuAt(menuBtn_->mapToGlobal(QPoint(menuBtn_->width(), menuBtn_->height())),
                   ui::eMenuAlignment_Right | ui::eMenuAlignment_Top);
    });
}

// Tool tips of the caption buttons in the current language.
void CMainWnd::ApplyCaptionTips() {
    auto& rm = ui::ResourceManager::GetInstance();
    const struct {
        const char* control;
        const char* key;
    } tips[] = {{"menubtn", "caption_tip_menu"},  {"skinbtn", "caption_tip_skin"},
                {"quesbtn", "caption_tip_help"},  {"minbtn", "caption_tip_min"},
                {"maxbtn", "caption_tip_max"},    {"restorebtn", "caption_tip_restore"},
                {"closebtn", "caption_tip_close"}};
    for (const auto& tip : tips) {
        QWidget* button = tip.control == std::string_view("menubtn")
                              ? menuBtn_.data()
                              : FindControl(QString::fromLatin1(tip.control));
        if (button)
            button->setToolTip(rm.GetText(QString::fromLatin1(tip.key)));
    }
    if (notice_)
        notice_->Retranslate();
}

void CMainWnd::UpdateDeviceNotice() {
    if (!notice_)
        return;
    const bool none = !AnyDeviceConnected();
    if (!none && notice_->IsNoAccess())
        notice_->ShowNoDevice(); // a device opened: whatever refused access is mended
    if (none == notice_->isHidden()) {
        notice_->setVisible(none);
        if (none) {
            notice_->raise();
            // No device, no device tab; detection shows a tab again when its
            // device connects.
            for (const char* tab : {"ms_tab", "kb_tab", "mp_tab"})
                if (QWidget* control = FindControl(QString::fromLatin1(tab)))
                    control->hide();
        }
    }
}

void CMainWnd::resizeEvent(QResizeEvent* e) {
    WindowImplBase::resizeEvent(e);
    if (!notice_)
        return;
    const QWidget* caption = FindControl(QStringLiteral("caption_bar"));
    const int top = caption ? caption->mapTo(this, QPoint(0, caption->height())).y() : 48;
    notice_->setGeometry(0, top, width(), height() - top);
}

void CMainWnd::ShowWindow(bool show, bool takeFocus) {
    UpdateDeviceNotice();
    if (show && startMinimized_) {
        if (isVisible() && !isMinimized()) {
            startMinimized_ = false; // the user brought it up already
        } else {
            if (!trayAvailable_ && !isVisible())
                showMinimized();
            return;
        }
    }
    if (!show && !trayAvailable_)
        return;
    WindowImplBase::ShowWindow(show, takeFocus);
}

void CMainWnd::ShowAtStart() {
    if (!trayAvailable_)
        ShowWindow(true);
}

void CMainWnd::RequestActivation() {
    startMinimized_ = false;
    PostMessage(kActivationMessage);
}

void CMainWnd::ReportNoAccess(const QString& path) {
    if (!notice_ || AnyDeviceConnected())
        return;
    const QString installed = InstalledDeviceRule();
    notice_->ShowNoAccess(path, installed.isEmpty() ? ShippedDeviceRule() : QString());
    UpdateDeviceNotice();
    if (noAccessReported_)
        return;
    noAccessReported_ = true;
    Log(QStringLiteral("no access notice: ") + path);
    startMinimized_ = false;
    WindowImplBase::ShowWindow(true, true);
    BringToFront();
}

QWidget* CMainWnd::CreateControl(const QString& className) {
    for (const auto& entry : kControlTags)
        if (className.compare(QLatin1String(entry.tag), Qt::CaseInsensitive) == 0)
            return ui::DialogBuilder::Create(QString::fromLatin1(entry.layout));
    return controls::CreateControlForTag(className);
}

QString CMainWnd::QueryControlText(const QString& id, const QString& /*type*/) {
    const bool english = ui::ResourceManager::GetInstance().GetLanguage() == QLatin1String("en");
    if (id == QLatin1String("titletext"))
        return QStringLiteral("ORVANE ZK412V");
    if (id == QLatin1String("hometext"))
        return english ? QStringLiteral("Home") : QStringLiteral("主页");
    return {};
}

// "windowinit": the start-up sequence of the window's run-time state.
void CMainWnd::OnWindowInit() {
    // 1. Fonts.
    m_pm.RemoveAllFonts();
    m_pm.SetDefaultFont(kFontFace, 11);
    for (const auto& f : kFonts)
        m_pm.AddFont(f.id, kFontFace, f.size, f.bold, f.underline);

    // 2. Background image of "root".
    const auto mainIni = MainIni();
    if (mainIni.ReadInt(kSkinSection, "FLAGS") == 1) {
        if (QWidget* root = FindControl(QStringLiteral("root"))) {
            ui::SetBkColor(root, 0);
            ui::SetBkImage(root, QString::fromStdString(mainIni.Read(kSkinSection, "IMAGE")));
        }
    }

    // 3. Profiles of the device kinds.
    if (seams_.initKeyboardProfiles)
        seams_.initKeyboardProfiles(*this);
    if (seams_.initMouseProfiles)
        seams_.initMouseProfiles(*this);
    if (seams_.initMousepadProfiles)
        seams_.initMousepadProfiles(*this);

    // 4. Device identities; every channel starts disconnected.
    for (int i = 0; i < kChannelCount; ++i) {
        const auto& id = device::ConfigurationIdentity(kChannelDevices[i].kind);
        channels_[i].SetIdentity(id.vendorId, id.productIds[kChannelDevices[i].product], id.usage,
                                 id.usagePage);
    }
    // 5. A short pause before the language and the threads.
    QThread::msleep(kChannelSettle.count());

    // 6. Language preset from the registry.
    {
        auto ini = MainIni();
        CopyRegistryLanguage(platform::RegistryStore(), ini, platform::DebugLine);
    }

    // 7. Hidden until a device is found.
    ShowWindow(false);

    // 8, 9. Stop events and worker threads.
    threads_.CreateStopEvents();
    bool first = true;
    for (int place = 1; place <= kThreadPlaceCount; ++place) {
        if (!seams_.threads[place])
            continue;
        threads_.Start(place, seams_.threads[place]);
        if (first) {
            QThread::msleep(kFirstThreadPause.count());
            first = false;
        }
    }

    // 10. Timers. The pending-write flush (100 ms) runs while a device is
    // connected and a write is pending (looked at whenever the event loop
    // is about to wait); the animation counters (10 ms) and the preview
    // repaint (50 ms) while the window is on screen with a device to show.
    SetTimer(kTimerKeyboardRead, 500);
    SetTimer(kTimerMousepadRead, 500);
    liveTimers_ = true;
    if (seams_.writesPending)
        connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                [this] { UpdateFlushTimer(); });
    UpdateLiveWork();

    // 11. Language.
    LoadStartupLanguage();
}

void CMainWnd::LoadStartupLanguage() {
    auto& rm = ui::ResourceManager::GetInstance();
    if (StartupLanguageIsChinese(MainIni())) {
        rm.SetLanguage(QStringLiteral("cn"));
        rm.LoadLanguage(QStringLiteral("lan_cn.xml"));
    } else {
        rm.SetLanguage(QStringLiteral("en"));
        rm.LoadLanguage(QStringLiteral("lan_en.xml"));
    }
    rm.ReloadText();
    ApplyCaptionTips();
}

// --- notifications ------------------------------------------------------------

void CMainWnd::Notify(ui::TNotifyUI& msg) {
    Log(msg.sType + QLatin1Char(' ') + msg.senderName);

    if (msg.Is(ui::DUI_MSGTYPE_WINDOWINIT)) {
        OnWindowInit();
    } else if (msg.Is(ui::DUI_MSGTYPE_WINDOWSIZE)) {
        help_.Handle(msg); // the open help panel follows its button
    } else if (msg.Is(ui::DUI_MSGTYPE_SHOWACTIVEX)) {
        // nothing
    } else if (msg.Is(ui::DUI_MSGTYPE_CLICK)) {
        if (HandleCaptionClick(msg))
            return;
        if (!help_.Handle(msg))
            RouteToPages(msg);
    } else if (msg.Is(ui::DUI_MSGTYPE_SETFOCUS)) {
        help_.Handle(msg);
        RouteToPages(msg);
    } else if (msg.Is(ui::DUI_MSGTYPE_SELECTCHANGED)) {
        SelectBoundPage(msg);
        RouteToPages(msg);
    } else if (msg.Is(ui::DUI_MSGTYPE_MENU, QStringLiteral("config_list"))) {
        ShowContextPanel(msg);
        RouteToPages(msg);
    } else {
        RouteToPages(msg);
    }
    WindowImplBase::Notify(msg);
}

// A tab option of the layout names the page stack it selects and its page
// ("bindTabLayout", "bindTabIndex").
void CMainWnd::SelectBoundPage(ui::TNotifyUI& msg) {
    QWidget* option = msg.pSender.data();
    if (!option)
        return;
    const QString stack = option->property("bindTabLayout").toString();
    const QVariant index = option->property("bindTabIndex");
    if (stack.isEmpty() || !index.isValid())
        return;
    if (QWidget* pages = FindControl(stack))
        ui::SelectItem(pages, index.toInt());
}

void CMainWnd::RouteToPages(ui::TNotifyUI& msg) {
    if (seams_.routeToPage)
        seams_.routeToPage(msg);
    const auto it = pageHandlers_.find(msg.sType);
    if (it == pageHandlers_.end())
        return;
    for (auto& handler : it->second)
        handler(*this, msg);
}

// The caption buttons: closing only minimises. True when the click ends here.
bool CMainWnd::HandleCaptionClick(ui::TNotifyUI& msg) {
    QWidget* sender = msg.pSender.data();
    if (msg.senderName.compare(QLatin1String("closebtn"), Qt::CaseInsensitive) == 0 ||
        (sender && sender == minBtn_)) {
        SendMessage(ui::WM_SYSCOMMAND, ui::SC_MINIMIZE);
        return true;
    }
    if (sender && sender == maxBtn_) {
        SendMessage(ui::WM_SYSCOMMAND, ui::SC_MAXIMIZE);
        return true;
    }
    if (sender && sender == restoreBtn_) {
        SendMessage(ui::WM_SYSCOMMAND, ui::SC_RESTORE);
        return true;
    }
    if (msg.senderName.compare(QLatin1String("skinbtn"), Qt::CaseInsensitive) == 0)
        CSkinFrame::Open(this, sender);
    // "skinbtn" and every other sender go on to the click handlers.
    return false;
}

// The context panel of the profile list: "menu_clicked" below and right of
// the selected entry.
void CMainWnd::ShowContextPanel(ui::TNotifyUI& msg) {
    auto* list = qobject_cast<QAbstractItemView*>(msg.pSender.data());
    QWidget* panel = FindControl(QStringLiteral("menu_clicked"));
    if (!list || !panel || !list->currentIndex().isValid())
        return;
    const QRect item = list->visualRect(list->currentIndex());
    const QPoint corner = list->viewport()->mapTo(
        panel->parentWidget() ? panel->parentWidget() : this, item.bottomRight() + QPoint(1, 1));
    panel->setGeometry(corner.x(), corner.y(), 75, 64);
    panel->setVisible(true);
    panel->raise();
}

// --- messages -----------------------------------------------------------------

ui::LRESULT CMainWnd::HandleCustomMessage(unsigned uMsg, ui::WPARAM wParam, ui::LPARAM lParam,
                                          bool& bHandled) {
    switch (uMsg) {
    case kActivationMessage:
        OnActivation();
        break;
    case ui::WM_ACTIVATE:
        if (wParam == ui::WA_INACTIVE && seams_.removeInputHooks)
            seams_.removeInputHooks(*this);
        break;
    case ui::WM_GETMINMAXINFO:
        bHandled = true;
        return 0;
    case ui::WM_DESTROY:
        StopThreads();
        bHandled = true;
        return 0;
    case ui::WM_TIMER:
        OnTimer(static_cast<unsigned>(wParam));
        break;
    case ui::WM_DPICHANGED:
        m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
        m_pm.ResetDPIAssets();
        update();
        bHandled = true;
        return 0;
    case ui::UIMSG_TRAYICON:
        OnTray(lParam);
        break;
    case ui::UIMSG_MENUCLICK:
        OnMenuCommand(ui::MenuCmdFromWParam(wParam));
        bHandled = true;
        return 0;
    case kMsgKeyboardKeyCapture:
        if (seams_.keyboardKeyCapture)
            seams_.keyboardKeyCapture(*this, wParam, lParam);
        break;
    case kMsgButtonKeyCapture:
        if (seams_.buttonKeyCapture)
            seams_.buttonKeyCapture(*this, wParam, lParam);
        break;
    case kMsgKeyboardHookNote:
    case kMsgButtonHookNote:
        Log(QStringLiteral("hook message 0x%1").arg(uMsg, 0, 16));
        break;
    case kMsgMouseReadAll:
        if (seams_.readAllMouseSettings)
            seams_.readAllMouseSettings(*this);
        break;
    case kMsgMouseReread:
        if (seams_.rereadMouseRecord)
            seams_.rereadMouseRecord(*this);
        break;
    case kMsgKeyboardReadAll:
        if (seams_.readKeyboardSettings)
            seams_.readKeyboardSettings(*this);
        break;
    case kMsgKeyboardReread:
        if (seams_.rereadKeyboardLight)
            seams_.rereadKeyboardLight(*this);
        break;
    case kMsgMouseRemoved:
        if (QWidget* tab = FindControl(QStringLiteral("ms_deng_Op_tab")))
            tab->setFocus();
        showTimedMessage_(this);
        ShowWindow(false);
        break;
    default:
        break;
    }
    return 0;
}

void CMainWnd::BringToFront() {
    UpdateDeviceNotice();
    HandleMessage(ui::WM_SYSCOMMAND, ui::SC_RESTORE, 0);
    raise();
    activateWindow();
}

bool CMainWnd::OnScreen() const {
    return exposure_ && exposure_->Shown();
}

void CMainWnd::UpdateLiveWork() {
    UpdateDeviceNotice();
    const bool shown = OnScreen();
    if (seams_.previewsShown)
        seams_.previewsShown(shown);
    if (!liveTimers_)
        return;
    const bool connected = AnyDeviceConnected();
    UpdateFlushTimer();
    const bool repaint = shown && connected;
    if (repaint && !HasTimer(kTimerRepaint))
        OnTimer(kTimerRepaint); // the current frame at once, then every 50 ms
    else if (!repaint)
        KillTimer(kTimerRepaint);
    UpdateAnimationTimer();
}

void CMainWnd::UpdateFlushTimer() {
    // Without a device, or with nothing pending, every 100 ms would be a wake for nothing.
    const bool flush =
        liveTimers_ && AnyDeviceConnected() && (!seams_.writesPending || seams_.writesPending());
    if (flush == HasTimer(kTimerLightFlush))
        return;
    if (flush)
        SetTimer(kTimerLightFlush, 100);
    else
        KillTimer(kTimerLightFlush);
}

void CMainWnd::UpdateAnimationTimer() {
    const bool animate = OnScreen() && channels_[kChannelKeyboard].IsConnected() &&
                         (!seams_.keyboardPictureShown || seams_.keyboardPictureShown());
    if (animate == HasTimer(kTimerAnimation))
        return;
    if (animate)
        SetTimer(kTimerAnimation, 10);
    else
        KillTimer(kTimerAnimation);
}

void CMainWnd::ReportNoDevice(bool& guard) {
    ShowWindow(false);
    if (!trayAvailable_ || (notice_ && notice_->IsNoAccess())) {
        // The window itself says what is wrong (and how to mend a refused
        // access); a box would only repeat it.
        WindowImplBase::ShowWindow(true, true);
        BringToFront();
        return;
    }
    if (guard)
        return;
    guard = true;
    Log(QStringLiteral("no device: message_text_1"));
    showMessage_(this, QStringLiteral("message_text_1"), true);
    guard = false;
}

void CMainWnd::OnActivation() {
    Log(QStringLiteral("activation message"));
    if (startMinimized_)
        return; // the first scan's activation; the user has not asked yet
    if (AnyDeviceConnected())
        BringToFront();
    else
        ReportNoDevice(activationBoxOpen_);
}

void CMainWnd::OnTray(ui::LPARAM mouseMessage) {
    if (mouseMessage == static_cast<ui::LPARAM>(ui::WM_LBUTTONUP)) {
        startMinimized_ = false;
        if (!AnyDeviceConnected()) {
            ReportNoDevice(trayBoxOpen_);
            return;
        }
        if (isVisible() && !isMinimized()) {
            ShowWindow(false);
        } else {
            BringToFront();
            update();
            SetTimer(kTimerRedraw, 10);
        }
    } else if (mouseMessage == static_cast<ui::LPARAM>(ui::WM_RBUTTONUP)) {
        ShowTrayMenu();
    }
}

void CMainWnd::ShowTrayMenu() {
    ShowMenuAt(QCursor::pos() - QPoint(0, 50), ui::eMenuAlignment_Left | ui::eMenuAlignment_Top);
}

void CMainWnd::ShowMenuAt(QPoint pt, unsigned alignment) {
    trayMenu_ = std::make_unique<ui::MenuWnd>();
    if (!trayMenu_->Init(this, QStringLiteral("menu1.xml"), pt, alignment))
        return;
    ui::MenuElement exit;
    exit.name = QStringLiteral("exit");
    exit.text = QString::fromStdString(TrayExitText(MainIni()));
    trayMenu_->InsertItem(0, exit);
    trayMenu_->ResizeMenu();
}

void CMainWnd::OnMenuCommand(const ui::MenuCmd* cmd) {
    if (!cmd)
        return;
    const QString& name = cmd->szName;
    auto is = [&name](const char* item) {
        return name.compare(QLatin1String(item), Qt::CaseInsensitive) == 0;
    };
    if (is("lan_en")) {
        SwitchLanguage(false);
    } else if (is("lan_cn")) {
        SwitchLanguage(true);
    } else if (is("About_setting")) {
        Ccopyright::Open(this);
    } else if (is("exit")) {
        Close();
    } else if (is("Menu_Import") || is("Menu_Export")) {
        // nothing
    } else {
        showMessage_(this, cmd->szText, true);
    }
}

void CMainWnd::SwitchLanguage(bool chinese) {
    auto& rm = ui::ResourceManager::GetInstance();
    rm.SetLanguage(chinese ? QStringLiteral("cn_zh") : QStringLiteral("en"));
    rm.LoadLanguage(chinese ? QStringLiteral("lan_cn.xml") : QStringLiteral("lan_en.xml"));
    auto ini = MainIni();
    platform::RegistryStore registry;
    StoreLanguageChoice(chinese, ini, registry, platform::DebugLine);
    rm.ReloadText();
    ApplyCaptionTips();
    update();
}

void CMainWnd::OnDestroy() {
    tray_.DeleteTrayIcon();
    ui::PaintManager::QuitMessageLoop(0);
}

// The stop protocol: every stop event is set and the worker threads get up to
// the stop wait to end; the outcome is written by the thread places.
void CMainWnd::StopThreads() {
    Log(QStringLiteral("退出测试"));
    ShowWindow(false);
    if (threads_.HasStopEvents())
        threads_.StopAll(stopWait_);
    ui::PaintManager::QuitMessageLoop(0);
}

// --- timers -------------------------------------------------------------------

void CMainWnd::OnTimer(unsigned id) {
    switch (id) {
    case kTimerLightFlush:
        if (seams_.flushPendingWrites)
            seams_.flushPendingWrites(*this);
        break;
    case kTimerAnimation:
        if (seams_.advanceAnimation)
            seams_.advanceAnimation();
        break;
    case kTimerRedraw:
        KillTimer(kTimerRedraw);
        update();
        break;
    case kTimerMouseRead:
        KillTimer(kTimerMouseRead);
        if (seams_.readAllMouseSettings)
            seams_.readAllMouseSettings(*this);
        break;
    case kTimerRepaint:
        KillTimer(kTimerRepaint);
        UpdateDeviceNotice();
        if (seams_.repaintPreviews)
            seams_.repaintPreviews(*this);
        else
            update();
        if (OnScreen() && AnyDeviceConnected())
            SetTimer(kTimerRepaint, 50);
        if (liveTimers_)
            UpdateAnimationTimer();
        break;
    case kTimerKeyboardRead:
        KillTimer(kTimerKeyboardRead);
        if (seams_.readKeyboardSettings)
            seams_.readKeyboardSettings(*this);
        break;
    case kTimerMousepadRead:
        KillTimer(kTimerMousepadRead);
        if (seams_.readMousepadSettings)
            seams_.readMousepadSettings(*this);
        break;
    default:
        break;
    }
}

} // namespace zk::app
