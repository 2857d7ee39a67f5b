#include "sim/DroneWindow.h"

#include "link/FrameCodec.h"
#include "platform/DeviceList.h"
#include "platform/DialogTemplate.h"
#include "platform/Translation.h"
#include "sim/SimDrone.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileSystemWatcher>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <iterator>

#include <sys/stat.h>

namespace {

constexpr int kInputPeriodMs = 10;
constexpr int kCompactWidth = 220;
constexpr int kRefreshPeriodMs = 40;
constexpr int kGamepadRetryTicks = 100; // look for a newly plugged gamepad once a second
constexpr float kKeyDeflection = 0.5f;
constexpr float kLevelLimit = 5.0f; // the game's window around level, for the horizon's marks

enum Key : unsigned { kLeft = 1, kRight = 2, kUp = 4, kDown = 8, kShift = 16 };

unsigned KeyBit(int key) {
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_A:
        return kLeft;
    case Qt::Key_Right:
    case Qt::Key_D:
        return kRight;
    case Qt::Key_Up:
    case Qt::Key_W:
        return kUp;
    case Qt::Key_Down:
    case Qt::Key_S:
        return kDown;
    case Qt::Key_Shift:
        return kShift;
    default:
        return 0;
    }
}

QString CommandText(const GameCommand& command) {
    if (command.action == kActionStop)
        return Aviluma::tr("停止（难度 %1，第 %2 次）")
            .arg(command.difficulty + 1)
            .arg(command.attempt + 1);
    if (command.difficulty == kOpeningDifficulty)
        return Aviluma::tr("开局");
    return Aviluma::tr("开始：难度 %1，第 %2 次")
        .arg(command.difficulty + 1)
        .arg(command.attempt + 1);
}

QString AttitudeText(const FlightState& state) {
    return Aviluma::tr("横滚 %1°   俯仰 %2°   航向 %3°")
        .arg(state.roll, 0, 'f', 1)
        .arg(state.pitch, 0, 'f', 1)
        .arg(state.yaw, 0, 'f', 0);
}

QString ReceivedText(long long heartbeats, long long commands) {
    return Aviluma::tr("收到心跳 %1 次，命令 %2 条")
        .arg(heartbeats)
        .arg(commands);
}

QString CommandLineText(const QString& command) {
    return Aviluma::tr("最近命令：%1").arg(command);
}

} // namespace

// ---- horizon ----------------------------------------------------------------------------------------

CHorizonView::CHorizonView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(kLeastSide, kLeastSide);
}

void CHorizonView::SetState(const FlightState& state) {
    m_state = state;
    update();
}

void CHorizonView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double radius = std::min(width(), height()) / 2.0 - 6;
    const double pixelsPerDegree = radius / 45.0;
    QPainterPath dial;
    dial.addEllipse(centre, radius, radius);
    p.fillRect(rect(), QColor(24, 28, 36));
    p.setClipPath(dial);

    // The world turns against the drone: roll tilts the horizon the other way, a rising nose sinks it.
    p.save();
    p.translate(centre);
    p.rotate(-m_state.roll);
    p.translate(0, m_state.pitch * pixelsPerDegree);
    p.fillRect(QRectF(-3 * radius, -3 * radius, 6 * radius, 3 * radius), QColor(58, 134, 216));
    p.fillRect(QRectF(-3 * radius, 0, 6 * radius, 3 * radius), QColor(138, 94, 52));
    p.setPen(QPen(Qt::white, 2));
    p.drawLine(QPointF(-3 * radius, 0), QPointF(3 * radius, 0));
    p.setPen(QPen(Qt::white, 1));
    for (int deg = -40; deg <= 40; deg += 10) {
        if (deg == 0)
            continue;
        const double y = -deg * pixelsPerDegree;
        const double half = deg % 20 == 0 ? radius * 0.25 : radius * 0.12;
        p.drawLine(QPointF(-half, y), QPointF(half, y));
    }
    p.restore();

    // The ±5° box the game asks for, green while the drone is inside it.
    const bool level = std::fabs(m_state.roll) <= kLevelLimit && std::fabs(m_state.pitch) <= kLevelLimit;
    const double box = kLevelLimit * pixelsPerDegree;
    p.setPen(QPen(level ? QColor(67, 160, 71) : QColor(255, 179, 0), 2, Qt::DashLine));
    p.drawRect(QRectF(centre.x() - box * 2, centre.y() - box, box * 4, box * 2));
    // The drone itself, fixed.
    p.setPen(QPen(QColor(255, 152, 0), 4));
    p.drawLine(centre + QPointF(-radius * 0.45, 0), centre + QPointF(-radius * 0.12, 0));
    p.drawLine(centre + QPointF(radius * 0.12, 0), centre + QPointF(radius * 0.45, 0));
    p.drawEllipse(centre, 4, 4);
    p.setClipping(false);
    p.setPen(QPen(QColor(90, 100, 120), 3));
    p.drawEllipse(centre, radius, radius);
}

