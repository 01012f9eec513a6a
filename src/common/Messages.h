#pragma once
// Message boxes behind an interface: the windows show them with Qt, the
// command line prints them, tests answer them from a script.
#include <deque>
#include <string>
#include <vector>

namespace hotaru {

// Style parts: buttons + icon + default button + modality.
enum MsgStyle : int {
    mbOKOnly = 0, mbOKCancel = 1, mbAbortRetryIgnore = 2, mbYesNoCancel = 3, mbYesNo = 4, mbRetryCancel = 5,
    mbCritical = 16, mbQuestion = 32, mbExclamation = 48, mbInformation = 64,
    mbDefaultButton1 = 0, mbDefaultButton2 = 256, mbDefaultButton3 = 512,
    mbApplicationModal = 0, mbSystemModal = 4096,
};
enum MsgAnswer : int { mbOK = 1, mbCancel = 2, mbAbort = 3, mbRetry = 4, mbIgnore = 5, mbYes = 6, mbNo = 7 };

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
int MsgBox(const std::string& prompt, int style = mbOKOnly, const std::string& title = {});
void Beep();

// The answer of the style's default button (mbYesNo + mbDefaultButton2 -> mbNo).
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
