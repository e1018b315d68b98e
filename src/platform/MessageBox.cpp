#include "MessageBox.h"

#include "VersionInfo.h"

#include <utility>

namespace platform {

namespace {

MessageBoxPresenter& Presenter()
{
    static MessageBoxPresenter presenter;
    return presenter;
}

// A presenter for the calling thread alone, ahead of the program's one.
thread_local const MessageBoxPresenter* threadPresenter = nullptr;

} // namespace

MsgAnswer UnattendedAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return MsgAnswer::Yes;
    case MsgButtons::OK:
    case MsgButtons::OKCancel:
        break;
    }
    return MsgAnswer::OK;
}

MsgAnswer MessageBox(const QString& text, const QString& title, MsgIcon icon, MsgButtons buttons)
{
    const MessageBoxCall call{text, title, icon, buttons};
    if (threadPresenter)
        return (*threadPresenter)(call);
    if (Presenter())
        return Presenter()(call);
    return UnattendedAnswer(buttons);
}

ThreadMessageBoxPresenter::ThreadMessageBoxPresenter(MessageBoxPresenter presenter)
    : presenter_(std::move(presenter)), previous_(std::exchange(threadPresenter, &presenter_))
{
}

ThreadMessageBoxPresenter::~ThreadMessageBoxPresenter()
{
    threadPresenter = previous_;
}

MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter)
{
    return std::exchange(Presenter(), std::move(presenter));
}

QString ProgramTitle()
{
    return ProductName();
}

MessageBoxRecorder::MessageBoxRecorder()
{
    previous_ = SetMessageBoxPresenter([this](const MessageBoxCall& call) {
        calls_.push_back(call);
        if (answers_.empty())
            return UnattendedAnswer(call.buttons);
        const MsgAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    SetMessageBoxPresenter(std::move(previous_));
}

} // namespace platform