// ---- on-screen stick ----------------------------------------------------------------------------------

CStickPad::CStickPad(QWidget* parent) : QWidget(parent) {
    setFixedSize(130, 130);
    setCursor(Qt::OpenHandCursor);
}

void CStickPad::ShowStick(Stick stick) {
    m_shown = stick;
    update();
}

void CStickPad::DragTo(QPointF point) {
    const double half = width() / 2.0;
    m_dragged.roll = static_cast<float>(std::clamp((point.x() - half) / (half - 15), -1.0, 1.0));
    // Pushed away from the pilot (up on the screen) lowers the nose.
    m_dragged.pitch = static_cast<float>(std::clamp((point.y() - half) / (half - 15), -1.0, 1.0));
    m_shown = m_dragged;
    update();
}

void CStickPad::mousePressEvent(QMouseEvent* event) {
    m_bDragging = true;
    setCursor(Qt::ClosedHandCursor);
    DragTo(event->position());
}

void CStickPad::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging)
        DragTo(event->position());
}

void CStickPad::mouseReleaseEvent(QMouseEvent*) {
    m_bDragging = false;
    m_dragged = {};
    setCursor(Qt::OpenHandCursor);
    ShowStick({});
}

void CStickPad::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double half = width() / 2.0;
    p.setBrush(QColor(30, 40, 60));
    p.setPen(QPen(QColor(95, 168, 255), 2));
    p.drawRoundedRect(rect().adjusted(1, 1, -1, -1), 12, 12);
    p.setPen(QPen(QColor(95, 168, 255, 90), 1));
    p.drawLine(QPointF(half, 8), QPointF(half, height() - 8));
    p.drawLine(QPointF(8, half), QPointF(width() - 8, half));
    const QPointF knob(half + m_shown.roll * (half - 15), half + m_shown.pitch * (half - 15));
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(QColor(255, 152, 0));
    p.drawEllipse(knob, 13, 13);
}

// ---- the window ------------------------------------------------------------------------------------

