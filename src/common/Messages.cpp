#include "common/Messages.h"

#include <iostream>

namespace hotaru {
namespace {

// Without a window the message can only be written out; the answer is the
// one Enter would have given.
class StderrPresenter : public MessagePresenter {
public:
    int show(const std::string& prompt, int style, const std::string& title) override {
        std::cerr << "[" << title << "]\n";
        for (const std::string& line : MessageLines(prompt)) std::cerr << line << '\n';
        std::cerr.flush();
        return DefaultButtonAnswer(style);
    }
    void beep() override { std::cerr << '\a' << std::flush; }
};

StderrPresenter gStderrPresenter;
MessagePresenter* gPresenter = nullptr;

}  // namespace

void SetMessagePresenter(MessagePresenter* presenter) { gPresenter = presenter; }

MessagePresenter& CurrentMessagePresenter() {
    return gPresenter ? *gPresenter : gStderrPresenter;
}

int MsgBox(const std::string& prompt, int style, const std::string& title) {
    return CurrentMessagePresenter().show(prompt, style, title.empty() ? std::string(kAppTitle) : title);
}

void Beep() { CurrentMessagePresenter().beep(); }

int DefaultButtonAnswer(int style) {
    static const std::vector<int> kButtons[] = {
        {mbOK},                       // mbOKOnly
        {mbOK, mbCancel},             // mbOKCancel
        {mbAbort, mbRetry, mbIgnore}, // mbAbortRetryIgnore
        {mbYes, mbNo, mbCancel},      // mbYesNoCancel
        {mbYes, mbNo},                // mbYesNo
        {mbRetry, mbCancel},          // mbRetryCancel
    };
    int kind = style & 0x0F;
    if (kind > mbRetryCancel) kind = mbOKOnly;
    const std::vector<int>& buttons = kButtons[kind];
    std::size_t index = std::size_t((style & 0xF00) >> 8);
    // A default button beyond the last one falls back to the first, as the
    // message box itself does.
    return index < buttons.size() ? buttons[index] : buttons.front();
}

std::vector<std::string> MessageLines(const std::string& prompt) {
    std::vector<std::string> lines;
    std::string current;
    for (std::size_t i = 0; i < prompt.size(); ++i) {
        char c = prompt[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(current);
            current.clear();
            if (c == '\r' && i + 1 < prompt.size() && prompt[i + 1] == '\n') ++i;
        } else {
            current += c;
        }
    }
    lines.push_back(current);
    return lines;
}

int ScriptedMessages::show(const std::string& prompt, int style, const std::string& title) {
    shown.push_back({prompt, style, title});
    if (!answers_.empty()) {
        int a = answers_.front();
        answers_.pop_front();
        return a;
    }
    return DefaultButtonAnswer(style);
}

ScopedPresenter::ScopedPresenter(MessagePresenter& p) : previous_(gPresenter) { gPresenter = &p; }

ScopedPresenter::~ScopedPresenter() { gPresenter = previous_; }

}  // namespace hotaru
