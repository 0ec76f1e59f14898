#pragma once
// Stamps XInput2 events on arrival, on a connection and thread of its own, into up to two streams
// chosen per event by the caller's classifier. The timing benchmarks measure delivery with it.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>

#include <array>
#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace velotap {

class XiListener {
  public:
    struct Selection {
        int deviceId;  // XIAllDevices, XIAllMasterDevices or one device
        std::initializer_list<int> events;
    };
    // The stream (0 or 1) an event belongs to, or -1 to drop it; `data` is the cookie's data.
    using Classifier = std::function<int(int evtype, const void* data)>;

    XiListener(std::initializer_list<Selection> selections, Classifier classify)
        : classify_(std::move(classify)) {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        int event, error;
        XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error);
        std::vector<std::array<unsigned char, XIMaskLen(XI_LASTEVENT)>> bits(selections.size());
        std::vector<XIEventMask> masks;
        size_t i = 0;
        for (const Selection& s : selections) {
            bits[i].fill(0);
            for (int e : s.events)
                XISetMask(bits[i].data(), e);
            masks.push_back({s.deviceId, static_cast<int>(bits[i].size()), bits[i].data()});
            ++i;
        }
        XISelectEvents(display_, DefaultRootWindow(display_), masks.data(),
                       static_cast<int>(masks.size()));
        XSync(display_, False);
        thread_ = std::thread([this] { Run(); });
    }
    ~XiListener() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (display_) XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    // Stamps at realtime priority where the system allows; false where it does not.
    bool SetRealtime(int priority) {
        sched_param param{};
        param.sched_priority = priority;
        return thread_.joinable() &&
               pthread_setschedparam(thread_.native_handle(), SCHED_FIFO, &param) == 0;
    }

    std::vector<int64_t> Take(int stream = 0) {
        std::lock_guard lock(mutex_);
        return std::exchange(stamps_[stream], {});
    }
    // The first stamp of `stream` at or after `since`, or 0.
    int64_t FirstSince(int stream, int64_t since) {
        std::lock_guard lock(mutex_);
        for (int64_t s : stamps_[stream])
            if (s >= since) return s;
        return 0;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        for (auto& s : stamps_)
            s.clear();
    }

  private:
    void Run() {
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        while (!stop_) {
            if (!XPending(display_)) {
                poll(&p, 1, 20);
                continue;
            }
            XEvent e;
            XNextEvent(display_, &e);
            const int64_t now = MonotonicNanos();
            if (e.type != GenericEvent || e.xcookie.extension != opcode_) continue;
            if (!XGetEventData(display_, &e.xcookie)) continue;
            const int stream = classify_(e.xcookie.evtype, e.xcookie.data);
            if (stream == 0 || stream == 1) {
                std::lock_guard lock(mutex_);
                stamps_[stream].push_back(now);
            }
            XFreeEventData(display_, &e.xcookie);
        }
    }

    Classifier classify_;
    Display* display_ = nullptr;
    int opcode_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::array<std::vector<int64_t>, 2> stamps_;
};

// The id of the X input device of that name, or 0.
inline int XiDeviceId(const char* name) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 0;
    int major = 2, minor = 2;
    XIQueryVersion(display, &major, &minor);
    int count = 0, id = 0;
    XIDeviceInfo* devices = XIQueryDevice(display, XIAllDevices, &count);
    for (int i = 0; i < count; ++i)
        if (std::string(devices[i].name) == name) id = devices[i].deviceid;
    XIFreeDeviceInfo(devices);
    XCloseDisplay(display);
    return id;
}

}  // namespace velotap
