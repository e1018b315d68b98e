#include "FolderWorkers.h"

#include <algorithm>
#include <utility>

namespace batch {

namespace {

// Written only while no worker runs; thread creation orders it before every read.
std::function<void(const FileTask&)>& BeforeWorkHook()
{
    static std::function<void(const FileTask&)> hook;
    return hook;
}

} // namespace

void SetBeforeWorkHookForTests(std::function<void(const FileTask&)> hook)
{
    BeforeWorkHook() = std::move(hook);
}

FolderWorkers::FolderWorkers(int count, Work work) : work_(std::move(work))
{
    for (int i = 0; i < std::max(count, 1); ++i)
        threads_.emplace_back([this] { WorkerLoop(); });
}

FolderWorkers::~FolderWorkers()
{
    {
        const std::scoped_lock lock(mutex_);
        stopping_ = true;
        tasks_.clear(); // never started: nothing to finish
    }
    taskReady_.notify_all();
    for (std::thread& thread : threads_)
        thread.join();
}

int FolderWorkers::Busy() const
{
    const std::scoped_lock lock(mutex_);
    return busy_;
}

void FolderWorkers::Start(FileTask task)
{
    {
        const std::scoped_lock lock(mutex_);
        tasks_.push_back(std::move(task));
        ++busy_;
    }
    taskReady_.notify_one();
}

std::vector<FileDone> FolderWorkers::TakeFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(mutex_);
    taskDone_.wait_for(lock, timeout, [this] { return !done_.empty(); });
    std::vector<FileDone> finished = std::move(done_);
    done_.clear();
    busy_ -= static_cast<int>(finished.size());
    return finished;
}

void FolderWorkers::WorkerLoop()
{
    for (;;) {
        FileDone done;
        {
            std::unique_lock lock(mutex_);
            taskReady_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            done.task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        // ConvertPicture keeps the boxes a file asks for in its report: a worker never
        // shows a window.
        try {
            if (BeforeWorkHook())
                BeforeWorkHook()(done.task);
            done.report = work_(done.task);
        } catch (...) {
            done.error = std::current_exception();
        }
        {
            const std::scoped_lock lock(mutex_);
            done_.push_back(std::move(done));
        }
        taskDone_.notify_one();
    }
}

int WorkerCount(int requested)
{
    const int count = requested > 0 ? requested : static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(count, 1, kMaxWorkers);
}

} // namespace batch
