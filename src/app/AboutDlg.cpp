#include "app/AboutDlg.h"

#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "res/Resources.h"
#include "state/Version.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace {

// The program's icon, as large as its box allows and drawn at the screen's density: the box's size
// follows the dialog's font, so a fixed picture size would be cut or lost in it.
class CIconBox : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const int side = std::min(width(), height());
        IconResourceIcon(IDR_MAINFRAME)
            .paint(&painter, QRect((width() - side) / 2, (height() - side) / 2, side, side));
    }
};

} // namespace

CAboutDlg::CAboutDlg() : CDialogShell(*FindDialogTemplate(IDD_ABOUTBOX)) {}

QWidget* CAboutDlg::CreateControl(const ControlTemplate& control) {
    if (control.id == IDC_STC_VERSION) {
        auto* label = qobject_cast<QLabel*>(CDialogShell::CreateControl(control));
        // A build's version is long ("2.2+git20261209.174705.178949c"): it takes a second line.
        label->setText(label->text().arg(QString::fromLatin1(kAvilumaVersion)));
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    }
    if (control.id != IDR_MAINFRAME)
        return CDialogShell::CreateControl(control);
    return new CIconBox(this);
}

void CAboutDlg::OnInitDialog() {
    connect(Control<QAbstractButton>(IDOK), &QAbstractButton::clicked, this,
            [this] { EndDialog(QDialog::Accepted); });
}
