#include "ui/Form.h"

#include <algorithm>
#include <map>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>

#include "ui/TabOrder.h"

namespace hotaru::ui {

namespace {
constexpr const char* kTabIndex = "hotaruTabIndex";
constexpr const char* kTabStop = "hotaruTabStop";
}  // namespace

namespace {

bool isEnter(const QKeyEvent* event) {
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

// Enter on a focused push button presses it.  Buttons that take Enter on
// their own (a dialog's default button) are left to do so.
bool pressButtonWithEnter(QKeyEvent* event, bool always) {
    auto* button = qobject_cast<QPushButton*>(QApplication::focusWidget());
    if (!button || !isEnter(event)) return false;
    if (!always && (button->autoDefault() || button->isDefault())) return false;
    if (button->isEnabled()) button->click();
    return true;
}

}  // namespace

// A frame in the highlight colour around the control with the focus, so
// that it shows in every window however the focus got there (the style
// draws its own focus cue for Tab only).
class FocusMark : public QWidget {
public:
    static constexpr const char* kName = "hotaruFocusMark";

    explicit FocusMark(QWidget* window) : QWidget(window) {
        setObjectName(QLatin1String(kName));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
    }

    void follow(QWidget* control) {
        if (control != target_) {
            watch(false);
            target_ = control;
            watch(true);
        }
        place();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::Show:
        case QEvent::Hide: place(); break;
        default: break;
        }
        return false;
    }

    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), QApplication::palette().color(QPalette::Highlight));
    }

private:
    static constexpr int kGap = 1;    // between the control and the frame
    static constexpr int kWidth = 2;  // of the frame

    // The control and the widgets that hold it: any of them moving moves it.
    void watch(bool on) {
        for (QWidget* w = target_; w && w != parentWidget(); w = w->parentWidget())
            on ? w->installEventFilter(this) : w->removeEventFilter(this);
    }

    void place() {
        QWidget* form = parentWidget();
        if (!target_ || !target_->isVisibleTo(form)) {
            hide();
            return;
        }
        const QRect control(target_->mapTo(form, QPoint(0, 0)), target_->size());
        const int out = kGap + kWidth;
        setGeometry(control.adjusted(-out, -out, out, out));
        const QRect all = rect();
        setMask(QRegion(all).subtracted(QRegion(all.adjusted(kWidth, kWidth, -kWidth, -kWidth))));
        show();
        raise();
    }

    QPointer<QWidget> target_;
};

namespace {

// Every window of the program shows its focus; popups and Qt's standard
// dialogs keep their own look.
void markFocus(QWidget* control) {
    QWidget* window = control ? control->window() : nullptr;
    if (!window || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip) return;
    for (const char* standard : {"QMessageBox", "QFileDialog", "QAbstractPrintDialog", "QPageSetupDialog"})
        if (window->inherits(standard)) return;
    auto* mark = static_cast<FocusMark*>(window->findChild<QWidget*>(FocusMark::kName, Qt::FindDirectChildrenOnly));
    if (!mark) mark = new FocusMark(window);
    mark->follow(control);
}

}  // namespace

