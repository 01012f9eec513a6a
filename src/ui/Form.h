#pragma once
// The base of every function window: key preview with Enter-key navigation
// in tab order, the tab indices behind it, the standard error trap around
// event handlers, and the closed() signal the menu waits for.
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

#include <QWidget>

#include "common/Errors.h"

class QKeyEvent;

namespace hotaru::ui {

// The tab index and tab stop of a control (dynamic properties set by
// Form::setTabIndex); -1 when the control has none.
int TabIndex(const QWidget* w);
bool TabStop(const QWidget* w);

// Fills ctlTab (sized to the highest tab index + 2, so slots 0..ctlCount
// exist) with the window's controls at their tab index; controls without one
// are skipped.
void IndexControlsByTab(QWidget* window, std::vector<QWidget*>& ctlTab);
// Gives the focus to the control after the active one in tab order: the next
// slot holding a control that is a tab stop, enabled and visible; after the
// last, the first.  Slots at ctlCount and beyond are never used.
void MoveToNextTabStop(QWidget* window, const std::vector<QWidget*>& ctlTab, int ctlCount);

// A callable that runs f inside the standard error trap, for connect().
template <class F>
struct Guarded {
    F f;
    template <class... A>
    auto operator()(A&&... a) -> decltype(std::invoke(std::declval<F&>(), std::forward<A>(a)...), void()) {
        hotaru::Trap([&] { std::invoke(f, std::forward<A>(a)...); });
    }
};

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);
    ~Form() override;

    // Gives a control its place in the tab order.  A control that is not a
    // tab stop is still focusable by a click, never by Tab or Enter.
    void setTabIndex(QWidget* control, int index, bool tabStop = true);
    // Builds ctlTab/ctlCount from the tab indices given so far and chains the
    // Tab-key order the same way.  Call once every control has its index.
    void indexControls();
    void moveToNextTabStop() { MoveToNextTabStop(this, ctlTab, ctlCount); }

    // Enter-key navigation on (the default) or off (Enter then reaches the
    // controls; a focused button is pressed either way).
    void setEnterNavigation(bool on) { enterNavigation_ = on; }

    // Wraps a slot so that an exception shows the standard error message and
    // leaves the handler: connect(b, &QPushButton::clicked, this, guard([this] { ... }));
    template <class F>
    static Guarded<std::decay_t<F>> guard(F&& f) {
        return Guarded<std::decay_t<F>>{std::forward<F>(f)};
    }
    // Runs f now inside the standard error trap; false when it failed.
    template <class F>
    static bool handler(F&& f) {
        return hotaru::Trap(std::forward<F>(f));
    }

    std::vector<QWidget*> ctlTab;
    int ctlCount = 0;
    // The window is filling its own fields: change rules do nothing.
    bool isLoading = false;

signals:
    // The window has closed (it deletes itself afterwards).
    void closed();

protected:
    // Key preview: sees every key pressed in any control of the window before
    // the control does; true consumes the key.  The default presses a focused
    // button with Enter, and otherwise moves on with Enter.
    virtual bool formKeyDown(QKeyEvent* event);
    // Asked when the window is about to close; false keeps it open.  Runs
    // inside the error trap (a failure keeps nothing open by itself).
    virtual bool queryUnload() { return true; }

    void closeEvent(QCloseEvent* event) override;

private:
    friend class KeyPreviewFilter;
    bool enterNavigation_ = true;
};

}  // namespace hotaru::ui
