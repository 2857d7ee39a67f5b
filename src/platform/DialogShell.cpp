#include "platform/DialogShell.h"

#include "platform/Translation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

bool IsEnterKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease &&
        event->type() != QEvent::ShortcutOverride)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

QFont NarrowToFit(QFont font, const QString& sample, int width) {
    constexpr int kNarrowest = 70; // per cent; narrower text gets hard to read
    for (int stretch = 100; stretch >= kNarrowest; stretch -= 2) {
        font.setStretch(stretch);
        if (QFontMetrics(font).horizontalAdvance(sample) <= width)
            break;
    }
    return font;
}

CDialogShell::CDialogShell(const DialogTemplate& dialog, std::function<QImage(QSize)> background)
    : m_template(&dialog), m_backgroundSource(std::move(background)) {
    setWindowTitle(Tr(QString::fromUtf16(m_template->title)));
    QFont font(QString::fromUtf16(m_template->fontFace));
    font.setPointSize(m_template->fontPoints);
    setFont(font);
    if (m_template->fullWindow) {
        // No caption and no frame: the window's own picture carries its caption and close button.
        setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
        setFixedSize(kFullWindowSize);
    } else {
        setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                       Qt::WindowCloseButtonHint);
    }
    installEventFilter(this);
}

CDialogShell::~CDialogShell() = default;

QSize CDialogShell::BaseUnits() const {
    // Dialog units of a dialog: a quarter of the font's average character width, an eighth of its height.
    const QFontMetrics metrics(font());
    const QString sample = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return QSize((metrics.horizontalAdvance(sample) / 26 + 1) / 2, metrics.height());
}

QRect CDialogShell::ControlRect(int id) const {
    const ControlTemplate* control = FindControlTemplate(*m_template, id);
    return control ? DialogUnitsToPixels(*m_template, control->rectDu, BaseUnits()) : QRect();
}

QWidget* CDialogShell::CreateControl(const ControlTemplate& control) {
    const QString text = Tr(QString::fromUtf16(control.text));
    switch (control.kind) {
    case ControlKind::PushButton: {
        auto* button = new QPushButton(text, this);
        button->setAutoDefault(false);
        return button;
    }
    case ControlKind::Edit:
        return new QLineEdit(text, this);
    case ControlKind::BlackFrame: {
        auto* frame = new QFrame(this);
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        return frame;
    }
    case ControlKind::Static:
        break;
    }
    return new QLabel(text, this);
}

void CDialogShell::FitLabelText(QWidget* widget) {
    auto* label = qobject_cast<QLabel*>(widget);
    if (label != nullptr && !label->text().isEmpty())
        label->setFont(NarrowToFit(label->font(), label->text(), label->width()));
}

void CDialogShell::CreateControls() {
    // Every opening starts from the template: the controls of the last opening go.
    for (auto& [id, widget] : m_controls)
        delete widget;
    m_controls.clear();
    int anonymous = -1;
    for (const ControlTemplate& control : m_template->controls) {
        QWidget* widget = CreateControl(control);
        widget->setGeometry(DialogUnitsToPixels(*m_template, control.rectDu, BaseUnits()));
        FitLabelText(widget);
        widget->installEventFilter(this);
        widget->show();
        m_controls[control.id >= 0 ? control.id : anonymous--] = widget;
    }
    if (!m_template->fullWindow) {
        const QSize base = BaseUnits();
        setFixedSize(m_template->sizeDu.width() * base.width() / 4,
                     m_template->sizeDu.height() * base.height() / 8);
    }
    ApplyTabOrder();
}

void CDialogShell::ShowModeless() {
    CreateControls();
    ShowTemplateTitle();
    OnInitDialog();
    show();
}

// The template's title in the language of the moment: the player may have switched since the window
// was made. A window whose template has none keeps the title it set itself.
void CDialogShell::ShowTemplateTitle() {
    if (const QString title = QString::fromUtf16(m_template->title); !title.isEmpty())
        setWindowTitle(Tr(title));
}

