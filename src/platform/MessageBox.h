#pragma once
// The program's one way to ask or tell the user something: a modal message box with a
// text, a title, an icon and its buttons, answering the button pressed. A presenter
// shows it (the application installs one with real dialogs); tests install a recorder
// that answers and keeps every box instead.

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace platform {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, YesNo, YesNoCancel };
enum class MsgAnswer { OK, Cancel, Yes, No };

struct MessageBoxCall {
    QString text;
    QString title;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;

    bool operator==(const MessageBoxCall&) const = default;
};

using MessageBoxPresenter = std::function<MsgAnswer(const MessageBoxCall&)>;

// The answer a box gets when nobody is there to press a button: its first button.
MsgAnswer UnattendedAnswer(MsgButtons buttons);

// Shows a box through the installed presenter and returns the button pressed. Without a
// presenter (no user interface yet) it answers as if the first button were pressed.
MsgAnswer MessageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons = MsgButtons::OK);

// Installs a presenter and returns the one it replaces.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);

// While alive, boxes asked for on the thread that made it go to presenter instead of
// the installed one. Worker threads collect their boxes this way; the user interface
// thread shows them afterwards, in order.
class ThreadMessageBoxPresenter {
public:
    explicit ThreadMessageBoxPresenter(MessageBoxPresenter presenter);
    ~ThreadMessageBoxPresenter();
    ThreadMessageBoxPresenter(const ThreadMessageBoxPresenter&) = delete;
    ThreadMessageBoxPresenter& operator=(const ThreadMessageBoxPresenter&) = delete;

private:
    MessageBoxPresenter presenter_;
    const MessageBoxPresenter* previous_;
};

// The title every box of the program's own carries: the product name.
QString ProgramTitle();

// For tests: while alive, records every box and answers from a queue (OK, or Yes for a
// question, when the queue is empty). Restores the previous presenter when destroyed.
class MessageBoxRecorder {
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

    void QueueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<MessageBoxCall>& Calls() const { return calls_; }
    void Clear() { calls_.clear(); }

private:
    std::vector<MessageBoxCall> calls_;
    std::deque<MsgAnswer> answers_;
    MessageBoxPresenter previous_;
};

} // namespace platform