CDroneWindow::CDroneWindow(CSimDrone& drone, CFlightLoop& loop, QString settingsPath)
    : m_drone(drone), m_loop(loop), m_strSettingsPath(std::move(settingsPath)),
      m_gamepadSettings(LoadGamepadSettings(m_strSettingsPath)) {
    m_horizon = new CHorizonView(this);
    m_attitude = new QLabel(this);
    m_port = new QLabel(this);
    m_received = new QLabel(this);
    m_command = new QLabel(this);

    m_stickPad = new CStickPad(this);
    // Two inputs: a switch, named by what it does. (A list would be named by its current entry on an
    // AT-SPI desktop, and Tab would pass it by to keep the arrow keys for flying.)
    m_useGamepad = new QCheckBox(this);
    m_autopilot = new QCheckBox(this);
    m_keysHelp = new QLabel(this);
    m_keysHelp->setWordWrap(true);

    auto* gamepadBox = new QGroupBox(this);
    m_gamepadBox = gamepadBox;
    m_gamepadState = new QLabel(gamepadBox);
    m_rollAxis = new QSpinBox(gamepadBox);
    m_pitchAxis = new QSpinBox(gamepadBox);
    for (QSpinBox* axis : {m_rollAxis, m_pitchAxis})
        axis->setRange(0, 15);
    m_rollAxis->setValue(m_gamepadSettings.rollAxis);
    m_pitchAxis->setValue(m_gamepadSettings.pitchAxis);
    m_invertRoll = new QCheckBox(gamepadBox);
    m_invertPitch = new QCheckBox(gamepadBox);
    m_invertRoll->setChecked(m_gamepadSettings.invertRoll);
    m_invertPitch->setChecked(m_gamepadSettings.invertPitch);
    m_deadBand = new QSlider(Qt::Horizontal, gamepadBox);
    m_deadBand->setRange(0, 40);
    m_deadBand->setValue(static_cast<int>(std::lround(m_gamepadSettings.deadBand * 100)));
    m_rollAxisLabel = new QLabel(gamepadBox);
    m_pitchAxisLabel = new QLabel(gamepadBox);
    m_deadBandLabel = new QLabel(gamepadBox);
    m_rollAxisLabel->setBuddy(m_rollAxis);
    m_pitchAxisLabel->setBuddy(m_pitchAxis);
    m_deadBandLabel->setBuddy(m_deadBand);
    auto* rollRow = new QHBoxLayout;
    rollRow->addWidget(m_rollAxis);
    rollRow->addWidget(m_invertRoll);
    auto* pitchRow = new QHBoxLayout;
    pitchRow->addWidget(m_pitchAxis);
    pitchRow->addWidget(m_invertPitch);
    auto* form = new QFormLayout(gamepadBox);
    form->addRow(m_gamepadState);
    form->addRow(m_rollAxisLabel, rollRow);
    form->addRow(m_pitchAxisLabel, pitchRow);
    form->addRow(m_deadBandLabel, m_deadBand);
    for (QSpinBox* axis : {m_rollAxis, m_pitchAxis})
        connect(axis, &QSpinBox::valueChanged, this, [this] { SaveSettings(); });
    for (QCheckBox* invert : {m_invertRoll, m_invertPitch})
        connect(invert, &QCheckBox::toggled, this, [this] { SaveSettings(); });
    connect(m_deadBand, &QSlider::valueChanged, this, [this] { SaveSettings(); });
    connect(m_autopilot, &QCheckBox::toggled, this, [this](bool on) { m_loop.SetAutopilot(on); });
    m_autopilot->setChecked(m_loop.Autopilot());

    auto* left = new QVBoxLayout;
    left->addWidget(m_horizon, 1);
    left->addWidget(m_attitude);
    left->addWidget(m_port);
    left->addWidget(m_received);
    left->addWidget(m_command);
    auto* right = new QVBoxLayout;
    right->addWidget(m_useGamepad);
    right->addWidget(m_autopilot);
    right->addWidget(m_stickPad, 0, Qt::AlignHCenter);
    right->addWidget(m_keysHelp);
    right->addWidget(gamepadBox);
    right->addStretch();
    m_columns = new QBoxLayout(QBoxLayout::LeftToRight, this);
    m_columns->addLayout(left, 1);
    m_columns->addLayout(right);
    // Tab goes down the window, as it reads: the input, the autopilot, then the gamepad's settings row
    // by row. The window itself takes no focus, so the first Tab stop has it from the start; the
    // flying keys work from every control.
    QWidget* order[] = {m_useGamepad, m_autopilot,   m_rollAxis, m_invertRoll,
                        m_pitchAxis,  m_invertPitch, m_deadBand};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    ShowTexts();

    // The changing lines wrap rather than widen the window, which stands beside the game.
    for (QLabel* line : {m_attitude, m_port, m_received, m_command, m_gamepadState})
        line->setWordWrap(true);
    Place();
    qApp->installEventFilter(this);

    // The game's language, whenever it changes while the drone flies.
    m_languageWatch = new QFileSystemWatcher(this);
    m_languageSeen = LanguageFileStamp();
    if (m_languageWatch->addPath(DeviceRegistryFolder()))
        connect(m_languageWatch, &QFileSystemWatcher::directoryChanged, this, [this] { FollowLanguage(); });

    m_loop.SetInput([this] { return Stick{m_fStickRoll.load(), m_fStickPitch.load()}; });
    m_gamepad.Open();
    auto* inputTimer = new QTimer(this);
    connect(inputTimer, &QTimer::timeout, this, [this] { Tick(); });
    inputTimer->start(kInputPeriodMs);
    auto* refreshTimer = new QTimer(this);
    connect(refreshTimer, &QTimer::timeout, this, [this] { Refresh(); });
    refreshTimer->start(kRefreshPeriodMs);
    Refresh();
}