int CDialogShell::DoModal() {
    CreateControls();
    ShowTemplateTitle();
    OnInitDialog();
    // Opened over the window the player is in: transient for it, so it stays above it and in its place
    // in the task list, and centred on it. Given back afterwards, so no owner ever deletes it.
    QWidget* opener = QApplication::activeModalWidget();
    if (opener == nullptr)
        opener = QApplication::activeWindow();
    const bool overOpener = opener != nullptr && opener != this;
    if (overOpener) {
        setParent(opener, windowFlags());
        // Placed, not left to the window manager: a placed window keeps its place.
        const QRect over = opener->frameGeometry();
        move(over.x() + (over.width() - width()) / 2, over.y() + (over.height() - height()) / 2);
    } else if (const QScreen* shown = screen()) {
        // The first window: in the middle of the screen's free area, where the simulated drone's
        // window expects it when it places itself beside it.
        const QRect area = shown->availableGeometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
    const int result = exec();
    if (overOpener)
        setParent(nullptr, windowFlags());
    return result;
}

std::vector<int> CDialogShell::TabOrder() const {
    constexpr int kRowDu = 20; // controls whose tops lie this close stand in one row
    std::vector<const ControlTemplate*> focusable;
    for (const ControlTemplate& control : m_template->controls) {
        const QWidget* widget = GetDlgItem(control.id);
        if (control.id >= 0 && widget != nullptr && (widget->focusPolicy() & Qt::TabFocus))
            focusable.push_back(&control);
    }
    std::stable_sort(focusable.begin(), focusable.end(),
                     [](const ControlTemplate* a, const ControlTemplate* b) {
                         const int rowA = a->rectDu.y() / kRowDu, rowB = b->rectDu.y() / kRowDu;
                         return rowA != rowB ? rowA < rowB : a->rectDu.x() < b->rectDu.x();
                     });
    std::vector<int> ids;
    for (const ControlTemplate* control : focusable)
        ids.push_back(control->id);
    return ids;
}

void CDialogShell::ApplyTabOrder() {
    QWidget* previous = nullptr;
    for (const int id : TabOrder()) {
        QWidget* widget = GetDlgItem(id);
        if (widget == nullptr)
            continue;
        if (previous != nullptr)
            setTabOrder(previous, widget);
        previous = widget;
    }
}

void CDialogShell::EndDialog(int result) {
    for (QTimer* timer : m_timers)
        timer->stop();
    done(result);
}

QWidget* CDialogShell::GetDlgItem(int id) const {
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

void CDialogShell::NoSuchControl(int id) const {
    qFatal("dialog %d: control %d is %s", m_template->id, id,
           GetDlgItem(id) == nullptr ? "missing" : "not of the kind asked for");
}

CDialogTimer::CDialogTimer(CDialogShell& window, std::function<void()> onTick) : m_window(window) {
    connect(this, &QTimer::timeout, &window, std::move(onTick));
    m_window.m_timers.push_back(this);
}

CDialogTimer::~CDialogTimer() {
    std::erase(m_window.m_timers, this);
}

void CDialogShell::paintEvent(QPaintEvent* event) {
    if (!m_backgroundSource) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // The painter's scale is the density drawn at: the screen's, or that of an image the window is
    // drawn into. Asked afresh for it, the picture stays as sharp as the text over it.
    const QTransform device = painter.deviceTransform();
    const QSize deviceSize = size() * std::hypot(device.m11(), device.m12());
    // Drawn again for another size, or in another language (the words of the picture).
    if (m_background.size() != deviceSize || m_backgroundLanguage != InstalledLanguage()) {
        m_background = m_backgroundSource(deviceSize);
        m_backgroundLanguage = InstalledLanguage();
    }
    painter.drawImage(rect(), m_background);
}

void CDialogShell::reject() {
    OnCancel(); // Esc
}

void CDialogShell::closeEvent(QCloseEvent* event) {
    // The window manager's close: the cancel step decides whether the window really goes.
    event->ignore();
    OnCancel();
}

bool CDialogShell::eventFilter(QObject* watched, QEvent* event) {
    if (IsEnterKey(event)) {
        event->accept();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void CDialogShell::mousePressEvent(QMouseEvent* event) {
    // A press on the window's own background (the controls take their own) may start a drag of a
    // frameless window: once the pointer moves with the button still down.
    if (m_template->fullWindow && event->button() == Qt::LeftButton) {
        m_bDragging = true;
        m_bSystemMove = false;
        m_ptDragStart = event->globalPosition().toPoint();
        m_ptDragOffset = m_ptDragStart - frameGeometry().topLeft();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CDialogShell::mouseMoveEvent(QMouseEvent* event) {
    // Only while the button is down: a release the window never saw (a quick click, a press whose
    // release went to another window) must not leave it following the pointer.
    if (m_bDragging && !(event->buttons() & Qt::LeftButton))
        m_bDragging = false;
    if (m_bDragging && !m_bSystemMove) {
        const QPoint at = event->globalPosition().toPoint();
        // The window manager moves the window where it can, asked only once the drag is real: asked
        // at the press, it may begin after a quick click's release and then wait for another.
        if ((at - m_ptDragStart).manhattanLength() >= QApplication::startDragDistance() &&
            BeginSystemMove()) {
            m_bSystemMove = true;
            return;
        }
        move(at - m_ptDragOffset);
        return;
    }
    QDialog::mouseMoveEvent(event);
}

bool CDialogShell::BeginSystemMove() {
    return windowHandle() != nullptr && windowHandle()->startSystemMove();
}

void CDialogShell::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        QWidget* target = focusWidget() != nullptr ? focusWidget() : this;
        const QPoint at = target->rect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &menu); // a control that has no menu passes it to its window
        return;
    }
    QDialog::keyPressEvent(event);
}

void CDialogShell::mouseReleaseEvent(QMouseEvent* event) {
    m_bDragging = false;
    m_bSystemMove = false;
    QDialog::mouseReleaseEvent(event);
}