// One filter on the application sees every key before the control it is
// meant for, and passes it to the control's window first.  It also keeps
// the focus mark of each window on the control with the focus.
class KeyPreviewFilter : public QObject {
public:
    KeyPreviewFilter() {
        connect(qApp, &QApplication::focusChanged, this, [](QWidget*, QWidget* now) { markFocus(now); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* receiver = static_cast<QWidget*>(watched);
        auto* form = qobject_cast<Form*>(receiver->window());
        if (!form) {
            // The other windows of the program (list preview, check list):
            // Enter presses their focused buttons too.
            return receiver == QApplication::focusWidget() && pressButtonWithEnter(static_cast<QKeyEvent*>(event), false);
        }
        // A key the control ignored travels on to its parents; the window
        // has seen it already at the first receiver.
        QWidget* focused = QApplication::focusWidget();
        bool first = receiver == focused || (receiver == form && (!focused || focused->window() != form));
        if (!first) return false;
        bool consumed = false;
        hotaru::Trap([&] { consumed = form->formKeyDown(static_cast<QKeyEvent*>(event)); });
        return consumed;
    }
};

namespace {
KeyPreviewFilter* gKeyPreview = nullptr;
int gForms = 0;
}  // namespace

int TabIndex(const QWidget* w) {
    if (!w) return -1;
    QVariant v = w->property(kTabIndex);
    return v.isValid() ? v.toInt() : -1;
}

bool TabStop(const QWidget* w) {
    if (!w) return false;
    QVariant v = w->property(kTabStop);
    return v.isValid() && v.toBool();
}

void IndexControlsByTab(QWidget* window, std::vector<QWidget*>& ctlTab) {
    int highest = -1;
    const auto controls = window->findChildren<QWidget*>();
    for (QWidget* c : controls) highest = std::max(highest, TabIndex(c));
    ctlTab.assign(static_cast<std::size_t>(highest + 2), nullptr);
    for (QWidget* c : controls) {
        int index = TabIndex(c);
        if (index >= 0) ctlTab[static_cast<std::size_t>(index)] = c;
    }
}

void MoveToNextTabStop(QWidget* window, const std::vector<QWidget*>& ctlTab, int ctlCount) {
    // The active control, or the control that holds it (a drop-down's inner editor).
    QWidget* active = QApplication::focusWidget();
    while (active && active != window && TabIndex(active) < 0) active = active->parentWidget();
    int current = active && active != window ? TabIndex(active) : -1;
    int count = std::min<int>(ctlCount, static_cast<int>(ctlTab.size()));
    int next = NextTabStop(current, count, [&](int i) {
        QWidget* c = ctlTab[static_cast<std::size_t>(i)];
        return c && TabStop(c) && c->isEnabled() && c->isVisibleTo(window) && c->focusPolicy() != Qt::NoFocus;
    });
    // Not a Tab focus: a line edit would select its text on its own, and
    // selecting is the field's own rule.
    if (next >= 0) ctlTab[static_cast<std::size_t>(next)]->setFocus(Qt::OtherFocusReason);
}

Form::Form(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_DeleteOnClose);
    if (!gKeyPreview) {
        gKeyPreview = new KeyPreviewFilter;
        qApp->installEventFilter(gKeyPreview);
    }
    ++gForms;
}

Form::~Form() {
    if (--gForms == 0 && gKeyPreview) {
        qApp->removeEventFilter(gKeyPreview);
        delete gKeyPreview;
        gKeyPreview = nullptr;
    }
}

void Form::setTabIndex(QWidget* control, int index, bool tabStop) {
    control->setProperty(kTabIndex, index);
    control->setProperty(kTabStop, tabStop);
    if (!tabStop && (control->focusPolicy() & Qt::TabFocus)) control->setFocusPolicy(Qt::ClickFocus);
}

void Form::indexControls() {
    IndexControlsByTab(this, ctlTab);
    ctlCount = ctlTab.empty() ? 0 : static_cast<int>(ctlTab.size()) - 1;
    // The Tab key follows the same order.
    QWidget* previous = nullptr;
    for (int i = 0; i < ctlCount; ++i) {
        QWidget* c = ctlTab[static_cast<std::size_t>(i)];
        if (!c || c->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, c);
        previous = c;
    }
}

bool Form::formKeyDown(QKeyEvent* event) {
    // A focused button is pressed in every window, whether it moves on with Enter or not.
    if (pressButtonWithEnter(event, true)) return true;
    if (!enterNavigation_ || !isEnter(event)) return false;
    moveToNextTabStop();
    return true;
}

void Form::closeEvent(QCloseEvent* event) {
    bool close = true;
    hotaru::Trap([&] { close = queryUnload(); });
    if (!close) {
        event->ignore();
        return;
    }
    event->accept();
    emit closed();
}

}  // namespace hotaru::ui