void CDroneWindow::Place() {
    // The longest each changing line can be: tilted past any limit, counts of five digits, the
    // longer of the two commands with two-digit numbers.
    GameCommand stop;
    stop.action = kActionStop;
    stop.difficulty = 9;
    stop.attempt = 9;
    GameCommand start = stop;
    start.action = kActionStart;
    const QString commands[] = {CommandText(stop), CommandText(start)};
    m_attitude->setText(AttitudeText({-999.9f, -99.9f, 359.0f}));
    m_received->setText(ReceivedText(99999, 99999));
    m_command->setText(CommandLineText(std::max(
        commands[0], commands[1], [](const QString& a, const QString& b) { return a.size() < b.size(); })));
    m_fullSize = sizeHint().expandedTo(QSize(500, 440));
    SetCompact(true);
    // Narrow enough to stand beside the game on a 1366-pixel screen; the texts wrap to fit.
    const int compactWidth = std::max(kCompactWidth, minimumSizeHint().width());
    m_compactSize =
        QSize(compactWidth, m_columns->hasHeightForWidth() ? m_columns->totalHeightForWidth(compactWidth)
                                                           : sizeHint().height());
    SetCompact(false);
    Refresh(); // the lines as they are
    QSize size = m_fullSize;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const DronePlacement place =
            PlaceDroneWindow(screen->availableGeometry(), m_fullSize, m_compactSize, CompactLeastHeight());
        SetCompact(place.compact);
        size = place.frame.size();
        move(place.frame.topLeft());
    }
    resize(size);
}

void CDroneWindow::ShowTexts() {
    setWindowTitle(Aviluma::tr("Aviluma 模拟无人机"));
    m_port->setText(Aviluma::tr("端口：%1").arg(m_drone.DevicePath()));
    m_useGamepad->setText(Aviluma::tr("用手柄或遥控器操纵"));
    m_autopilot->setText(Aviluma::tr("自动驾驶（演示）"));
    m_keysHelp->setText(Tr(
        QStringLiteral(QT_TRANSLATE_NOOP("Aviluma", "目标：把横滚和俯仰拉回 ±5° 框内，保持 1 秒。\n"
                                                    "W/↑ 机头向下，S/↓ 机头向上，\nA/← 向左滚，D/→ 向右滚；"
                                                    "按住 Shift 满舵。\n也可用鼠标拖动摇杆。"))));
    m_gamepadBox->setTitle(Aviluma::tr("手柄设置"));
    m_invertRoll->setText(Aviluma::tr("反向"));
    m_invertPitch->setText(Aviluma::tr("反向"));
    const QString rollAxis = Aviluma::tr("横滚轴");
    const QString pitchAxis = Aviluma::tr("俯仰轴");
    m_rollAxisLabel->setText(rollAxis);
    m_pitchAxisLabel->setText(pitchAxis);
    m_deadBandLabel->setText(Aviluma::tr("死区"));
    // A row of two controls has no label of its own for a screen reader, and both say "反向".
    m_rollAxis->setAccessibleName(rollAxis);
    m_pitchAxis->setAccessibleName(pitchAxis);
    m_invertRoll->setAccessibleName(Aviluma::tr("横滚反向"));
    m_invertPitch->setAccessibleName(Aviluma::tr("俯仰反向"));
}

void CDroneWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange && m_columns != nullptr) {
        ShowTexts();
        Place(); // the other language's texts take other room
    }
    QWidget::changeEvent(event);
}

