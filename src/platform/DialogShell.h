// The base of every window of the program: a dialog built from a template table at each opening, with
// the habits the windows were written for.
//
// - Controls are created afresh from the template at every opening (so each starts with its template
//   text), placed by their rectangles in dialog units; the window's class decides which kind of widget
//   each control id becomes.
// - The set-up (OnInitDialog) runs at every opening; it takes the window's controls by id (Control<T>)
//   and connects their signals to the window's handlers, since each opening has new controls.
// - A window's timers are its members (CDialogTimer); they stop when the window ends.
// - Esc and the window manager's close both lead to the cancel step (OnCancel); Enter is swallowed
//   everywhere in the dialog, so it never presses a button or closes the window.
// - Full windows are frameless, 800 x 600, with their background picture drawn over the whole client
//   area at the density of the screen the window is on (kept until the window's size or density
//   changes), and can be dragged by their background.
#pragma once

#include "platform/DialogTemplate.h"
#include "platform/Translation.h"

#include <QDialog>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <vector>

// font, narrowed (never shortened) until sample fits width pixels: our faces run wider than the ones
// the windows were laid out for, and a text cut at its control's edge looks broken.
QFont NarrowToFit(QFont font, const QString& sample, int width);

class CDialogShell : public QDialog {
public:
    // A window built from dialog, with the picture background(size) draws at size device pixels
    // stretched over it (none without one). It is asked for at the first paint and again when the
    // window's size in device pixels changes, as on a move to a screen of another density.
    explicit CDialogShell(const DialogTemplate& dialog, std::function<QImage(QSize)> background = {});
    ~CDialogShell() override;

    // Creates the controls, runs the set-up and the modal loop; returns the result of EndDialog. The
    // window opens over the one the player is in (centred on it, and kept above it by the window
    // manager), not wherever the window manager likes.
    int DoModal();
    // The same without the modal loop: the window is shown and returns at once (tests drive it so).
    void ShowModeless();
    // Ends the modal loop (or hides an opened window) with result.
    void EndDialog(int result);

    QWidget* GetDlgItem(int id) const;
    // The control id of this opening as the kind of widget the window made it; a control that is
    // missing or of another kind is a fault of the program, stopped here rather than at its use.
    template <class T>
    T* Control(int id) const {
        T* control = dynamic_cast<T*>(GetDlgItem(id));
        if (control == nullptr)
            NoSuchControl(id);
        return control;
    }
    // A control's rectangle in this window's pixels, from the template.
    QRect ControlRect(int id) const;

protected:
    // The widget for one template control; the default makes plain Qt widgets.
    virtual QWidget* CreateControl(const ControlTemplate& control);
    virtual void OnInitDialog() {}
    // Esc and the close command; the default ends the dialog with the cancel result.
    virtual void OnCancel() { EndDialog(QDialog::Rejected); }
    // The ids of the controls the Tab key visits, in order. The default: every control that takes the
    // focus, in reading order of the window (rows from the top, left to right within a row).
    virtual std::vector<int> TabOrder() const;

    void paintEvent(QPaintEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Asks the window manager to move the window with the pointer (false where it cannot).
    virtual bool BeginSystemMove();
    // Shift+F10 opens the context menu, as the Menu key does, on keyboards without one.
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class CDialogTimer;

    [[noreturn]] void NoSuchControl(int id) const;
    void ShowTemplateTitle();
    void CreateControls();
    void ApplyTabOrder();
    QSize BaseUnits() const;
    static void FitLabelText(QWidget* widget);

    const DialogTemplate* m_template;
    std::function<QImage(QSize)> m_backgroundSource;
    QImage m_background; // at the window's size in device pixels, as last painted
    Language m_backgroundLanguage = Language::Chinese; // the language m_background was drawn in
    std::map<int, QWidget*> m_controls;
    std::vector<QTimer*> m_timers; // the windows' CDialogTimer members
    bool m_bDragging = false;
    bool m_bSystemMove = false; // the window manager moves the window
    QPoint m_ptDragStart;
    QPoint m_ptDragOffset;
};

// A timer held by its window as a member: each tick calls onTick on the UI thread, and it stops when
// the window ends (EndDialog), so no tick reaches a window that is closed.
class CDialogTimer : public QTimer {
public:
    CDialogTimer(CDialogShell& window, std::function<void()> onTick);
    ~CDialogTimer() override;
    CDialogTimer(const CDialogTimer&) = delete;
    CDialogTimer& operator=(const CDialogTimer&) = delete;

private:
    CDialogShell& m_window;
};
