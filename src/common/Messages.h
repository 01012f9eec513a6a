#pragma once
// Message boxes behind an interface: the windows show them with Qt, the
// command line prints them, tests answer them from a script.
#include <deque>
#include <string>
#include <vector>

namespace hotaru {

// Style parts: buttons + icon + default button + modality.
enum MsgStyle : int {
    vbOKOnly = 0, vbOKCancel = 1, vbAbortRetryIgnore = 2, vbYesNoCancel = 3, vbYesNo = 4, vbRetryCancel = 5,
    vbCritical = 16, vbQuestion = 32, vbExclamation = 48, vbInformation = 64,
    vbDefaultButton1 = 0, vbDefaultButton2 = 256, vbDefaultButton3 = 512,
    vbApplicationModal = 0, vbSystemModal = 4096,
};
enum MsgAnswer : int { vbOK = 1, vbCancel = 2, vbAbort = 3, vbRetry = 4, vbIgnore = 5, vbYes = 6, vbNo = 7 };

inline constexpr const char* kAppTitle = "Hotaru";

class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // prompt lines are joined with CR or CR LF; title is never empty here.
    virtual int show(const std::string& prompt, int style, const std::string& title) = 0;
    virtual void beep() {}
};

// The presenter in use (never null: without one, messages go to stderr and
// the default button is the answer).
void SetMessagePresenter(MessagePresenter* presenter);
MessagePresenter& CurrentMessagePresenter();

// Shows a message; an empty title shows the application's title.
int MsgBox(const std::string& prompt, int style = vbOKOnly, const std::string& title = {});
void Beep();

// The answer of the style's default button (vbYesNo + vbDefaultButton2 -> vbNo).
int DefaultButtonAnswer(int style);

// Splits a prompt at CR LF, CR or LF.
std::vector<std::string> MessageLines(const std::string& prompt);

// For tests: records every message and answers from a queue; with the queue
// empty the answer is the default button's.
class ScriptedMessages : public MessagePresenter {
public:
    struct Shown { std::string prompt; int style; std::string title; };
    int show(const std::string& prompt, int style, const std::string& title) override;
    void answer(int a) { answers_.push_back(a); }
    std::vector<Shown> shown;
    int beeps = 0;
    void beep() override { ++beeps; }
    void clear() { shown.clear(); answers_.clear(); beeps = 0; }
private:
    std::deque<int> answers_;
};

// Installs a presenter for the life of the object and restores the previous one.
class ScopedPresenter {
public:
    explicit ScopedPresenter(MessagePresenter& p);
    ~ScopedPresenter();
    ScopedPresenter(const ScopedPresenter&) = delete;
    ScopedPresenter& operator=(const ScopedPresenter&) = delete;
private:
    MessagePresenter* previous_;
};

}  // namespace hotaru
