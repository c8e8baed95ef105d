#pragma once
// The device service's interfaces and records as this client includes them.
//
// The service names its macro event kinds MACRO_EVENT_KEY and MACRO_EVENT_DELAY, the same
// global names the model gives its own (different) event types. Code that needs both sees the
// service's two under DEVICE_MACRO_EVENT_KEY and DEVICE_MACRO_EVENT_DELAY. Include this header
// instead of service/DeviceService.h wherever the model is used too.

#define MACRO_EVENT_KEY DEVICE_MACRO_EVENT_KEY
#define MACRO_EVENT_DELAY DEVICE_MACRO_EVENT_DELAY
#include "service/DeviceService.h"
#undef MACRO_EVENT_KEY
#undef MACRO_EVENT_DELAY

#include "platform/com/ObjBase.h"

#include <memory>

inline constexpr INT DEVICE_MACRO_EVENT_MOUSE = MACRO_EVENT_MOUSE;

// Frees task-allocator memory handed out by the service (strings, arrays, blocks).
struct TaskMemFree {
    void operator()(void* block) const { CoTaskMemFree(block); }
};
template <class T> using TaskMemPtr = std::unique_ptr<T, TaskMemFree>;
