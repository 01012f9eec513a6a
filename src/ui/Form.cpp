#include "ui/Form.h"

#include <algorithm>
#include <map>

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>

#include "ui/TabOrder.h"

namespace hotaru::ui {

namespace {
constexpr const char* kTabIndex = "hotaruTabIndex";
constexpr const char* kTabStop = "hotaruTabStop";
}  // namespace

// One filter on the application sees every key before the control it is
// meant for, and passes it to the control's window first.
class KeyPreviewFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
        auto* receiver = static_cast<QWidget*>(watched);
        auto* form = qobject_cast<Form*>(receiver->window());
        if (!form) return false;
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
    if (!enterNavigation_) return false;
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) return false;
    if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
    if (enterWanted(QApplication::focusWidget())) return false;
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
