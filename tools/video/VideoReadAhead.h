#pragma once
// A video's frames decoded on a thread of their own while the caller renders:
// the frames after the one asked for are decoded ahead, a few at most, so
// that memory stays bounded when rendering is slower than decoding. The
// frames, their warnings and the failure that ends the file are those the
// reader gives when asked in the same order on the caller's thread.
//
// Once the first frame is asked for, the reader belongs to the thread until
// this object is gone; its description (complete from the first frame on)
// may still be read.

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "HostWorld.h"

class VideoReader;

class VideoReadAhead {
public:
    // Keeps up to `ahead` decoded frames waiting.
    explicit VideoReadAhead(VideoReader& reader, std::size_t ahead = 2);
    // Stops the thread after the frame it is decoding.
    ~VideoReadAhead();
    VideoReadAhead(const VideoReadAhead&) = delete;
    VideoReadAhead& operator=(const VideoReadAhead&) = delete;

    // As VideoReader::frame, but each index must be above the last: the
    // thread decodes from the first index asked for on, and an index past
    // the next one skips the frames between. Throws VideoError.
    HostWorld frame(long index);
    // As the reader's, as of the frames taken so far.
    std::vector<std::string> takeWarnings();
    long concealed() const;
    long stoodIn() const;
    // Seconds the thread spent decoding and converting.
    double busySeconds() const;

private:
    struct Decoded {
        long index = 0;
        HostWorld frame;
        std::exception_ptr failure;
        std::vector<std::string> warnings;
        long concealed = 0;
        long stoodIn = 0;
    };

    void run(long first);
    // Takes `decoded`'s warnings and counts as the caller's.
    void take(Decoded& decoded);

    VideoReader& reader_;
    const std::size_t ahead_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Decoded> queue_;
    bool stopping_ = false;
    double busySeconds_ = 0;
    // What the caller has taken.
    long next_ = -1;
    std::exception_ptr failure_;
    std::vector<std::string> warnings_;
    long concealed_ = 0;
    long stoodIn_ = 0;
    std::thread thread_;
};