CDroneWindow::LanguageStamp CDroneWindow::LanguageFileStamp() {
    struct stat st {};
    if (::stat(QFile::encodeName(SessionLanguagePath()).constData(), &st) != 0)
        return {};
    return {st.st_ino, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

void CDroneWindow::FollowLanguage() {
    // The registry's other entries come and go too; and a language written before the drone started
    // (by an earlier game of the session) is not a switch to follow: only a new file is.
    const LanguageStamp stamp = LanguageFileStamp();
    if (stamp == m_languageSeen)
        return;
    m_languageSeen = stamp;
    const std::optional<Language> language = LanguageFromCode(ReadSessionLanguage());
    if (language && *language != InstalledLanguage())
        InstallLanguage(*language); // every widget hears of it (LanguageChange) and shows its texts anew
}

Stick CDroneWindow::KeyboardStick() const {
    const float deflection = (m_keys & kShift) ? 1.0f : kKeyDeflection;
    Stick stick;
    stick.roll = (((m_keys & kRight) ? 1.0f : 0.0f) - ((m_keys & kLeft) ? 1.0f : 0.0f)) * deflection;
    stick.pitch = (((m_keys & kDown) ? 1.0f : 0.0f) - ((m_keys & kUp) ? 1.0f : 0.0f)) * deflection;
    return stick;
}

bool CDroneWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    const unsigned bit = KeyBit(key->key());
    // Alt, Ctrl and Meta make other keys of them (Alt+Down opens the input list).
    if (widget == nullptr || widget->window() != this || bit == 0 ||
        (key->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0)
        return false;
    if (event->type() == QEvent::KeyPress)
        m_keys |= bit;
    else if (!key->isAutoRepeat())
        m_keys &= ~bit;
    return true;
}

void CDroneWindow::SetCompact(bool compact) {
    // Compact: one column, without the gamepad's settings.
    m_bCompact = compact;
    m_columns->setDirection(compact ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_gamepadBox->setVisible(!compact);
    m_columns->activate();
}

DronePlacement PlaceDroneWindow(const QRect& area, QSize full, QSize compact, int compactLeast) {
    constexpr int kGap = 4;
    // What a window manager may add around the window: borders and a title bar.
    constexpr QSize kFrame(8, 36);
    QRect game(QPoint(), kFullWindowSize);
    game.moveCenter(area.center());
    for (const bool small : {false, true}) {
        const QSize size = (small ? compact : full) + kFrame;
        // Beside the game, level with its top, or higher where the screen is short.
        const int top = std::max(area.top(), std::min(game.top(), area.bottom() + 1 - size.height()));
        const QRect candidates[] = {
            QRect(QPoint(game.right() + 1 + kGap, top), size),
            QRect(QPoint(game.left() - kGap - size.width(), top), size),
            QRect(QPoint(game.left(), game.bottom() + 1 + kGap), size),
        };
        for (const QRect& frame : candidates)
            if (area.contains(frame))
                return {QRect(frame.topLeft(), frame.size() - kFrame), small};
    }
    // Over the game's left part, whose pictures the drone window shows itself; the right column stays
    // clear, and so does the connect button where there is room above it.
    const QRect connect = kConnectButton.translated(game.topLeft());
    const int room = connect.top() - kGap - area.top() - kFrame.height();
    if (room >= (compactLeast < 0 ? compact.height() : compactLeast))
        return {QRect(area.topLeft(), QSize(compact.width(), std::min(compact.height(), room))), true};
    return {QRect(QPoint(area.left(), area.bottom() + 1 - compact.height() - kFrame.height()), compact),
            true};
}

void CDroneWindow::Tick() {
    Stick stick;
    if (m_useGamepad->isChecked()) {
        if (!m_gamepad.IsOpen() && --m_nTicksToRetry <= 0) {
            m_nTicksToRetry = kGamepadRetryTicks;
            m_gamepad.Open();
        }
        stick = m_gamepad.Read(m_gamepadSettings);
    } else {
        stick = m_stickPad->Dragging() ? m_stickPad->Dragged() : KeyboardStick();
    }
    m_fStickRoll = stick.roll;
    m_fStickPitch = stick.pitch;
}

void CDroneWindow::Refresh() {
    const FlightState state = m_loop.State();
    m_horizon->SetState(state);
    m_attitude->setText(AttitudeText(state));
    m_received->setText(
        ReceivedText(m_drone.CountReceived(kMsgHeartbeat), m_drone.CountReceived(kMsgCommand)));
    const auto command = m_loop.LastCommand();
    m_command->setText(CommandLineText(command ? CommandText(*command)
                                               : Aviluma::tr("无")));
    if (!m_stickPad->Dragging())
        m_stickPad->ShowStick(m_loop.LastStick());
    m_gamepadState->setText(m_gamepad.IsOpen()
                                ? Aviluma::tr("已连接：%1（%2 个轴）")
                                      .arg(m_gamepad.Name())
                                      .arg(m_gamepad.AxisCount())
                                : Aviluma::tr("未发现手柄"));
}

void CDroneWindow::SaveSettings() {
    m_gamepadSettings.rollAxis = m_rollAxis->value();
    m_gamepadSettings.pitchAxis = m_pitchAxis->value();
    m_gamepadSettings.invertRoll = m_invertRoll->isChecked();
    m_gamepadSettings.invertPitch = m_invertPitch->isChecked();
    m_gamepadSettings.deadBand = static_cast<float>(m_deadBand->value()) / 100.0f;
    SaveGamepadSettings(m_gamepadSettings, m_strSettingsPath);
}
