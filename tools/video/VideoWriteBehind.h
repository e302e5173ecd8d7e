#pragma once
// Frames converted, encoded and written into a video file on a thread of
// their own while the caller renders the next ones. At most a few frames wait
// for it, so that memory stays bounded when encoding is slower than
// rendering. The file is the one the writer makes of the same frames on the
// caller's thread, byte for byte: the thread makes the same calls in the
// same order.
//
// A failure of the thread is thrown by the next call; the writer then keeps
// what it had, and its destructor removes its temporary file as ever.

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostWorld.h"

class VideoWriter;

class VideoWriteBehind {
public:
    // Keeps up to `waiting` frames queued.
    explicit VideoWriteBehind(VideoWriter& writer, std::size_t waiting = 2);
    // Stops the thread after the frame it is writing; frames still queued
    // are dropped.
    ~VideoWriteBehind();
    VideoWriteBehind(const VideoWriteBehind&) = delete;
    VideoWriteBehind& operator=(const VideoWriteBehind&) = delete;

    // Queues the frame; waits while the queue is full.
    void write(HostWorld frame);
    // As the writer's, once every queued frame is written.
    void finish();
    std::string finishPartial();
    // The writer's warnings, as of the frames written so far; after a
    // finish, all of them.
    std::vector<std::string> takeWarnings();
    // Seconds the thread spent converting, encoding and writing.
    double busySeconds() const;

private:
    void run();
    // Waits until every queued frame is written; throws the thread's failure.
    void drain(std::unique_lock<std::mutex>& lock);

    VideoWriter& writer_;
    const std::size_t waiting_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<HostWorld> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
    std::vector<std::string> warnings_;
    double busySeconds_ = 0;
    std::thread thread_;
};
