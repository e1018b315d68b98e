#pragma once
// The worker threads of a folder run. The run's own thread hands out files and takes the
// results back; each worker shrinks one file at a time with nothing shared but the
// hand-over queues, so the same file comes out byte for byte whichever worker made it.

#include "batch/ConvertJPG.h"
#include "platform/MessageBox.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace batch {

// One file of the list: its position, where it is read and where it is written.
struct FileTask {
    qsizetype index = 0;
    QString source;
    QString target;
};

// What became of one file, with the message boxes its shrink asked for (in order) and a
// foreign error that escaped it (rethrown on the run's thread).
struct FileDone {
    FileTask task;
    ConvertReport report;
    std::vector<platform::MessageBoxCall> messages;
    std::exception_ptr error;
};

class FolderWorkers {
public:
    using Work = std::function<ConvertReport(const FileTask&)>;

    // Starts count threads (at least one) that run work for each task handed to them.
    FolderWorkers(int count, Work work);
    // Lets the tasks in work finish, then ends the threads.
    ~FolderWorkers();
    FolderWorkers(const FolderWorkers&) = delete;
    FolderWorkers& operator=(const FolderWorkers&) = delete;

    int Count() const { return static_cast<int>(threads_.size()); }
    // Tasks handed over and not yet taken back finished.
    int Busy() const;
    // Hands task to the next free worker (or queues it until one is free).
    void Start(FileTask task);
    // The tasks finished since the last call; waits up to timeout for the first one.
    std::vector<FileDone> TakeFinished(std::chrono::milliseconds timeout);

private:
    void WorkerLoop();

    Work work_;
    mutable std::mutex mutex_;
    std::condition_variable taskReady_;
    std::condition_variable taskDone_;
    std::deque<FileTask> tasks_;
    std::vector<FileDone> done_;
    int busy_ = 0;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

// The most workers a run starts: beyond this, workers only wait for the disk and the
// memory budget, and each one's pool keeps memory of its own.
inline constexpr int kMaxWorkers = 64;

// Workers for count (0: one per processor core), at most kMaxWorkers.
int WorkerCount(int requested);

// For tests only: each worker calls hook (when set) with its task right before the
// task's work, so a test can hold one file's work and watch what the run does
// meanwhile. Set it before the run starts its workers and clear it after the run.
void SetBeforeWorkHookForTests(std::function<void(const FileTask&)> hook);

} // namespace batch
